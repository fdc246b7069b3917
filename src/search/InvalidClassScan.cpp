// The invalid class finder's walk over the class registrations and its file
// tests.
#include "search/InvalidClassScan.h"

#include "base/Handles.h"
#include "base/Strings.h"
#include "registry/ValueText.h"

#include <shlwapi.h>

namespace
{
// The cancel check, the progress text and a short rest come every this many
// classes, the first one included.
constexpr DWORD kCheckEvery = 300;
constexpr size_t kBatchRows = 256;
constexpr DWORD kBatchMs = 100;
// The expanded form of a server text gets this many characters at most.
constexpr DWORD kExpandLimit = 512;

constexpr REGSAM kView = KEY_WOW64_64KEY;

// A key opened below a parent without following a link at its end.
class ScopedKey
{
  public:
    LONG Open(HKEY parent, const std::wstring& sub, REGSAM access)
    {
        return RegOpenKeyExW(parent, sub.c_str(), REG_OPTION_OPEN_LINK, access | kView, m_key.put());
    }
    HKEY get() const noexcept { return m_key.get(); }

  private:
    zv::unique_hkey m_key;
};

// The default value's data text; false when there is none or it cannot be
// read. With stringsOnly, only a string value counts.
bool ReadDefaultText(HKEY key, std::wstring& text, bool stringsOnly)
{
    std::vector<BYTE> data(512);
    for (int attempt = 0; attempt < 4; ++attempt)
    {
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        LONG result = RegQueryValueExW(key, L"", nullptr, &type, data.data(), &size);
        if (result == ERROR_MORE_DATA)
        {
            data.resize(size + 16);
            continue;
        }
        if (result != ERROR_SUCCESS)
            return false;
        if (stringsOnly && type != REG_SZ && type != REG_EXPAND_SZ)
            return false;
        text = ValueDataText(type, size ? data.data() : nullptr, size);
        return true;
    }
    return false;
}

bool Exists(const std::wstring& path)
{
    if (path.empty())
        return false;
    if (path.find_first_of(L"*?") != std::wstring::npos)
    {
        WIN32_FIND_DATAW found;
        zv::unique_hfind search(
            FindFirstFileExW(path.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
        return static_cast<bool>(search);
    }
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsBracedGuid(const std::wstring& text)
{
    if (text.size() != 38 || text.front() != L'{' || text.back() != L'}')
        return false;
    for (size_t i = 1; i < 37; ++i)
    {
        bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? text[i] != L'-' : !iswxdigit(text[i]))
            return false;
    }
    return true;
}

// A related name must name one key: a whole tree (empty name) or a path is
// never offered for deletion.
bool IsSingleKeyName(const std::wstring& text)
{
    return !text.empty() && text.size() <= 255 && text.find(L'\\') == std::wstring::npos;
}

// Whether the class below the open CLSID key is invalid (see IsInvalidClass).
bool IsInvalidClassIn(HKEY clsid, const std::wstring& name, std::wstring& serverText)
{
    ScopedKey registration;
    if (registration.Open(clsid, name, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return false;
    ScopedKey server;
    if (server.Open(registration.get(), L"InprocServer32", KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return false;
    std::wstring text;
    if (!ReadDefaultText(server.get(), text, false))
        return false;
    if (ServerFileFound(text))
        return false;
    serverText = std::move(text);
    return true;
}

class RowBatch
{
  public:
    explicit RowBatch(ISearchSink& sink) : m_sink(sink), m_start(GetTickCount()) {}
    void Add(FoundRow&& row, SearchTotals& totals)
    {
        if (++totals.matches > kMaxSearchRows)
            return;
        m_rows.push_back(std::move(row));
        if (m_rows.size() >= kBatchRows || GetTickCount() - m_start >= kBatchMs)
            Flush();
    }
    void Flush()
    {
        if (!m_rows.empty())
            m_sink.Rows(std::move(m_rows));
        m_rows.clear();
        m_start = GetTickCount();
    }

  private:
    ISearchSink& m_sink;
    std::vector<FoundRow> m_rows;
    DWORD m_start;
};

// Scans one place; false when stopped.
bool ScanPlace(const ClassesPlace& place, const zv::StopToken& stop, ISearchSink& sink, RowBatch& batch,
               SearchTotals& totals)
{
    ScopedKey clsid;
    LONG opened = clsid.Open(place.root, place.classesPath + L"\\CLSID", KEY_ENUMERATE_SUB_KEYS);
    if (opened != ERROR_SUCCESS)
    {
        // No classes key of this root's own is normal; any other failure
        // leaves a part unscanned, which the end report says.
        if (opened != ERROR_FILE_NOT_FOUND)
            ++totals.unopened;
        return true;
    }
    std::wstring location = place.Location() + L"\\CLSID";
    wchar_t child[256];
    for (DWORD index = 0;; ++index)
    {
        DWORD length = static_cast<DWORD>(std::size(child));
        LONG result = RegEnumKeyExW(clsid.get(), index, child, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_MORE_DATA)
            continue; // one unreadable name; the next may be fine
        if (result != ERROR_SUCCESS)
            break; // the end, or a key that cannot be listed at all
        std::wstring name(child, length);
        std::wstring serverText;
        if (IsInvalidClassIn(clsid.get(), name, serverText))
        {
            FoundRow row;
            row.isKey = true;
            row.name = name;
            row.location = location;
            row.keyData = std::move(serverText);
            batch.Add(std::move(row), totals);
            for (FoundRow& related : RelatedRows(place, name))
                batch.Add(std::move(related), totals);
        }
        DWORD n = totals.keysSearched++;
        if (n % kCheckEvery == 0)
        {
            batch.Flush();
            if (stop.StopRequested())
            {
                totals.cancelled = true;
                return false;
            }
            sink.Progress(name);
            Sleep(1);
        }
    }
    return true;
}
} // namespace

std::vector<ClassesPlace> UserAndMachineClasses()
{
    return {{HKEY_CURRENT_USER, L"CURRENT_USER"}, {HKEY_LOCAL_MACHINE, L"LOCAL_MACHINE"}};
}

bool FileExists(std::wstring_view text, bool expand)
{
    // A data text ends at its first NUL for the file system.
    std::wstring plain(text.substr(0, text.find(L'\0')));
    if (Exists(plain))
        return true;
    std::wstring expanded = plain;
    if (expand)
    {
        wchar_t buffer[kExpandLimit];
        DWORD needed = ExpandEnvironmentStringsW(plain.c_str(), buffer, kExpandLimit);
        if (needed != 0 && needed <= kExpandLimit)
        {
            expanded = buffer;
            if (expanded != plain && Exists(expanded))
                return true;
        }
    }
    if (!expanded.empty() && expanded.front() == L'"')
    {
        // The part in quotes; without a closing quote, all after the opening.
        size_t close = expanded.find(L'"', 1);
        std::wstring quoted =
            expanded.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
        return Exists(quoted);
    }
    return false;
}

bool FindOnSearchPath(std::wstring_view text)
{
    std::wstring plain(text.substr(0, text.find(L'\0')));
    if (plain.empty())
        return false;
    wchar_t buffer[MAX_PATH] = {};
    plain.copy(buffer, MAX_PATH - 1);
    return PathFindOnPathW(buffer, nullptr) != FALSE;
}

bool ServerFileFound(std::wstring_view text)
{
    // A 32-bit process sees SysWOW64 where a registration says System32; the
    // registration means the real folder. Only this thread is affected.
    BOOL wow64 = FALSE;
    PVOID previous = nullptr;
    bool redirectionOff =
        IsWow64Process(GetCurrentProcess(), &wow64) && wow64 && Wow64DisableWow64FsRedirection(&previous);
    bool found = FileExists(text, true) || FindOnSearchPath(text);
    if (redirectionOff)
        Wow64RevertWow64FsRedirection(previous);
    return found;
}

bool IsInvalidClass(const ClassesPlace& place, const std::wstring& name, std::wstring& serverText)
{
    ScopedKey clsid;
    if (clsid.Open(place.root, place.classesPath + L"\\CLSID", KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return false;
    return IsInvalidClassIn(clsid.get(), name, serverText);
}

std::vector<FoundRow> RelatedRows(const ClassesPlace& place, const std::wstring& name)
{
    std::vector<FoundRow> rows;
    ScopedKey classes;
    if (classes.Open(place.root, place.classesPath, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return rows;
    ScopedKey registration;
    if (registration.Open(classes.get(), L"CLSID\\" + name, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return rows;

    auto relatedName = [&](const wchar_t* sub, std::wstring& value) {
        ScopedKey key;
        return key.Open(registration.get(), sub, KEY_QUERY_VALUE) == ERROR_SUCCESS &&
               ReadDefaultText(key.get(), value, true);
    };
    auto addRow = [&](const std::wstring& value, const std::wstring& location) {
        FoundRow row;
        row.isKey = true;
        row.name = value;
        row.location = location;
        row.keyData = name;
        rows.push_back(std::move(row));
    };

    std::wstring progId;
    if (relatedName(L"ProgID", progId) && IsSingleKeyName(progId))
    {
        ScopedKey key;
        if (key.Open(classes.get(), progId, KEY_QUERY_VALUE) == ERROR_SUCCESS)
        {
            // A program identifier that now names another class belongs to
            // that class, which may well work: it is not offered.
            ScopedKey owner;
            std::wstring ownerClass;
            bool other = owner.Open(key.get(), L"CLSID", KEY_QUERY_VALUE) == ERROR_SUCCESS &&
                         ReadDefaultText(owner.get(), ownerClass, true) &&
                         !zv::EqualsNoCase(ownerClass, name);
            if (!other)
                addRow(progId, place.Location());
        }
    }
    std::wstring typeLib;
    if (relatedName(L"TypeLib", typeLib) && IsBracedGuid(typeLib))
    {
        ScopedKey key;
        if (key.Open(classes.get(), L"TypeLib\\" + typeLib, READ_CONTROL) == ERROR_SUCCESS)
            addRow(typeLib, place.Location() + L"\\TypeLib");
    }
    return rows;
}

SearchTotals RunClassScan(const std::vector<ClassesPlace>& places, const zv::StopToken& stop,
                          ISearchSink& sink)
{
    DWORD start = GetTickCount();
    SearchTotals totals;
    RowBatch batch(sink);
    for (const ClassesPlace& place : places)
        if (!ScanPlace(place, stop, sink, batch, totals))
            break; // a cancel ends the whole scan
    batch.Flush();
    totals.elapsedMs = GetTickCount() - start;
    return totals;
}
