// The item list, its binary format, its text form and the paste.
#include "app/RegItemList.h"

#include "operations/ChangeJournal.h"
#include "operations/RegExport.h"
#include "operations/KeyTransfer.h"

#include "operations/ReportError.h"
#include "app/framework/OleDataSource.h"
#include "base/Strings.h"
#include "base/UserPrompts.h"
#include "base/WaitCursor.h"
#include "registry/EzReg.h"
#include "registry/RootKeys.h"

#include <ole2.h>
#include <cstring>

CLIPFORMAT ItemListFormat()
{
    static const CLIPFORMAT format = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"QuoltRegItemList"));
    return format;
}

CLIPFORMAT ShellIdListFormat()
{
    static const CLIPFORMAT format = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"Shell IDList Array"));
    return format;
}

CRegItemList::CRegItemList(IDataObject* data)
{
    ReadFrom(data, 0);
}

void CRegItemList::Add(std::wstring_view path, std::wstring_view name, DWORD kind)
{
    Paths.emplace_back(path);
    Names.emplace_back(name);
    Kinds.push_back(kind);
    ++Count;
}

void CRegItemList::AddKey(std::wstring_view parent, std::wstring_view name)
{
    Add(parent, name, 0);
}

void CRegItemList::AddKeyPath(std::wstring_view path)
{
    while (!path.empty() && path.back() == L'\\')
        path.remove_suffix(1);
    size_t slash = path.rfind(L'\\');
    if (slash == std::wstring_view::npos)
        AddKey(L"", path);
    else
        AddKey(path.substr(0, slash), path.substr(slash + 1));
}

const std::wstring& CRegItemList::FullText(int i)
{
    const std::wstring& path = Paths[static_cast<size_t>(i)];
    const std::wstring& name = Names[static_cast<size_t>(i)];
    Scratch = path;
    if (!path.empty() && !name.empty())
        Scratch += IsKeyItem(i) ? L'\\' : L'\t';
    Scratch += name;
    return Scratch;
}

std::wstring CRegItemList::Description() const
{
    if (Count == 1)
    {
        const std::wstring& path = Paths[0];
        const std::wstring& name = Names[0];
        if (!name.empty() && !path.empty())
            return zv::Format(L"\"%s\" from \"%s\"", name.c_str(), path.c_str());
        if (!name.empty())
            return zv::Format(L"\"%s\"", name.c_str());
        return zv::Format(L"default value of \"%s\"", path.c_str());
    }
    return zv::Format(L"%d Item(s)", Count);
}

namespace
{
// Text up to its first NUL, as the format stores it.
std::wstring_view UpToNul(const std::wstring& text)
{
    size_t nul = text.find(L'\0');
    return nul == std::wstring::npos ? std::wstring_view(text) : std::wstring_view(text).substr(0, nul);
}

void PutDword(std::vector<BYTE>& out, DWORD value)
{
    BYTE bytes[4];
    std::memcpy(bytes, &value, 4);
    out.insert(out.end(), bytes, bytes + 4);
}

void PutText(std::vector<BYTE>& out, std::wstring_view text)
{
    PutDword(out, static_cast<DWORD>((text.size() + 1) * 2));
    size_t at = out.size();
    out.resize(at + (text.size() + 1) * 2, 0);
    if (!text.empty())
        std::memcpy(out.data() + at, text.data(), text.size() * 2);
}

// A bounds-checked cursor over an untrusted block.
class BlockReader
{
  public:
    BlockReader(const BYTE* bytes, size_t size) : m_bytes(bytes), m_size(size) {}
    bool Dword(DWORD& value)
    {
        if (m_size - m_pos < 4)
            return false;
        std::memcpy(&value, m_bytes + m_pos, 4);
        m_pos += 4;
        return true;
    }
    bool Byte(BYTE& value)
    {
        if (m_size - m_pos < 1)
            return false;
        value = m_bytes[m_pos++];
        return true;
    }
    // A length-prefixed text: the length must fit the block; the text ends at
    // its first NUL inside that length.
    bool Text(std::wstring& text)
    {
        DWORD length;
        if (!Dword(length) || length > m_size - m_pos)
            return false;
        size_t units = length / 2;
        text.assign(units, L'\0');
        if (units)
            std::memcpy(text.data(), m_bytes + m_pos, units * 2);
        size_t nul = text.find(L'\0');
        if (nul != std::wstring::npos)
            text.resize(nul);
        m_pos += length;
        return true;
    }

