// Shell registration under the classes root.
#include "app/ShellRegistration.h"

#include "base/Handles.h"
#include "base/Strings.h"
#include "registry/EzReg.h"

bool SetDefaultIfDifferent(const std::wstring& subKey, const std::wstring& text)
{
    wchar_t current[260] = {};
    LONG size = sizeof(current);
    if (RegQueryValueW(HKEY_CLASSES_ROOT, subKey.c_str(), current, &size) == ERROR_SUCCESS &&
        zv::EqualsNoCase(current, text))
        return false;
    return RegSetValueW(HKEY_CLASSES_ROOT, subKey.c_str(), REG_SZ, text.c_str(),
                        static_cast<DWORD>(text.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool RegisterUrlType(const std::wstring& typeId, const std::wstring& programPath)
{
    SetDefaultIfDifferent(typeId, L"Registry Shortcut");
    SetDefaultIfDifferent(typeId + L"\\shell\\open\\command",
                          zv::Format(L"\"%s\" \"%%1\"", programPath.c_str()));
    // Empty strings written every time, each a single NUL as the text form of "".
    CEzReg type(L"CLASSES_ROOT\\" + typeId);
    for (const wchar_t* name : {L"URL Protocol", L"IsShortcut", L"NeverShowExt"})
        type.SetValueText(name, L"", REG_SZ);
    return SetDefaultIfDifferent(typeId + L"\\DefaultIcon", programPath);
}

bool RegisterWithShell(const std::wstring& programPath)
{
    bool changed = RegisterUrlType(L"zorvane", programPath);
    changed = RegisterUrlType(L"reg", programPath) || changed;
    changed = SetDefaultIfDifferent(L".s2r", L"zorvane") || changed;
    return changed;
}
