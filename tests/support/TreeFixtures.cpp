// Tree fixtures.
#include "support/TreeFixtures.h"

#include "base/Handles.h"

#include <gtest/gtest.h>
#include <sddl.h>

namespace
{
void Walk(HKEY key, const std::wstring& relative, TreeSnapshot& out)
{
    auto& values = out[relative];
    std::vector<wchar_t> name(16384);
    for (DWORD i = 0;; ++i)
    {
        DWORD nameLength = static_cast<DWORD>(name.size()), type = 0, size = 0;
        LONG r = RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, nullptr, &size);
        if (r != ERROR_SUCCESS)
            break;
        std::vector<BYTE> data(size);
        nameLength = static_cast<DWORD>(name.size());
        RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.empty() ? nullptr : data.data(),
                      &size);
        data.resize(size);
        values[std::wstring(name.data(), nameLength)] = {type, data};
    }
    wchar_t sub[260];
    for (DWORD i = 0;; ++i)
    {
        DWORD length = 260;
        if (RegEnumKeyExW(key, i, sub, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        zv::unique_hkey child;
        if (RegOpenKeyExW(key, sub, 0, KEY_READ, child.put()) == ERROR_SUCCESS)
            Walk(child.get(), relative.empty() ? std::wstring(sub) : relative + L"\\" + sub, out);
    }
}
} // namespace

TreeSnapshot SnapshotTree(HKEY root, const std::wstring& subKey)
{
    TreeSnapshot out;
    zv::unique_hkey key;
    if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS)
        Walk(key.get(), L"", out);
    return out;
}

void BuildEveryTypeTree(const RegistrySandbox& box, const std::wstring& sub)
{
    box.SetString(sub, L"", L"default text");
    box.SetString(sub, L"Plain", L"C:\\Temp \"x\"");
    box.SetString(sub, L"Name \"quoted\" and \\back\\", L"v");
    box.SetString(sub, std::wstring(300, L'L'), L"long name");
    box.SetString(sub, L"Empty", L"");
    box.SetValue(sub, L"ZeroSize", REG_SZ, {});
    box.SetString(sub, L"Lines", L"one\r\ntwo\nthree");
    box.SetValue(sub, L"EmbeddedNul", REG_SZ, StringBytes(std::wstring(L"ab\0cd", 5)));
    box.SetValue(sub, L"Unterminated", REG_SZ, StringBytes(L"open", false));
    box.SetString(sub, L"Expand", L"%PATH%", REG_EXPAND_SZ);
    box.SetValue(sub, L"Multi", REG_MULTI_SZ, StringBytes(std::wstring(L"one\0two\0", 8)));
    box.SetDword(sub, L"Dword", 0xFFFFFFFF);
    box.SetValue(sub, L"ShortDword", REG_DWORD, Bytes({1, 2}));
    box.SetValue(sub, L"Qword", REG_QWORD, Bytes({1, 2, 3, 4, 5, 6, 7, 8}));
    std::vector<BYTE> binary(200);
    for (size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<BYTE>(i * 7);
    box.SetValue(sub, L"Binary", REG_BINARY, binary);
    box.SetValue(sub, L"NoData", REG_BINARY, {});
    box.SetValue(sub, L"None", REG_NONE, Bytes({0xAA}));
    box.SetValue(sub, L"BigEndian", REG_DWORD_BIG_ENDIAN, Bytes({0, 0, 0, 1}));
    box.SetValue(sub, L"Link", REG_LINK, StringBytes(L"\\Registry\\Machine"));
    box.SetValue(sub, L"Resources", REG_RESOURCE_LIST, Bytes({1, 0, 0, 0}));
    box.SetValue(sub, L"Full", REG_FULL_RESOURCE_DESCRIPTOR, Bytes({2}));
    box.SetValue(sub, L"Requirements", REG_RESOURCE_REQUIREMENTS_LIST, Bytes({3, 4}));
    box.SetValue(sub, L"Custom", 0x20, Bytes({0x20}));
    box.SetString(sub + L"\\Child", L"c", L"child value");
    box.SetDword(sub + L"\\Child\\Grand", L"g", 5);
    box.CreateKey(sub + L"\\Empty Key");
    box.CreateKey(sub + L"\\With/Slash");
}

DWORD RunProgram(const std::wstring& commandLine, DWORD timeoutMs)
{
    std::wstring line = commandLine;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &si, &pi))
    {
        ADD_FAILURE() << "cannot start program, error " << GetLastError();
        return static_cast<DWORD>(-1);
    }
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

std::wstring CurrentUserSid()
{
    zv::unique_handle token;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put());
    BYTE buffer[256];
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenUser, buffer, sizeof(buffer), &size))
        return {};
    wchar_t* text = nullptr;
    ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text);
    std::wstring sid = text ? text : L"";
    LocalFree(text);
    return sid;
}

