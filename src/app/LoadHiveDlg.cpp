// The Load Hive dialog.
#include "app/LoadHiveDlg.h"

#include "base/UserPrompts.h"
#include "operations/KeyTransfer.h"
#include "registry/EzReg.h"
#include "registry/RegistryPath.h"

#include "resource.h"

std::wstring HiveKeyNameProblem(const std::wstring& root, const std::wstring& name)
{
    std::wstring problem = KeyNameProblem(name);
    if (!problem.empty())
        return problem;
    if (KeyExists(root + L"\\" + name))
        return root + L"\\" + name + L" exists already: choose another name.";
    return {};
}

CLoadHiveDlg::CLoadHiveDlg(HWND parent, std::wstring file, std::wstring root)
    : CDialog(IDD_LOAD_HIVE, parent), File(std::move(file)), Root(std::move(root))
{
    size_t slash = File.find_last_of(L"\\/");
    std::wstring fileName = slash == std::wstring::npos ? File : File.substr(slash + 1);
    CEzReg parentKey(Root);
    KeyName = UniqueSubkeyName(parentKey, fileName);
}

void CLoadHiveDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_HIVE_FILE, File);
    DDX_Text(dx, IDC_HIVE_ROOT, Root);
    DDX_Text(dx, IDC_HIVE_NAME, KeyName);
}

bool CLoadHiveDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    HWND name = GetDlgItem(IDC_HIVE_NAME);
    ::SetFocus(name);
    ::SendMessageW(name, EM_SETSEL, 0, -1);
    return false; // the focus is set
}

void CLoadHiveDlg::OnOK()
{
    if (!UpdateData(true))
        return;
    std::wstring problem = HiveKeyNameProblem(Root, KeyName);
    if (!problem.empty())
    {
        AfxMessageBox(problem, MB_OK | MB_ICONEXCLAMATION);
        HWND name = GetDlgItem(IDC_HIVE_NAME);
        ::SetFocus(name);
        ::SendMessageW(name, EM_SETSEL, 0, -1);
        return;
    }
    EndDialog(IDOK);
}
