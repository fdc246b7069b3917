// The button lists of the main toolbar (resource 101) and the address bar
// (resource 165); 0 stands for a separator.
#pragma once

#include "app/framework/ControlBars.h"

const ToolbarButtons& MainToolbarButtons();
const ToolbarButtons& AddressBarButtons();
