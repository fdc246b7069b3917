// The Find dialog.
#include "search/FindDlg.h"

#include "app/framework/DpiImages.h"

#include "base/SettingsStore.h"
#include "base/Strings.h"
#include "base/UserPrompts.h"
#include "app/RegistryACList.h"
#include "registry/RegistryPath.h"
#include "registry/RootKeys.h"

#include <commctrl.h>

#include "resource.h"

namespace
{
const wchar_t kSection[] = L"SearchFlags";

std::wstring AllKeysItem()
{
    return zv::LoadResString(IDS_ALL_REGISTRY_KEYS);
}

std::wstring WindowText(HWND combo)
{
    int length = ::GetWindowTextLengthW(combo);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(combo, text.data(), length + 1)));
    return text;
}
} // namespace

const wchar_t CFindDlg::kClearHistoryItem[] = L"To clear this list select this item and click OK.";

CFindDlg::CFindDlg(HWND parent)
    : CDialog(IDD_FIND, parent), TextHistory(L"String", true, false), KeyHistory(L"Location")
{
    // The start-key box is an extended combo box, whose class may not be
    // registered yet when no main window exists.
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_USEREX_CLASSES};
    InitCommonControlsEx(&classes);
    TextHistory.Load();
    KeyHistory.Load();
    if (!TextHistory.IsEmpty())
        FindText = TextHistory[0];
    if (!KeyHistory.IsEmpty())
        SearchUnder = KeyHistory[0];
    LoadFlags();
}

CFindDlg::~CFindDlg()
{
    m_completion.reset();
    if (m_images)
        ImageList_Destroy(m_images);
}

int StartKeyImage(const std::wstring& entry) noexcept
{
    // The computer, a root, or any key, in the tree's image strip.
    if (entry == AllKeysItem())
        return 7;
    if (entry.find(L'\\') == std::wstring::npos)
    {
        int root = RootIndexFromName(entry);
        if (root >= 0)
            return root;
    }
    return 5;
}

HWND CFindDlg::StartKeyEdit() const
{
    return reinterpret_cast<HWND>(::SendMessageW(GetDlgItem(IDC_FIND_UNDER), CBEM_GETEDITCONTROL, 0, 0));
}

void CFindDlg::LoadFlags()
{
    CSettingsStore& settings = Settings();
    LookAtKeys = settings.GetProfileInt(kSection, L"Key", 1) != 0;
    LookAtValueNames = settings.GetProfileInt(kSection, L"ValueName", 1) != 0;
    LookAtStrings = settings.GetProfileInt(kSection, L"String", 1) != 0;
    LookAtMultiStrings = settings.GetProfileInt(kSection, L"MultiString", 0) != 0;
    LookAtBinary = settings.GetProfileInt(kSection, L"Binary", 0) != 0;
    MatchCase = settings.GetProfileInt(kSection, L"Case sensitive", 0) != 0;
}

void CFindDlg::SaveFlags() const
{
    CSettingsStore& settings = Settings();
    settings.WriteProfileInt(kSection, L"Key", LookAtKeys ? 1 : 0);
    settings.WriteProfileInt(kSection, L"ValueName", LookAtValueNames ? 1 : 0);
    settings.WriteProfileInt(kSection, L"String", LookAtStrings ? 1 : 0);
    settings.WriteProfileInt(kSection, L"MultiString", LookAtMultiStrings ? 1 : 0);
    settings.WriteProfileInt(kSection, L"Binary", LookAtBinary ? 1 : 0);
    settings.WriteProfileInt(kSection, L"Case sensitive", MatchCase ? 1 : 0);
}

std::vector<std::wstring> StartKeyEntries(CRecentLocations& history, const std::wstring& handedIn)
{
    // Each goes to the front of the history: the last added is first there.
    for (const std::wstring& entry : {handedIn, std::wstring(L"CURRENT_CONFIG"),
                                      std::wstring(L"CLASSES_ROOT"), std::wstring(L"LOCAL_MACHINE"),
                                      std::wstring(L"USERS"), std::wstring(L"CURRENT_USER"), AllKeysItem()})
        if (!entry.empty())
            history.Add(entry);
    // The key handed in (the current key) comes first in the box, the whole
    // registry one entry below it: a search opened on a key searches there.
    std::vector<std::wstring> entries;
    if (!handedIn.empty())
        entries.push_back(handedIn);
    for (const std::wstring& entry : history.Entries())
        if (!entry.empty() && !zv::EqualsNoCase(entry, handedIn))
            entries.push_back(entry);
    return entries;
}

