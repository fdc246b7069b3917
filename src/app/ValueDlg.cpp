// The Edit Value dialog.
#include "app/ValueDlg.h"

#include "app/Hints.h"
#include "app/Options.h"
#include "app/framework/Document.h"
#include "base/UserPrompts.h"
#include "app/RegistryACList.h"
#include "registry/NumberFormat.h"
#include "registry/ValueText.h"
#include "app/HexEditCtrl.h"
#include "app/ValueConversions.h"

#include "resource.h"

#include <commctrl.h>

namespace
{
// The type radio buttons in the order of the dialog's type list.
constexpr int kTypeButtons[kDialogTypeCount] = {IDC_TYPE_SZ,     IDC_TYPE_DWORD, IDC_TYPE_QWORD,
                                                IDC_TYPE_BINARY, IDC_TYPE_MULTI, IDC_TYPE_EXPAND,
                                                IDC_TYPE_NONE};
} // namespace

CValueDlg::CValueDlg(HWND parent, CDocument* document)
    : CDialog(IDD_VALUE, parent), Hex(NumberFormatIndex() > 0 ? 1 : 0), m_document(document)
{
    HexEditCtrl::Register();
}

void CValueDlg::SetType(DWORD type)
{
    TypeIndex = DialogTypeIndex(type);
    if (type == REG_EXPAND_SZ)
        Info = ExpandsToLine(EditData);
}

void CValueDlg::SetOriginal(const std::wstring& text, DWORD type)
{
    m_hasOriginal = true;
    m_originalText = text;
    m_originalType = type;
}

DWORD CValueDlg::GetType() const
{
    return TypeIndex >= 0 && TypeIndex < kDialogTypeCount ? kDialogTypes[TypeIndex] : REG_NONE;
}

std::wstring CValueDlg::ControlText(int id) const
{
    HWND control = ::GetDlgItem(m_hWnd, id);
    int length = ::GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(control, text.data(), length + 1)));
    return text;
}

void CValueDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_VALUE_KEY, KeyPath);
    DDX_Text(dx, IDC_VALUE_NAME, EditName);
    DDX_Text(dx, IDC_VALUE_DATA, EditData);
    DDX_Text(dx, IDC_VALUE_MULTI, MultiText);
    DDX_Text(dx, IDC_VALUE_INFO, Info);
    DDX_Check(dx, IDC_ALWAYS_FORMAT, AlwaysUseFormat);
    if (dx->m_bSaveAndValidate)
    {
        for (int i = 0; i < kDialogTypeCount; ++i)
            if (::IsDlgButtonChecked(m_hWnd, kTypeButtons[i]) == BST_CHECKED)
                TypeIndex = i;
        Hex = ::IsDlgButtonChecked(m_hWnd, IDC_HEXADECIMAL) == BST_CHECKED ? 1 : 0;
    }
    else
    {
        ::CheckRadioButton(m_hWnd, IDC_DECIMAL, IDC_HEXADECIMAL, Hex ? IDC_HEXADECIMAL : IDC_DECIMAL);
    }
}

bool CValueDlg::OnInitDialog()
{
    MultiText = EditData;
    CDialog::OnInitDialog();
    HWND spin = ::GetDlgItem(m_hWnd, IDC_VALUE_SPIN);
    // Only the direction of a click counts: the position is never read, and
    // the control never sets the text itself (it would read "0x..." wrong).
    ::SendMessageW(spin, UDM_SETRANGE32, 0, 1);
    ::SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(::GetDlgItem(m_hWnd, IDC_VALUE_DATA)), 0);
    if (IsNewValue)
        ::SetWindowTextW(m_hWnd, L"New Value");
    SwitchType(GetType(), false);
    AttachFileSystemAutoComplete(::GetDlgItem(m_hWnd, IDC_VALUE_DATA));
    FocusFirstField();
    return false; // the focus is set
}

void CValueDlg::FocusFirstField()
{
    int id = IsNewValue                  ? IDC_VALUE_NAME
             : GetType() == REG_MULTI_SZ ? IDC_VALUE_MULTI
             : ShowsHexEditor()          ? IDC_VALUE_HEX
                                         : IDC_VALUE_DATA;
    HWND field = ::GetDlgItem(m_hWnd, id);
    ::SetFocus(field);
    ::SendMessageW(field, EM_SETSEL, 0, -1);
}

void CValueDlg::ShowInfo(bool show)
{
    HWND info = ::GetDlgItem(m_hWnd, IDC_VALUE_INFO);
    ::SetWindowTextW(info, Info.c_str());
    ::ShowWindow(info, show ? SW_SHOW : SW_HIDE);
}

