// CEzReg: a key reader built from a registry path (or a parent handle and a
// name) that opens its key with just the rights each operation needs.
#pragma once

#include "base/WorkerThread.h"
#include "registry/RegReader.h"

#include <functional>
#include <string>
#include <string_view>

struct SecurityCarry;

class CEzReg : public CRegReader
{
  public:
    // From a registry path: root short name, a separator, the sub-key path.
    explicit CEzReg(std::wstring_view path);
    // From an open handle and a sub-key path below it (copied).
    CEzReg(HKEY base, std::wstring_view subKeyPath);
    ~CEzReg() override;

    // Opens the key with access (plus the 64-bit view); reopens only when a
    // right is missing. Paths over 260 characters open in segments.
    bool Open(REGSAM access);
    void Close();
    bool IsComputer() const noexcept;

    bool FirstValue();
    bool FirstSubKey();
    // At the computer level yields the five root names.
    bool NextSubKey();
    bool QueryValue(const wchar_t* name);
    // As QueryValue, with ValueName spelled as the key stores it: the name
    // asked may differ in case from the stored one.
    bool QueryValueAsStored(const wchar_t* name);
    bool HasSubKey(std::wstring_view name);
    DWORD SubKeyCount();
    bool HasSubKeys() { return SubKeyCount() > 0; }
    bool HasValues();
    std::wstring ClassName();
    FILETIME LastWriteTime();
    std::wstring KeyName() const;
    bool CreateKey();
    bool DeleteValue(const wchar_t* name);
    // Writes a value given in its text form (see ValueText.h); a number text
    // that ValueTextProblem refuses is not written (LastError ERROR_INVALID_DATA).
    bool SetValueText(const wchar_t* name, std::wstring_view text, DWORD type);

    // Adds every key below this one to count, depth-first. After each sub-key
    // and its whole sub-tree, when count is a multiple of kCountReportEvery,
    // progress(count, that sub-key's name) runs; false from it ends this
    // key's loop (an enclosing level notices at its own next check point).
    // A stop request ends the whole walk.
    static constexpr DWORD kCountReportEvery = 4321;
    using CountProgress = std::function<bool(DWORD count, const wchar_t* name)>;
    DWORD CountSubKeys(DWORD& count, const CountProgress& progress, const zv::StopToken& stop = {});

    std::wstring Path;
    REGSAM OpenAccess = 0;
    // Options of the key's own open: REG_OPTION_OPEN_LINK opens a link as
    // itself instead of the key it stands for.
    DWORD OpenOptions = 0;

    // --- Key and value transfer (operations/KeyTransfer.cpp) ---
    // Deletes this key with its whole sub-tree.
    bool DeleteTree();
    bool DeleteSubkeys();
    // Runs after each key DeleteTree removes (a long delete shows progress).
    std::function<void()>* OnKeyDeleted = nullptr;
    // Creates base, "base 01" ... "base 99", the first that is new.
    bool CreateUniqueSubkey(std::wstring_view baseName, std::wstring& created);
    // Whether this key may receive a copy of sourcePath (guards against
    // copying a tree into itself, also through aliased roots).
    bool CheckCopyTarget(std::wstring_view sourcePath, std::wstring& error);
    // A paste of one item: done under usedName (".2", ".copy" when the name
    // was taken), declined by the user, or failed.
    enum class PasteOutcome
    {
        Done,
        Declined,
        Failed,
    };
    PasteOutcome PasteKeyAs(std::wstring_view sourcePath, bool move, std::wstring& usedName);
    PasteOutcome PasteValueAs(std::wstring_view sourceKeyPath, std::wstring_view valueName, bool move,
                              std::wstring& usedName);
    // The same, true unless the paste failed (a declined paste changes nothing).
    bool PasteKey(std::wstring_view sourcePath, bool move);
    bool PasteValue(std::wstring_view sourceKeyPath, std::wstring_view valueName, bool move);
    // Copies this key's tree as destinationParent\newName, byte for byte;
    // with carry, every key's owner and own access entries too (a rename or
    // move), noting there the keys whose permissions stayed behind.
    bool CopyTreeTo(HKEY destinationParent, std::wstring_view newName, SecurityCarry* carry = nullptr);
    // keyName, or keyName.2, keyName.3 ... whichever is free below this key.
    std::wstring UniqueSubkeyName(std::wstring_view keyName);
    bool RenameSubkey(std::wstring_view oldName, std::wstring_view newName);
    bool RenameValue(std::wstring_view oldName, std::wstring_view newName);
    bool FindSubkeyInTree(std::wstring_view name);

  private:
    bool OpenWith(REGSAM access);
    bool OpenInSegments(REGSAM access);

    // Storage for SubKeyPath when it does not point into Path.
    std::wstring OwnedSubKeyPath;
};