bool ResolveStartKey(const std::wstring& text, std::wstring& path)
{
    std::wstring parsed;
    if (ParseRegistryPath(text, parsed) && KeyExists(parsed))
    {
        path = parsed;
        return true;
    }
    return false;
}

bool CFindDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    HWND keys = GetDlgItem(IDC_FIND_UNDER);
    m_images = LoadImageStrip(IDB_TREE_IMAGES, SIZE{16, 15}, WindowDpi(m_hWnd), 1);
    ::SendMessageW(keys, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_images));
    for (const std::wstring& entry : StartKeyEntries(KeyHistory, SearchUnder))
    {
        COMBOBOXEXITEMW item = {};
        item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_INDENT;
        item.iItem = -1;
        item.pszText = const_cast<wchar_t*>(entry.c_str());
        item.iImage = item.iSelectedImage = StartKeyImage(entry);
        ::SendMessageW(keys, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    ::SendMessageW(keys, CB_SETCURSEL, 0, 0);
    if (HWND edit = StartKeyEdit())
        AttachRegistryAutoComplete(m_completion, edit);
    HWND texts = GetDlgItem(IDC_FIND_TEXT);
    bool any = false;
    for (const std::wstring& entry : TextHistory.Entries())
        if (!entry.empty())
        {
            ::SendMessageW(texts, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
            any = true;
        }
    if (any)
        ::SendMessageW(texts, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kClearHistoryItem));
    ::SetWindowTextW(texts, FindText.c_str());
    return true;
}

void CFindDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Check(dx, IDC_FIND_CASE, MatchCase);
    DDX_Check(dx, IDC_FIND_KEYS, LookAtKeys);
    DDX_Check(dx, IDC_FIND_VALUE_NAMES, LookAtValueNames);
    DDX_Check(dx, IDC_FIND_STRINGS, LookAtStrings);
    DDX_Check(dx, IDC_FIND_MULTI_STRINGS, LookAtMultiStrings);
    DDX_Check(dx, IDC_FIND_BINARY, LookAtBinary);
    if (!dx->m_bSaveAndValidate)
        return;
    FindText = WindowText(GetDlgItem(IDC_FIND_TEXT));
    HWND edit = StartKeyEdit();
    std::wstring under = WindowText(edit ? edit : GetDlgItem(IDC_FIND_UNDER));
    if (!under.empty() && !zv::EqualsNoCase(under, AllKeysItem()))
    {
        std::wstring path;
        if (ResolveStartKey(under, path))
            under = path;
        else if (AskYesNo(under +
                          L"\ndoes not represent a valid Registry Key. Would you like to search under " +
                          L"CURRENT_USER?"))
            under = L"CURRENT_USER";
        else
        {
            dx->PrepareCtrl(IDC_FIND_UNDER);
            dx->Fail();
            return;
        }
    }
    SearchUnder = under;
}

void CFindDlg::OnOK()
{
    // Enter while suggestions are shown picks one; the dialog stays.
    HWND edit = StartKeyEdit();
    if (edit && IsAutoCompleteListShown(m_completion.get(), edit))
    {
        // The dialog took the Enter meant for the list: hand it on, so the
        // chosen suggestion goes into the box, and make sure the list goes.
        ::SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
        CloseAutoCompleteList(m_completion.get(), edit);
        ::SetFocus(edit);
        return;
    }
    if (!UpdateData(true))
        return;
    if (FindText == kClearHistoryItem)
    {
        TextHistory.Entries().clear();
        TextHistory.Save();
        HWND texts = GetDlgItem(IDC_FIND_TEXT);
        ::SendMessageW(texts, CB_RESETCONTENT, 0, 0);
        ::SetWindowTextW(texts, L"");
        return;
    }
    SaveFlags();
    TextHistory.Add(FindText);
    KeyHistory.Add(SearchUnder);
    TextHistory.Save();
    KeyHistory.Save();
    if (zv::EqualsNoCase(SearchUnder, AllKeysItem()))
        SearchUnder.clear();
    m_completion.reset();
    EndDialog(IDOK);
}
