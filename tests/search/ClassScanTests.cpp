// The invalid class finder against class registrations arranged in a
// sandbox of the test prefix: which server texts count as found (absolute,
// environment variables, quoted with arguments, on PATH, folders, System32
// as registered), which classes are never listed, the related rows and the
// names that must not become rows, and a cancel that ends the whole scan.
// These tests also run as a 32-bit process.
#include "base/Strings.h"
#include "registry/ValueText.h"
#include "search/InvalidClassScan.h"
#include "support/RegistrySandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace
{
struct Collect : ISearchSink
{
    std::vector<FoundRow> rows;
    void Rows(std::vector<FoundRow>&& batch) override
    {
        for (FoundRow& row : batch)
            rows.push_back(std::move(row));
    }
    void Progress(const std::wstring&) override {}
    // "name|location|data" of each row, in order.
    std::vector<std::wstring> Lines() const
    {
        std::vector<std::wstring> lines;
        for (const FoundRow& row : rows)
            lines.push_back(row.name + L"|" + row.location + L"|" + row.keyData);
        return lines;
    }
};

std::wstring Guid(int n)
{
    return zv::Format(L"{%08X-0000-4000-8000-00000000ABCD}", n);
}

std::wstring TempFolder()
{
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    std::wstring folder = std::wstring(base) + L"zv-classes-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

void Touch(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << zv::ToUtf8(path);
    CloseHandle(file);
}

// Creates or deletes a file in the real System32, past a 32-bit process's
// redirection to SysWOW64.
bool InRealSystem32(const std::wstring& name, bool create)
{
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    std::wstring path = std::wstring(windows) + L"\\System32\\" + name;
    BOOL wow64 = FALSE;
    PVOID previous = nullptr;
    bool off =
        IsWow64Process(GetCurrentProcess(), &wow64) && wow64 && Wow64DisableWow64FsRedirection(&previous);
    bool done;
    if (create)
    {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        done = file != INVALID_HANDLE_VALUE;
        if (done)
            CloseHandle(file);
    }
    else
        done = DeleteFileW(path.c_str()) != FALSE;
    if (off)
        Wow64RevertWow64FsRedirection(previous);
    return done;
}

class ClassScan : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_folder = TempFolder();
        Touch(m_folder + L"\\server.dll");
        CreateDirectoryW((m_folder + L"\\serverdir").c_str(), nullptr);
        m_place = {HKEY_CURRENT_USER, L"CURRENT_USER", m_box.SubKey() + L"\\Classes"};
        m_box.CreateKey(L"Classes\\CLSID");
    }
    void TearDown() override
    {
        DeleteFileW((m_folder + L"\\server.dll").c_str());
        RemoveDirectoryW((m_folder + L"\\serverdir").c_str());
        RemoveDirectoryW(m_folder.c_str());
    }
    // Registers class n with an in-process server text.
    void Register(int n, const std::wstring& server, DWORD type = REG_SZ)
    {
        m_box.SetString(L"Classes\\CLSID\\" + Guid(n) + L"\\InprocServer32", L"", server, type);
    }
    void Related(int n, const wchar_t* kind, const std::wstring& value)
    {
        m_box.SetString(L"Classes\\CLSID\\" + Guid(n) + L"\\" + kind, L"", value);
    }
    std::vector<std::wstring> Scan()
    {
        Collect sink;
        SearchTotals totals = RunClassScan({m_place}, zv::StopToken(), sink);
        m_totals = totals;
        return sink.Lines();
    }
    std::wstring ClassLocation() const { return m_place.Location() + L"\\CLSID"; }

    RegistrySandbox m_box;
    ClassesPlace m_place;
    std::wstring m_folder;
    SearchTotals m_totals;
};
} // namespace

TEST_F(ClassScan, ServerTextsThatNameAnExistingFileOrFolderAreValid)
{
    SetEnvironmentVariableW(L"ZV_CLASS_FOLDER", m_folder.c_str());
    std::wstring path = m_folder + L"\\server.dll";
    Register(1, path);
    Register(2, L"%ZV_CLASS_FOLDER%\\server.dll", REG_EXPAND_SZ);
    Register(3, L"%ZV_CLASS_FOLDER%\\server.dll"); // a plain string is expanded too
    Register(4, L"\"" + path + L"\" /embedding");
    Register(5, m_folder + L"\\serverdir");
    Register(6, m_folder + L"\\serv*.dll");
    Register(7, L"\"" + path); // no closing quote: what follows the opening one
    // Found on the search path: a system library, and one in a PATH folder.
    Register(8, L"kernel32.dll");
    std::wstring oldPath(32767, L'\0');
    oldPath.resize(GetEnvironmentVariableW(L"PATH", oldPath.data(), 32767));
    SetEnvironmentVariableW(L"PATH", (oldPath + L";" + m_folder).c_str());
    Register(9, L"server.dll");

    std::vector<std::wstring> rows = Scan();
    SetEnvironmentVariableW(L"PATH", oldPath.c_str());
    EXPECT_TRUE(rows.empty()) << zv::ToUtf8(rows.empty() ? L"" : rows.front());
    EXPECT_EQ(m_totals.keysSearched, 9u);
    EXPECT_EQ(m_totals.matches, 0u);
}

