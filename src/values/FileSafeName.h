// File names made from registry names: control characters dropped, and the
// nine characters files may not hold replaced by look-alikes.
#pragma once

#include <string>
#include <string_view>

std::wstring FileSafeName(std::wstring_view text);
