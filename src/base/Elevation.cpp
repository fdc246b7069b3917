// The administrator test.
#include "base/Elevation.h"

#include "base/Handles.h"
#include "base/Log.h"

#include <windows.h>

bool IsElevated()
{
    zv::unique_handle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()))
        return false;
    if (IsTokenRestricted(token.get()))
        Log(L"Not running as Administrator: the process token is restricted.");
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size))
        return false;
    Log(elevation.TokenIsElevated ? L"TokenIsElevated. Running as Administrator."
                                  : L"TokenIsElevated=0. Not Running as Administrator.");
    return elevation.TokenIsElevated != 0;
}
