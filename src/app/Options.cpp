// Option accessors over the settings store.
#include "app/Options.h"

#include "base/SettingsStore.h"
#include "registry/NumberFormat.h"

void LoadNumberFormat()
{
    SetNumberFormatIndex(static_cast<int>(Settings().GetProfileInt(L"Numbers", L"Format", 0)));
}

void SetNumberFormat(int index)
{
    int format = static_cast<short>(index & 0xFFFF);
    SetNumberFormatIndex(format);
    Settings().WriteProfileInt(L"Numbers", L"Format", format);
}

bool GetRestoreLastKey()
{
    return Settings().GetProfileInt(L"Options", L"RestoreLastKey", 1) != 0;
}

void SetRestoreLastKey(bool restore)
{
    Settings().WriteProfileInt(L"Options", L"RestoreLastKey", restore ? 1 : 0);
}

bool GetUseAutoAppend()
{
    return Settings().GetProfileInt(L"Options", L"UseAutoAppendForValueData", 1) != 0;
}

bool GetUseAutoSuggest()
{
    return Settings().GetProfileInt(L"Options", L"UseAutoSuggestForValueData", 1) != 0;
}
