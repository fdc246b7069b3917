// The user options, kept in the settings store: the numeric format (also held
// in memory, see registry/NumberFormat.h), "go to last selected key", and the
// two auto-complete behaviours of the value editors.
#pragma once

class COptions
{
  public:
    virtual ~COptions() = default;
};

// Reads "Numbers"/"Format" (default 0) into the in-memory format.
void LoadNumberFormat();
// Keeps the low 16 bits of index (as a signed number), applies and stores it.
void SetNumberFormat(int index);
bool GetRestoreLastKey();
void SetRestoreLastKey(bool restore);
bool GetUseAutoAppend();
bool GetUseAutoSuggest();
