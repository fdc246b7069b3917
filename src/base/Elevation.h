// Whether this process runs with administrative rights.
#pragma once

// Whether the process token is elevated; writes what it found to the log.
bool IsElevated();
