// CKeyProperties: the General page of the "Key Properties" sheet. It shows
// which key it describes, how many keys lie below it (counted on a thread the
// page owns, the number growing as the count goes), how many values it holds
// and their size, the key's class name and when the key was last written.
#pragma once

#include "app/framework/Dialog.h"
#include "base/WorkerThread.h"

#include <string>

class CKeyProperties : public CPropertyPage
{
  public:
    // The message the count sends with the number counted so far.
    static constexpr UINT kCountMessage = WM_USER + 22;

    CKeyProperties();
    ~CKeyProperties() override;

    bool OnInitDialog() override;
    // Whether the count's thread is still running (tests wait for its end).
    bool IsCounting() const;

    std::wstring PageKeyPath;
    std::wstring CountFormat;

  protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    zv::WorkerThread m_count;
    bool m_closing = false;
};

// Shows the sheet "Key Properties" for path, modally, owned by parent.
void ShowKeyProperties(HWND parent, const std::wstring& path);

// The page's texts, for the key at path: "Class name is ..." ("empty" when the
// key has none) and "Last modification time is ..." in local time.
std::wstring KeyClassText(const std::wstring& path);
// "3 values, 1204 bytes of data" for the key's own values ("No values");
// a key that cannot be read says so.
std::wstring KeyValuesText(const std::wstring& path);
std::wstring LastWriteText(const FILETIME& written);