  private:
    const BYTE* m_bytes;
    size_t m_size;
    size_t m_pos = 0;
};
} // namespace

std::vector<BYTE> CRegItemList::ToBytes() const
{
    std::vector<BYTE> out;
    out.reserve(ByteSize());
    PutDword(out, static_cast<DWORD>(Count));
    out.push_back(IsMove ? 1 : 0);
    for (int i = 0; i < Count; ++i)
    {
        PutDword(out, Kinds[static_cast<size_t>(i)]);
        PutText(out, UpToNul(Paths[static_cast<size_t>(i)]));
        PutText(out, UpToNul(Names[static_cast<size_t>(i)]));
    }
    return out;
}

size_t CRegItemList::ByteSize() const
{
    size_t size = 5;
    for (int i = 0; i < Count; ++i)
        size += 12 + 2 * (UpToNul(Paths[static_cast<size_t>(i)]).size() + 1) +
                2 * (UpToNul(Names[static_cast<size_t>(i)]).size() + 1);
    return size;
}

bool CRegItemList::WriteToMemory(HGLOBAL& memory) const
{
    std::vector<BYTE> bytes = ToBytes();
    if (!memory)
    {
        memory = GlobalFromBytes(bytes.data(), bytes.size());
        return memory != nullptr;
    }
    if (GlobalSize(memory) < bytes.size())
        return false;
    void* p = GlobalLock(memory);
    if (!p)
        return false;
    std::memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(memory);
    return true;
}

bool CRegItemList::ReadFromBytes(const BYTE* bytes, size_t size, int limit)
{
    if (!bytes)
        return false;
    BlockReader reader(bytes, size);
    DWORD rawCount;
    BYTE move;
    if (!reader.Dword(rawCount) || !reader.Byte(move))
        return false;
    int n = static_cast<int>(rawCount);
    if (n < 0)
        return false;
    if (limit > 0 && limit < n)
        n = limit;
    CRegItemList read;
    for (int i = 0; i < n; ++i)
    {
        DWORD kind;
        std::wstring path, name;
        if (!reader.Dword(kind) || !reader.Text(path) || !reader.Text(name))
            return false;
        read.Add(path, name, kind);
    }
    for (int i = 0; i < read.Count; ++i)
        Add(read.Paths[static_cast<size_t>(i)], read.Names[static_cast<size_t>(i)],
            read.Kinds[static_cast<size_t>(i)]);
    IsMove = move != 0;
    return true;
}

bool CRegItemList::ReadFrom(IDataObject* data, int limit)
{
    if (!OffersItemList(data))
        return false;
    zv::unique_hglobal memory(GetGlobalData(data, ItemListFormat()));
    if (!memory)
        return false;
    const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(memory.get()));
    if (!bytes)
        return false;
    bool ok = ReadFromBytes(bytes, GlobalSize(memory.get()), limit);
    GlobalUnlock(memory.get());
    return ok;
}

bool CRegItemList::ReadFromClipboard(int limit)
{
    zv::com_ptr<IDataObject> data;
    if (FAILED(OleGetClipboard(data.put())) || !data)
        return false;
    FromClipboard = true;
    return ReadFrom(data.get(), limit);
}

bool CRegItemList::OffersItemList(IDataObject* data)
{
    return IsDataAvailable(data, ItemListFormat());
}

bool CRegItemList::ClipboardHasItemList()
{
    return IsClipboardFormatAvailable(ItemListFormat()) != FALSE;
}

std::wstring CRegItemList::ClipboardText()
{
    std::wstring text;
    std::wstring lastValuePath;
    bool haveValuePath = false;
    for (int i = 0; i < Count; ++i)
    {
        const std::wstring& path = Paths[static_cast<size_t>(i)];
        if (IsKeyItem(i))
        {
            if (i > 0)
                text += L"\r\n";
            text += zv::Format(L"[HKEY_%s]", FullText(i).c_str());
            continue;
        }
        if (!haveValuePath || path != lastValuePath)
        {
            text += L"\r\n";
            text += zv::Format(L"[HKEY_%s]", path.c_str());
            lastValuePath = path;
            haveValuePath = true;
        }
        CEzReg reader(path);
        if (reader.QueryValue(Names[static_cast<size_t>(i)].c_str()))
        {
            text += L"\r\n";
            text += ValueLine(reader);
        }
    }
    return text;
}