TEST_F(ClassScan, MissingEmptyAndQuotedMissingServersAreListedWithTheirText)
{
    Register(1, L"C:\\nowhere\\missing.dll");
    Register(2, L"");
    Register(3, L"\"" + m_folder + L"\\gone.dll\" " + m_folder + L"\\server.dll");
    Register(4, m_folder + L"\\server.dl"); // a neighbour of an existing name
    Register(5, L"missing-on-path-zv.dll");
    std::vector<std::wstring> rows = Scan();
    std::wstring at = L"|" + ClassLocation() + L"|";
    EXPECT_EQ(rows, (std::vector<std::wstring>{
                        Guid(1) + at + L"C:\\nowhere\\missing.dll", Guid(2) + at,
                        Guid(3) + at + L"\"" + m_folder + L"\\gone.dll\" " + m_folder + L"\\server.dll",
                        Guid(4) + at + m_folder + L"\\server.dl", Guid(5) + at + L"missing-on-path-zv.dll"}));
    EXPECT_EQ(m_totals.matches, 5u);
}

TEST_F(ClassScan, ClassesWithoutAnInProcessServerTextAreNeverListed)
{
    // Out of process only; a server key without a default value; a server
    // key whose default value is not readable as text is still examined.
    m_box.SetString(L"Classes\\CLSID\\" + Guid(1) + L"\\LocalServer32", L"", L"C:\\nowhere\\x.exe");
    m_box.SetString(L"Classes\\CLSID\\" + Guid(2) + L"\\InprocServer32", L"ThreadingModel", L"Both");
    m_box.CreateKey(L"Classes\\CLSID\\" + Guid(3));
    m_box.SetDword(L"Classes\\CLSID\\" + Guid(4) + L"\\InprocServer32", L"", 7);
    std::vector<std::wstring> rows = Scan();
    ASSERT_EQ(rows.size(), 1u);
    DWORD seven = 7;
    EXPECT_EQ(rows[0], Guid(4) + L"|" + ClassLocation() + L"|" +
                           ValueDataText(REG_DWORD, reinterpret_cast<BYTE*>(&seven), sizeof seven));
    EXPECT_EQ(m_totals.keysSearched, 4u);
}

TEST_F(ClassScan, ASystem32ServerIsLookedForInTheRealSystem32)
{
    // A 32-bit process sees SysWOW64 under System32's name; the file exists
    // only in the real one.
    std::wstring name = L"zv-only64-" + std::to_wstring(GetCurrentProcessId()) + L".dll";
    ASSERT_TRUE(InRealSystem32(name, true));
    Register(1, L"%SystemRoot%\\System32\\" + name, REG_EXPAND_SZ);
    Register(2, L"%SystemRoot%\\System32\\missing-" + name, REG_EXPAND_SZ);
    std::vector<std::wstring> rows = Scan();
    InRealSystem32(name, false);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].substr(0, 38), Guid(2));
}

TEST_F(ClassScan, RelatedRowsComeFromTheClassesOwnPlaceAndNameOneExistingKey)
{
    Register(1, L"C:\\nowhere\\one.dll");
    Related(1, L"ProgID", L"Zv.One");
    Related(1, L"TypeLib", Guid(100));
    m_box.CreateKey(L"Classes\\Zv.One");
    m_box.CreateKey(L"Classes\\Zv.One.1"); // a sibling sharing the prefix is not listed
    m_box.CreateKey(L"Classes\\TypeLib\\" + Guid(100));
    std::wstring classes = m_place.Location();
    std::vector<std::wstring> rows = Scan();
    EXPECT_EQ(rows, (std::vector<std::wstring>{Guid(1) + L"|" + ClassLocation() + L"|C:\\nowhere\\one.dll",
                                               L"Zv.One|" + classes + L"|" + Guid(1),
                                               Guid(100) + L"|" + classes + L"\\TypeLib|" + Guid(1)}));
    EXPECT_EQ(m_totals.matches, 3u);
}