bool KeyExistsRaw(HKEY root, const std::wstring& subKey)
{
    zv::unique_hkey key;
    return RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

std::wstring TempFilePath(const std::wstring& name)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + L"zv_" + std::to_wstring(GetCurrentProcessId()) + L"_" + name;
    DeleteFileW(path.c_str());
    return path;
}

std::vector<BYTE> ReadFileBytes(const std::wstring& path)
{
    std::vector<BYTE> bytes;
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    DWORD size = GetFileSize(file, nullptr);
    bytes.resize(size);
    DWORD read = 0;
    if (size)
        ReadFile(file, bytes.data(), size, &read, nullptr);
    bytes.resize(read);
    CloseHandle(file);
    return bytes;
}

std::wstring ReadUtf16File(const std::wstring& path)
{
    std::vector<BYTE> bytes = ReadFileBytes(path);
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE)
        return L"<no byte-order mark>";
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
}

void PrintTo(const ValueSnapshot& value, std::ostream* out)
{
    *out << "type " << value.type << " [";
    for (size_t i = 0; i < value.data.size() && i < 48; ++i)
        *out << (i ? " " : "") << std::hex << static_cast<int>(value.data[i]) << std::dec;
    if (value.data.size() > 48)
        *out << " ...";
    *out << "] (" << value.data.size() << " bytes)";
}

KeySecurity SecurityOf(const RegistrySandbox& box, const std::wstring& sub)
{
    KeySecurity result;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, (box.SubKey() + L"\\" + sub).c_str(), 0, READ_CONTROL, &key) !=
        ERROR_SUCCESS)
        return result;
    DWORD size = 0;
    RegGetKeySecurity(key, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, &size);
    std::vector<BYTE> sd(size);
    RegGetKeySecurity(key, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, sd.data(), &size);
    RegCloseKey(key);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(sd.data(), &control, &revision);
    result.isProtected = (control & SE_DACL_PROTECTED) != 0;
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    GetSecurityDescriptorDacl(sd.data(), &present, &acl, &defaulted);
    for (DWORD i = 0; acl && i < acl->AceCount; ++i)
    {
        void* ace = nullptr;
        GetAce(acl, i, &ace);
        auto* header = static_cast<ACE_HEADER*>(ace);
        if (!(header->AceFlags & INHERITED_ACE))
            result.own.emplace_back(header->AceType, reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace)->Mask);
    }
    PSID owner = nullptr;
    GetSecurityDescriptorOwner(sd.data(), &owner, &defaulted);
    wchar_t name[256] = {}, domain[256] = {};
    DWORD nameSize = 256, domainSize = 256;
    SID_NAME_USE use;
    if (owner)
        LookupAccountSidW(nullptr, owner, name, &nameSize, domain, &domainSize, &use);
    result.owner = name;
    return result;
}

void LockDown(const RegistrySandbox& box, const std::wstring& sub, bool protect, bool systemOwner)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (box.SubKey() + L"\\" + sub).c_str(), 0,
                            READ_CONTROL | WRITE_DAC | WRITE_OWNER, &key),
              0);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    BYTE buffer[512];
    auto* acl = reinterpret_cast<PACL>(buffer);
    InitializeAcl(acl, sizeof buffer, ACL_REVISION);
    AddAccessDeniedAce(acl, ACL_REVISION, KEY_SET_VALUE, everyone);
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS & ~KEY_SET_VALUE, everyone);
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
    SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION;
    if (protect)
        SetSecurityDescriptorControl(&sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    PSID system = nullptr;
    if (systemOwner)
    {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system);
        SetSecurityDescriptorOwner(&sd, system, FALSE);
        what |= OWNER_SECURITY_INFORMATION;
    }
    EXPECT_EQ(RegSetKeySecurity(key, what, &sd), 0);
    if (system)
        FreeSid(system);
    FreeSid(everyone);
    RegCloseKey(key);
}

// Makes box\sub a link to box\target; its target value's bytes.
std::vector<BYTE> MakeLink(const RegistrySandbox& box, const std::wstring& sub, const std::wstring& target)
{
    HKEY link = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (box.SubKey() + L"\\" + sub).c_str(), 0, nullptr,
                              REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS, nullptr, &link, nullptr),
              0);
    std::wstring path = L"\\Registry\\User\\" + CurrentUserSid() + L"\\" + box.SubKey() + L"\\" + target;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(path.c_str());
    std::vector<BYTE> data(bytes, bytes + path.size() * sizeof(wchar_t));
    RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, data.data(), static_cast<DWORD>(data.size()));
    RegCloseKey(link);
    return data;
}

void DeleteLink(const RegistrySandbox& box, const std::wstring& sub)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, (box.SubKey() + L"\\" + sub).c_str(), REG_OPTION_OPEN_LINK, DELETE,
                      &opened) == ERROR_SUCCESS)
    {
        RegDeleteKeyW(opened, L"");
        RegCloseKey(opened);
    }
}
