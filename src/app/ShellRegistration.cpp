// Shell registration under the classes root.
#include "app/ShellRegistration.h"

#include "base/Strings.h"
#include "registry/EzReg.h"

#include <cwchar>
#include <cwctype>

namespace
{
// The default value of CLASSES_ROOT\subKey, as stored (unexpanded); empty
// when it has none or it is no string.
std::wstring DefaultText(const std::wstring& subKey)
{
    std::wstring text(260, L'\0');
    for (int attempt = 0; attempt < 3; ++attempt)
    {
        DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        LONG result =
            RegGetValueW(HKEY_CLASSES_ROOT, subKey.c_str(), nullptr,
                         RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, text.data(), &size);
        if (result == ERROR_MORE_DATA)
        {
            text.assign(size / sizeof(wchar_t) + 1, L'\0');
            continue;
        }
        if (result != ERROR_SUCCESS)
            return std::wstring();
        text.resize(wcsnlen(text.c_str(), size / sizeof(wchar_t)));
        return text;
    }
    return std::wstring();
}

bool SetDefault(const std::wstring& subKey, const std::wstring& text)
{
    return RegSetValueW(HKEY_CLASSES_ROOT, subKey.c_str(), REG_SZ, text.c_str(),
                        static_cast<DWORD>(text.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool FileExists(const std::wstring& path)
{
    if (path.empty())
        return false;
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
} // namespace

std::wstring CommandProgram(const std::wstring& command)
{
    size_t start = 0;
    while (start < command.size() && std::iswspace(command[start]))
        ++start;
    std::wstring program;
    if (start < command.size() && command[start] == L'"')
    {
        size_t end = command.find(L'"', start + 1);
        if (end == std::wstring::npos)
            return std::wstring();
        program = command.substr(start + 1, end - start - 1);
    }
    else
    {
        std::wstring rest = zv::ToUpper(command.substr(start));
        size_t exe = rest.find(L".EXE");
        size_t blank = command.find_first_of(L" \t", start);
        size_t end = exe != std::wstring::npos ? start + exe + 4 : blank;
        program = command.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    }
    if (program.find(L'%') != std::wstring::npos)
    {
        DWORD needed = ExpandEnvironmentStringsW(program.c_str(), nullptr, 0);
        if (needed)
        {
            std::wstring expanded(needed, L'\0');
            DWORD written = ExpandEnvironmentStringsW(program.c_str(), expanded.data(), needed);
            if (written && written <= needed)
            {
                expanded.resize(written - 1);
                program = expanded;
            }
        }
    }
    return program;
}

bool RegisterUrlType(const std::wstring& typeId, const std::wstring& programPath)
{
    // A registration that starts a program file that exists is that
    // program's, this copy's included: nothing to do.
    if (FileExists(CommandProgram(DefaultText(typeId + L"\\shell\\open\\command"))))
        return false;
    bool changed = SetDefault(typeId, L"Registry Shortcut");
    // Empty strings, each a single NUL as the text form of "".
    CEzReg type(L"CLASSES_ROOT\\" + typeId);
    for (const wchar_t* name : {L"URL Protocol", L"IsShortcut", L"NeverShowExt"})
        changed = type.SetValueText(name, L"", REG_SZ) || changed;
    changed = SetDefault(typeId + L"\\DefaultIcon", programPath) || changed;
    // The command last: until it is written, the next start finishes the rest.
    return SetDefault(typeId + L"\\shell\\open\\command",
                      zv::Format(L"\"%s\" \"%%1\"", programPath.c_str())) ||
           changed;
}

bool RegisterWithShell(const std::wstring& programPath)
{
    bool changed = RegisterUrlType(L"zorvane", programPath);
    changed = RegisterUrlType(L"reg", programPath) || changed;
    // The file type goes to the "zorvane" type unless another type has it.
    if (DefaultText(L".s2r").empty())
        changed = SetDefault(L".s2r", L"zorvane") || changed;
    return changed;
}
