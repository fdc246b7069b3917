// Command line scanning at start-up.
#include "app/StartArguments.h"

#include "base/Strings.h"

#include <windows.h>
#include <shellapi.h>

bool IsLinkArgument(std::wstring_view argument)
{
    auto startsWith = [&](std::wstring_view scheme) {
        return argument.size() >= scheme.size() &&
               zv::EqualsNoCase(argument.substr(0, scheme.size()), scheme);
    };
    return startsWith(L"zorvane:") || startsWith(L"reg:");
}

StartArguments ScanStartArguments(const std::vector<std::wstring>& arguments)
{
    StartArguments result;
    // A link comes from a web page: a launcher that passes its quotes on
    // splits it into more arguments, which must never act as switches (a
    // log switch would overwrite the file named after it). The link is the
    // location and nothing else is read.
    if (!arguments.empty() && IsLinkArgument(arguments.front()))
    {
        result.location = arguments.front();
        return result;
    }
    auto isSwitch = [](const std::wstring& argument, std::wstring_view name) {
        return argument.size() > 1 && (argument[0] == L'-' || argument[0] == L'/') &&
               zv::EqualsNoCase(std::wstring_view(argument).substr(1), name);
    };
    bool importNext = false;
    for (const std::wstring& argument : arguments)
    {
        if (isSwitch(argument, L"log"))
        {
            result.logging = true;
            continue;
        }
        if (isSwitch(argument, L"import"))
        {
            importNext = true;
            continue;
        }
        if (importNext)
        {
            result.importFile = argument;
            importNext = false;
            continue;
        }
        if (result.logging && result.logFile.empty())
        {
            result.logFile = argument;
            continue;
        }
        // The log switch and its file are no location.
        if (result.location.empty())
            result.location = argument;
    }
    return result;
}

namespace
{
bool IsFile(const std::wstring& path)
{
    if (path.empty())
        return false;
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
} // namespace

std::wstring ExistingStartFile(const std::wstring& argument)
{
    if (IsFile(argument))
        return argument;
    wchar_t expanded[512];
    DWORD length = ExpandEnvironmentStringsW(argument.c_str(), expanded, 512);
    if (length > 0 && length <= 512 && IsFile(expanded))
        return expanded;
    if (!argument.empty() && argument[0] == L'"')
    {
        size_t close = argument.find(L'"', 1);
        std::wstring inner = argument.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
        if (IsFile(inner))
            return inner;
    }
    return {};
}

std::vector<std::wstring> ProcessArguments()
{
    std::vector<std::wstring> arguments;
    int count = 0;
    wchar_t** list = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!list)
        return arguments;
    for (int i = 1; i < count; ++i)
        arguments.emplace_back(list[i]);
    LocalFree(list);
    return arguments;
}
