// CRegItemList: keys and values (key path, name, kind) with a move flag, the
// unit of every clipboard, drag-and-drop and paste operation, and its
// "QuoltRegItemList" clipboard format.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <string>
#include <string_view>
#include <vector>

// Registered clipboard formats (registered on first use).
CLIPFORMAT ItemListFormat();    // "QuoltRegItemList"
CLIPFORMAT ShellIdListFormat(); // "Shell IDList Array"

class CRegItemList
{
  public:
    CRegItemList() = default;
    // Reads the list from a dropped data object (no limit).
    explicit CRegItemList(IDataObject* data);
    virtual ~CRegItemList() = default;

    void Add(std::wstring_view path, std::wstring_view name, DWORD kind);
    void AddKey(std::wstring_view parent, std::wstring_view name);
    // Splits a key path at its last backslash into parent and name.
    void AddKeyPath(std::wstring_view path);

    int GetCount() const noexcept { return Count; }
    const std::wstring& FullText(int i);
    bool IsKeyItem(int i) const { return Kinds[static_cast<size_t>(i)] == 0; }
    std::wstring Description() const;
    void SetMove(bool move) noexcept { IsMove = move; }

    // The binary format, into memory (null: new memory of the exact size).
    size_t ByteSize() const;
    bool WriteToMemory(HGLOBAL& memory) const;
    std::vector<BYTE> ToBytes() const;
    // Appends the items of a block in the format (at most limit, 0 = all);
    // reads strictly within size: a count or record that runs past the end
    // fails the read and appends nothing.
    bool ReadFromBytes(const BYTE* bytes, size_t size, int limit = 0);
    bool ReadFrom(IDataObject* data, int limit = 0);
    bool ReadFromClipboard(int limit = 0);
    static bool ClipboardHasItemList();
    static bool OffersItemList(IDataObject* data);

    // Registry-script text of the items (key headers, value lines).
    std::wstring ClipboardText();
    bool CopyToClipboard();

    // The paste pre-check and the paste into destination.
    bool CanPaste(std::wstring_view destination, std::wstring& message);
    bool Paste(std::wstring_view destination);
    // The error of the last item a Paste could not paste (0: none failed).
    LONG LastPasteError = 0;

    int Count = 0;
    std::vector<std::wstring> Paths;
    std::vector<std::wstring> Names;
    std::vector<DWORD> Kinds;
    std::wstring Scratch;
    bool IsMove = false;
    bool FromClipboard = false;
};

class JournalRecorder;
// Reads the items for undo: each key with its tree, each value.
void RecordItems(CRegItemList& list, JournalRecorder& record);

// The confirmed copy or move of items into target: the pre-check, the
// question (when confirm), the paste and the failure advice.
bool TransferItems(CRegItemList& list, std::wstring_view target, bool move, bool confirm);