bool CRegItemList::CopyToClipboard()
{
    HGLOBAL list = nullptr;
    if (!WriteToMemory(list))
        return false;
    zv::com_ptr<COleDataSource> source = zv::MakeCom<COleDataSource>();
    source->CacheGlobalData(ItemListFormat(), list);
    std::wstring text = ClipboardText();
    source->CacheGlobalData(CF_UNICODETEXT,
                            GlobalFromBytes(text.c_str(), (text.size() + 1) * sizeof(wchar_t)));
    return source->SetClipboard();
}

bool CRegItemList::CanPaste(std::wstring_view destination, std::wstring& message)
{
    CEzReg target(destination);
    for (int i = 0; i < Count; ++i)
    {
        const std::wstring& path = Paths[static_cast<size_t>(i)];
        if (IsMove && zv::EqualsNoCase(path, destination))
        {
            message = L"The source and destination keys are the same.";
            return false;
        }
        if (!IsKeyItem(i))
            continue;
        std::wstring full = FullText(i);
        if (IsRootName(full))
        {
            message = full + L" can not be moved.";
            return false;
        }
        if (IsMove && zv::EqualsNoCase(full, destination))
        {
            message = L"The source and destination keys are the same.";
            return false;
        }
        if (!CheckCopyTarget(target, full, message))
            return false;
    }
    if (Count == 0)
    {
        message.clear();
        return false;
    }
    return true;
}

bool CRegItemList::Paste(std::wstring_view destination)
{
    CWaitCursor wait;
    CEzReg target(destination);
    // After a cut and paste the clipboard holds a copy list of the items at
    // their new places (under the names they got), so a second paste copies
    // rather than moves; items the user declined stay cut where they were.
    CRegItemList pasted, declined;
    declined.SetMove(true);
    bool repost = IsMove && FromClipboard;
    int succeeded = 0;
    LastPasteError = 0;
    for (int i = 0; i < Count; ++i)
    {
        const std::wstring path = Paths[static_cast<size_t>(i)];
        const std::wstring name = Names[static_cast<size_t>(i)];
        const DWORD kind = Kinds[static_cast<size_t>(i)];
        std::wstring used;
        PasteOutcome outcome = IsKeyItem(i) ? PasteKeyAs(target, FullText(i), IsMove, used)
                                            : PasteValueAs(target, path, name, IsMove, used);
        switch (outcome)
        {
        case PasteOutcome::Done:
            ++succeeded;
            if (IsKeyItem(i))
                pasted.AddKey(destination, used);
            else
                pasted.Add(destination, used, kind);
            break;
        case PasteOutcome::Declined:
            declined.Add(path, name, kind);
            break;
        case PasteOutcome::Failed:
            LastPasteError = target.LastError ? target.LastError : ERROR_ACCESS_DENIED;
            if (Count == 1)
                repost = false;
            else
                pasted.Add(path, name, kind); // still where it was
            break;
        }
    }
    if (repost && declined.Count > 0)
        declined.CopyToClipboard();
    else if (repost && succeeded > 0)
        pasted.CopyToClipboard();
    return succeeded > 0;
}

void RecordItems(CRegItemList& list, JournalRecorder& record)
{
    for (int i = 0; i < list.GetCount(); ++i)
    {
        if (list.IsKeyItem(i))
        {
            // A key a delete or move refuses is not read (it may be a whole root's tree).
            if (!IsProtectedKey(list.FullText(i)))
                record.AddTree(list.FullText(i));
        }
        else
            record.AddValue(list.Paths[static_cast<size_t>(i)], list.Names[static_cast<size_t>(i)], true);
    }
}

bool TransferItems(CRegItemList& list, std::wstring_view target, bool move, bool confirm)
{
    list.SetMove(move);
    std::wstring message;
    if (!list.CanPaste(target, message))
    {
        if (!message.empty())
            AfxMessageBox(message, MB_OK);
        return false;
    }
    if (confirm)
    {
        std::wstring question = zv::Format(L"%s %s\n\nto\n\n\"%s\"?", move ? L"Move" : L"Copy",
                                           list.Description().c_str(), std::wstring(target).c_str());
        if (!AskYesNo(question))
            return false;
    }
    if (!list.Paste(target))
    {
        ReportWriteFailure(static_cast<DWORD>(list.LastPasteError), std::wstring(target));
        return false;
    }
    return true;
}
