// CRegReader: a cursor over one registry key that enumerates its sub-keys and
// values and holds the current value's name, type and data; CEzReg (EzReg.h)
// adds path-based opening and the queries and edits the panes use.
#pragma once

#include <windows.h>
#include <memory>
#include <string>

// Registry limits: key names are at most 255 characters, value names 16,383.
constexpr DWORD kSubKeyNameChars = 260;
constexpr DWORD kInlineValueNameChars = 512;
constexpr DWORD kMaxValueNameChars = 16384;
constexpr DWORD kInlineDataBytes = 260;

class CRegReader
{
  public:
    // A reader for subKeyPath below base; with no sub-key path it stands for
    // base itself, which it then never closes.
    CRegReader(HKEY base, const wchar_t* subKeyPath) noexcept;
    // A reader for the parent's current sub-key (its SubKeyName); use it before
    // the parent moves on.
    explicit CRegReader(CRegReader* parent) noexcept;
    virtual ~CRegReader();
    CRegReader(const CRegReader&) = delete;
    CRegReader& operator=(const CRegReader&) = delete;

    // Opens for reading values and sub-keys (when not open yet) and restarts both enumerations.
    bool OpenForEnum();
    bool NextSubKey();
    bool NextValue();
    std::wstring FullPath() const;
    // Display text of the current value's data, cached until the next value is read.
    const std::wstring& DataText();

    CRegReader* Parent = nullptr;
    LONG LastError = 0;
    // Result of the last sub-key or value enumeration step: ERROR_NO_MORE_ITEMS
    // at a normal end, anything else when an entry could not be read.
    LONG LastEnumResult = ERROR_SUCCESS;
    const wchar_t* FullPathText = nullptr;
    const wchar_t* SubKeyPath = nullptr;
    DWORD SubKeyIndex = 0;
    DWORD ValueIndex = 0;
    std::wstring Text;
    wchar_t SubKeyName[kSubKeyNameChars] = {};
    // Points at the inline buffer, or at a heap buffer of the registry's full
    // name length once a longer name was met.
    wchar_t* ValueName = InlineValueName;
    DWORD ValueNameCapacity = kInlineValueNameChars;
    DWORD ValueType = 0;
    DWORD DataCapacity = kInlineDataBytes;
    DWORD DataSize = 0;
    BYTE* Data = InlineData;
    HKEY BaseKey = nullptr;
    HKEY Key = nullptr;

  protected:
    // Grows the data buffer to DataSize + 4 bytes after ERROR_MORE_DATA.
    bool GrowData() noexcept;
    bool GrowValueName() noexcept;
    // Handles an ERROR_MORE_DATA answer that reported `needed` data bytes:
    // grows whichever buffer was short. False when nothing can grow.
    bool GrowAfterMoreData(DWORD needed) noexcept;
    void CloseOwnedKey() noexcept;

    wchar_t InlineValueName[kInlineValueNameChars] = {};
    BYTE InlineData[kInlineDataBytes] = {};
    std::unique_ptr<BYTE[]> HeapData;
    std::unique_ptr<wchar_t[]> HeapValueName;
    // True when BaseKey is an intermediate handle left by a segmented open.
    bool OwnsBaseKey = false;
};