bool CValueDlg::SwitchType(DWORD type, bool ask)
{
    DWORD old = GetType();
    EditData = ControlText(IDC_VALUE_DATA);
    DataTexts texts{EditData, ControlText(IDC_VALUE_MULTI)};
    if (ask && old != type)
        if (std::optional<std::wstring> loss = TypeChangeLoss(old, type, texts))
            if (!AskYesNo(*loss + L"\n\nChange the type anyway?"))
            {
                // The old type stays, with its data as it was.
                ::CheckRadioButton(m_hWnd, IDC_TYPE_SZ, IDC_TYPE_NONE, kTypeButtons[DialogTypeIndex(old)]);
                return false;
            }
    m_switching = true;
    SetType(type);
    texts = ConvertForType(old, type, texts);
    EditData = texts.single;
    MultiText = texts.multi;
    ::SetDlgItemTextW(m_hWnd, IDC_VALUE_DATA, EditData.c_str());
    ::SetDlgItemTextW(m_hWnd, IDC_VALUE_MULTI, MultiText.c_str());
    if (type == REG_BINARY || type == REG_NONE)
    {
        std::optional<std::wstring> reading = DateTimeReading(EditData);
        Info = reading ? *reading : std::wstring();
        ShowInfo(reading.has_value());
    }
    else
        ShowInfo(type == REG_EXPAND_SZ);
    bool multi = type == REG_MULTI_SZ;
    bool dword = type == REG_DWORD;
    bool number = dword || type == REG_QWORD;
    // Bytes are edited in the hex-dump editor; the one-line text stays, out
    // of sight, as the data the dialog hands back. Text that is no hex (a
    // conversion cannot make such) keeps the one-line field.
    bool hexEditor = (type == REG_BINARY || type == REG_NONE) && HexTextProblem(EditData).empty();
    if (hexEditor)
        LoadHexEditor();
    ::ShowWindow(::GetDlgItem(m_hWnd, IDC_VALUE_MULTI), multi ? SW_SHOW : SW_HIDE);
    ::ShowWindow(::GetDlgItem(m_hWnd, IDC_VALUE_DATA), multi || hexEditor ? SW_HIDE : SW_SHOW);
    ::ShowWindow(::GetDlgItem(m_hWnd, IDC_VALUE_HEX), hexEditor ? SW_SHOW : SW_HIDE);
    ::ShowWindow(::GetDlgItem(m_hWnd, IDC_VALUE_HEX_STATUS), hexEditor ? SW_SHOW : SW_HIDE);
    for (int id : {IDC_DECIMAL, IDC_HEXADECIMAL, IDC_ALWAYS_FORMAT})
        ::ShowWindow(::GetDlgItem(m_hWnd, id), number ? SW_SHOW : SW_HIDE);
    ::ShowWindow(::GetDlgItem(m_hWnd, IDC_VALUE_SPIN), dword ? SW_SHOW : SW_HIDE);
    int button = kTypeButtons[TypeIndex >= 0 ? TypeIndex : 0];
    ::CheckRadioButton(m_hWnd, IDC_TYPE_SZ, IDC_TYPE_NONE, button);
    if (ask)
        ::SetFocus(::GetDlgItem(m_hWnd, button));
    m_switching = false;
    return true;
}

bool CValueDlg::ShowsHexEditor() const
{
    // Its own style: the dialog itself may not be on screen yet.
    return (::GetWindowLongW(::GetDlgItem(m_hWnd, IDC_VALUE_HEX), GWL_STYLE) & WS_VISIBLE) != 0;
}

void CValueDlg::LoadHexEditor()
{
    if (HexEditCtrl* hex = HexEditCtrl::From(::GetDlgItem(m_hWnd, IDC_VALUE_HEX)))
    {
        hex->SetBytes(HexTextToBytes(EditData));
        ShowHexStatus();
    }
}

void CValueDlg::ShowHexStatus()
{
    if (HexEditCtrl* hex = HexEditCtrl::From(::GetDlgItem(m_hWnd, IDC_VALUE_HEX)))
        ::SetDlgItemTextW(m_hWnd, IDC_VALUE_HEX_STATUS, hex->Model().StatusLine().c_str());
}

void CValueDlg::OnHexChanged()
{
    HexEditCtrl* hex = HexEditCtrl::From(::GetDlgItem(m_hWnd, IDC_VALUE_HEX));
    if (!hex)
        return;
    const std::vector<BYTE>& bytes = hex->Model().Bytes();
    m_fromHexEditor = true;
    ::SetDlgItemTextW(m_hWnd, IDC_VALUE_DATA, BytesToHex(bytes.data(), bytes.size()).c_str());
    m_fromHexEditor = false;
    ShowHexStatus();
}

