// Go To dialog.
#include "app/GotoDlg.h"

#include "base/Strings.h"

#include "resource.h"

namespace
{
std::wstring ClipboardText()
{
    std::wstring text;
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(nullptr))
        return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT))
    {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data)))
        {
            // Bounded by the block: clipboard text from another program may lack its NUL.
            size_t limit = GlobalSize(data) / sizeof(wchar_t);
            size_t length = 0;
            while (length < limit && chars[length])
                ++length;
            text.assign(chars, length);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}
} // namespace

std::wstring RegistryPathInText(const std::wstring& text)
{
    static const wchar_t* const kWords[] = {L"HKEY_",    L"HKLM", L"HKCR",          L"HKCC",
                                            L"HKCU",     L"HKU",  L"LOCAL_MACHINE", L"CLASSES_ROOT",
                                            L"CURRENT_", L"USERS"};
    std::wstring upper = zv::ToUpper(text);
    size_t best = std::wstring::npos;
    for (const wchar_t* word : kWords)
    {
        size_t at = upper.find(word);
        if (at == 0)
        {
            best = 0;
            break;
        }
        if (at < best)
            best = at;
    }
    if (best == std::wstring::npos)
        return {};
    std::wstring result;
    for (size_t i = best; i < text.size(); ++i)
        if (text[i] >= 32 && text[i] != 127)
            result += text[i];
    return result;
}

CGotoDlg::CGotoDlg() : CDialog(IDD_GOTO), Locations(L"GoTo")
{
    EnteredText = RegistryPathInText(ClipboardText());
    Locations.Load();
    if (EnteredText.empty() && !Locations.IsEmpty())
        EnteredText = Locations[0];
}

bool CGotoDlg::OnInitDialog()
{
    HWND combo = GetDlgItem(IDC_GOTO_PATH);
    for (const std::wstring& entry : Locations.Entries())
        if (!entry.empty())
            ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    ::SetWindowTextW(combo, EnteredText.c_str());
    return CDialog::OnInitDialog();
}

void CGotoDlg::OnOK()
{
    HWND combo = GetDlgItem(IDC_GOTO_PATH);
    int length = ::GetWindowTextLengthW(combo);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(combo, text.data(), length + 1)));
    EnteredText = text;
    if (!text.empty())
    {
        Locations.Add(text);
        Locations.Save();
    }
    EndDialog(IDOK);
}