TEST_F(ClassScan, RelatedValuesThatWouldNameATreeOrAnotherClassGiveNoRow)
{
    m_box.CreateKey(L"Classes\\TypeLib\\" + Guid(100));
    m_box.CreateKey(L"Classes\\Zv.Shared\\CLSID");
    m_box.SetString(L"Classes\\Zv.Shared\\CLSID", L"", Guid(99)); // now another class's
    m_box.CreateKey(L"Classes\\Zv.Mine\\CLSID");
    m_box.SetString(L"Classes\\Zv.Mine\\CLSID", L"", std::wstring(L"{00000005-0000-4000-8000-00000000abcd}"));

    Register(1, L"C:\\nowhere\\a.dll");
    Related(1, L"ProgID", L"");  // would be the classes key itself
    Related(1, L"TypeLib", L""); // would be every type library
    Register(2, L"C:\\nowhere\\b.dll");
    Related(2, L"ProgID", L"TypeLib\\" + Guid(100)); // a path, not a name
    Related(2, L"TypeLib", Guid(100).substr(1, 36)); // no braces
    Register(3, L"C:\\nowhere\\c.dll");
    Related(3, L"ProgID", L"Zv.Absent"); // no such key
    Related(3, L"TypeLib", Guid(101));
    Register(4, L"C:\\nowhere\\d.dll");
    Related(4, L"ProgID", L"Zv.Shared");
    Register(5, L"C:\\nowhere\\e.dll");
    Related(5, L"ProgID", L"Zv.Mine"); // its CLSID names this class, in any case
    std::vector<std::wstring> rows = Scan();
    ASSERT_EQ(rows.size(), 6u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(rows[i].substr(0, 38), Guid(i + 1));
    EXPECT_EQ(rows[5], L"Zv.Mine|" + m_place.Location() + L"|" + Guid(5));
}

TEST_F(ClassScan, UnreadableRegistrationsCountAsValid)
{
    Register(1, L"C:\\nowhere\\a.dll");
    Register(2, L"C:\\nowhere\\b.dll");
    m_box.DenyReading(L"Classes\\CLSID\\" + Guid(1) + L"\\InprocServer32");
    std::vector<std::wstring> rows = Scan();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].substr(0, 38), Guid(2));
}

TEST_F(ClassScan, TheSameClassIsExaminedOncePerPlace)
{
    RegistrySandbox other;
    ClassesPlace second{HKEY_CURRENT_USER, L"CURRENT_USER", other.SubKey() + L"\\Classes"};
    Register(1, L"C:\\nowhere\\a.dll");
    other.SetString(L"Classes\\CLSID\\" + Guid(1) + L"\\InprocServer32", L"", L"C:\\nowhere\\b.dll");
    Collect sink;
    SearchTotals totals = RunClassScan({m_place, second}, zv::StopToken(), sink);
    ASSERT_EQ(sink.rows.size(), 2u);
    EXPECT_EQ(sink.rows[0].location, m_place.Location() + L"\\CLSID");
    EXPECT_EQ(sink.rows[1].location, second.Location() + L"\\CLSID");
    EXPECT_EQ(sink.rows[1].keyData, L"C:\\nowhere\\b.dll");
    EXPECT_EQ(totals.keysSearched, 2u);
}

TEST_F(ClassScan, ACancelEndsTheWholeScanAtItsNextCheck)
{
    RegistrySandbox other;
    ClassesPlace second{HKEY_CURRENT_USER, L"CURRENT_USER", other.SubKey() + L"\\Classes"};
    for (int i = 0; i < 650; ++i)
        Register(i, L"C:\\nowhere\\x.dll");
    other.SetString(L"Classes\\CLSID\\" + Guid(1) + L"\\InprocServer32", L"", L"C:\\nowhere\\b.dll");
    SearchTotals totals;
    Collect sink;
    zv::WorkerThread run = zv::StartWorkerThread([&](const zv::StopToken& stop) -> unsigned {
        while (!stop.StopRequested())
            Sleep(1);
        totals = RunClassScan({m_place, second}, stop, sink);
        return 0;
    });
    run.Stop();
    EXPECT_TRUE(totals.cancelled);
    EXPECT_EQ(totals.keysSearched, 1u) << "the first class is a check point";
    for (const FoundRow& row : sink.rows)
        EXPECT_EQ(row.location, m_place.Location() + L"\\CLSID") << "the second place is not scanned";
}

TEST_F(ClassScan, AMissingClassesKeyIsNoFailureButAnUnreadableOneIsCounted)
{
    RegistrySandbox other;
    ClassesPlace absent{HKEY_CURRENT_USER, L"CURRENT_USER", other.SubKey() + L"\\Classes"};
    Register(1, L"C:\\nowhere\\a.dll");
    Collect sink;
    SearchTotals totals = RunClassScan({absent, m_place}, zv::StopToken(), sink);
    EXPECT_EQ(sink.rows.size(), 1u);
    EXPECT_EQ(totals.unopened, 0u);

    other.CreateKey(L"Classes\\CLSID");
    other.DenyReading(L"Classes\\CLSID");
    totals = RunClassScan({absent, m_place}, zv::StopToken(), sink);
    EXPECT_EQ(totals.unopened, 1u);
    EXPECT_NE(SearchEndReport(totals).find(L"1 key could not be opened and was not searched."),
              std::wstring::npos);
}