void CValueDlg::OnDataChanged()
{
    if (m_switching)
        return;
    EditData = ControlText(IDC_VALUE_DATA);
    // Text put into the field from elsewhere shows in the hex editor too.
    if (!m_fromHexEditor && ShowsHexEditor() && HexTextProblem(EditData).empty())
        LoadHexEditor();
    DWORD type = GetType();
    if (type == REG_EXPAND_SZ)
    {
        Info = ExpandsToLine(EditData);
        ShowInfo(true);
    }
    else if (type == REG_BINARY)
    {
        std::optional<std::wstring> reading = DateTimeReading(EditData);
        Info = reading ? *reading : std::wstring();
        ShowInfo(reading.has_value());
    }
    else
        ShowInfo(false);
}

void CValueDlg::OnBase(bool hex)
{
    if ((Hex != 0) == hex)
        return;
    std::wstring text = ControlText(IDC_VALUE_DATA);
    Hex = hex ? 1 : 0;
    if (GetType() == REG_QWORD)
        text = QwordInBase(ReadQwordInBase(text, !hex), hex);
    else
        text = DwordInBase(ReadDwordInBase(text, !hex), hex);
    ::SetDlgItemTextW(m_hWnd, IDC_VALUE_DATA, text.c_str());
}

LRESULT CValueDlg::OnCommandMessage(UINT, WPARAM wParam, LPARAM, bool& handled)
{
    int id = LOWORD(wParam);
    int code = HIWORD(wParam);
    if (code == BN_CLICKED)
    {
        for (int i = 0; i < kDialogTypeCount; ++i)
            if (id == kTypeButtons[i])
            {
                SwitchType(kDialogTypes[i]);
                return 0;
            }
        if (id == IDC_DECIMAL || id == IDC_HEXADECIMAL)
        {
            OnBase(id == IDC_HEXADECIMAL);
            return 0;
        }
    }
    if (id == IDC_VALUE_DATA && code == EN_CHANGE)
    {
        OnDataChanged();
        return 0;
    }
    if (id == IDC_VALUE_HEX && (code == EN_CHANGE || code == HexEditCtrl::kHexStatusChanged))
    {
        if (code == EN_CHANGE)
            OnHexChanged();
        else
            ShowHexStatus();
        return 0;
    }
    handled = false;
    return 0;
}

LRESULT CValueDlg::OnNotifyMessage(UINT, WPARAM, LPARAM lParam, bool& handled)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->idFrom == IDC_VALUE_SPIN && header->code == UDN_DELTAPOS)
    {
        // The up arrow counts up; the control's own position does not matter.
        auto* spin = reinterpret_cast<NMUPDOWN*>(lParam);
        bool hex = Hex != 0;
        DWORD value = ReadDwordInBase(ControlText(IDC_VALUE_DATA), hex);
        value = SpinStep(value, spin->iDelta > 0 ? 1 : -1);
        ::SetDlgItemTextW(m_hWnd, IDC_VALUE_DATA, DwordInBase(value, hex).c_str());
        return 0; // allowed
    }
    handled = false;
    return 0;
}

void CValueDlg::OnOK()
{
    if (!UpdateData(true))
        return;
    DWORD type = GetType();
    if (type == REG_MULTI_SZ)
        EditData = MultiText;
    if (m_hasOriginal && EditData == m_originalText && type == m_originalType)
    {
        EndDialog(IDOK); // the data stays as it is
        return;
    }
    std::wstring text = TextForWriting(EditData, type, Hex != 0);
    std::wstring problem = ValueTextProblem(text, type);
    if (!problem.empty())
    {
        // Nothing is written: the user sees why and keeps what was typed.
        AfxMessageBox(problem, MB_OK | MB_ICONEXCLAMATION);
        HWND edit = ::GetDlgItem(m_hWnd, IDC_VALUE_DATA);
        ::SetFocus(edit);
        ::SendMessageW(edit, EM_SETSEL, 0, -1);
        return;
    }
    if (type == REG_MULTI_SZ && DropsEmptyLines(text) &&
        !AskYesNo(L"The empty lines cannot be kept: a list of strings ends at its first empty string, so "
                  L"they are left out.\n\nWrite the other strings?"))
    {
        FocusFirstField();
        return;
    }
    EditData = text;
    if (AlwaysUseFormat)
    {
        SetNumberFormat(Hex);
        if (m_document)
            m_document->UpdateAllViews(nullptr, kHintNumberFormat, nullptr);
    }
    EndDialog(IDOK);
}
