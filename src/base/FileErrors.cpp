// File error messages.
#include "base/FileErrors.h"

#include "base/Strings.h"
#include "base/UserPrompts.h"

std::wstring FileErrorText(const std::wstring& path, DWORD error, bool writing)
{
    switch (error)
    {
    case ERROR_ACCESS_DENIED:
        return zv::Format(L"Access to %s was denied.", path.c_str());
    case ERROR_FILE_NOT_FOUND:
        return zv::Format(L"%s was not found.", path.c_str());
    case ERROR_PATH_NOT_FOUND:
        return zv::Format(L"All or part of the path %s could not be found.", path.c_str());
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return zv::Format(L"Sharing violation while accessing %s.", path.c_str());
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return zv::Format(L"There is not enough space on the disk for %s.", path.c_str());
    default:
        return zv::Format(writing ? L"An unexpected error occurred while writing %s."
                                  : L"An unexpected error occurred "
                                    L"while reading %s.",
                          path.c_str());
    }
}

void ReportFileError(const std::wstring& path, DWORD error, bool writing)
{
    AfxMessageBox(FileErrorText(path, error, writing), MB_OK | MB_ICONEXCLAMATION);
}
