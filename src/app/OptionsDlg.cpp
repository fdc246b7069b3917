// Options dialog.
#include "app/OptionsDlg.h"

#include "app/Hints.h"
#include "app/Options.h"
#include "app/framework/Document.h"
#include "registry/NumberFormat.h"

#include "resource.h"

COptionsDlg::COptionsDlg(CDocument* document)
    : CDialog(IDD_OPTIONS), GoToLastSelectedKey(GetRestoreLastKey()), m_document(document)
{
}

bool COptionsDlg::OnInitDialog()
{
    HWND combo = GetDlgItem(IDC_NUMBER_FORMAT);
    for (const wchar_t* text : {L"Decimal", L"Hexadecimal (lower case)", L"Hexadecimal (upper case)"})
        ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    NumberFormat = NumberFormatIndex();
    if (NumberFormat < 0 || NumberFormat > 2)
        NumberFormat = 2; // every other index shows upper case
    return CDialog::OnInitDialog();
}

void COptionsDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_CBIndex(dx, IDC_NUMBER_FORMAT, NumberFormat);
    DDX_Check(dx, IDC_RESTORE_LAST_KEY, GoToLastSelectedKey);
    DDX_Check(dx, IDC_SAVE_LAYOUT, SaveLayout);
}

void COptionsDlg::OnOK()
{
    if (!UpdateData(true))
        return;
    if (NumberFormat >= 0)
        SetNumberFormat(NumberFormat);
    SetRestoreLastKey(GoToLastSelectedKey);
    if (m_document)
        m_document->UpdateAllViews(nullptr, kHintNumberFormat, nullptr);
    EndDialog(IDOK);
}
