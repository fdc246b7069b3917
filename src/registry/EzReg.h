// CEzReg: a key reader built from a registry path (or a parent handle and a
// name) that opens its key with just the rights each operation needs.
#pragma once

#include "base/WorkerThread.h"
#include "registry/RegReader.h"

#include <functional>
#include <string>
#include <string_view>

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

    std::wstring Path;
    REGSAM OpenAccess = 0;
    // Options of the key's own open: REG_OPTION_OPEN_LINK opens a link as
    // itself instead of the key it stands for.
    DWORD OpenOptions = 0;

    // Runs after each key DeleteTree (operations/KeyTransfer.h) removes, so
    // that a long delete shows progress.
    std::function<void()>* OnKeyDeleted = nullptr;

  private:
    bool OpenWith(REGSAM access);
    bool OpenInSegments(REGSAM access);

    // Storage for SubKeyPath when it does not point into Path.
    std::wstring OwnedSubKeyPath;
};
