// The document's value flows: editing a value and creating one through the
// Edit Value dialog. A value is never deleted before what replaces it is
// written, and bytes the user did not change are copied, not rebuilt from
// their text.
#include "app/NavroDoc.h"

#include "app/AboutDlg.h"
#include "app/Hints.h"
#include "base/Strings.h"
#include "base/UserPrompts.h"
#include "operations/KeyTransfer.h"
#include "operations/ReportError.h"
#include "registry/EzReg.h"
#include "registry/ValueText.h"
#include "app/ValueDlg.h"

#include "resource.h"

#include <vector>

namespace
{
void AlreadyExists(const std::wstring& name)
{
    AfxMessageBox(ValueExistsText(name), MB_OK | MB_ICONINFORMATION);
}

bool ValueExists(const std::wstring& keyPath, const std::wstring& name)
{
    CEzReg key(keyPath);
    return key.QueryValue(name.c_str());
}
} // namespace

void ReportUnsupportedType()
{
    if (AfxMessageBox(IDS_UNSUPPORTED_TYPE, MB_OKCANCEL) == IDOK)
        UserPrompts().LaunchShell(PromptOwner(), L"open", kMakerContactPage, L"", SW_SHOWNORMAL);
}

bool CNavroDoc::EditValue(const std::wstring& keyPath, const std::wstring& name, std::wstring& newName,
                          std::wstring& newData, DWORD& newType)
{
    CEzReg key(keyPath);
    bool exists = key.QueryValue(name.c_str());
    std::wstring oldText;
    DWORD oldType = REG_SZ; // a value that vanished is offered as a string
    std::vector<BYTE> oldBytes;
    if (exists)
    {
        oldType = key.ValueType;
        if (!IsEditableType(oldType))
        {
            ReportUnsupportedType();
            return false;
        }
        oldText = key.DataText();
        oldBytes.assign(key.Data, key.Data + key.DataSize);
    }
    CValueDlg dialog(PromptOwner(), this);
    dialog.KeyPath = keyPath;
    dialog.EditName = name;
    dialog.EditData = oldText;
    dialog.SetType(oldType);
    if (exists)
        dialog.SetOriginal(oldText, oldType);
    for (;;)
    {
        if (dialog.DoModal() != IDOK)
            return false;
        newName = dialog.EditName;
        newData = dialog.EditData;
        newType = dialog.GetType();
        bool renamed = newName != name;
        bool dataChanged = newData != oldText || newType != oldType || !exists;
        if (!renamed && !dataChanged)
            return false; // nothing to write
        if (!zv::EqualsNoCase(newName, name) && ValueExists(keyPath, newName))
        {
            AlreadyExists(newName);
            continue;
        }
        CEzReg target(keyPath);
        JournalRecorder record(&m_journal, L"Edit of " + keyPath + L" " + JournalValueName(name));
        record.AddValue(keyPath, name, true);
        record.AddValue(keyPath, newName, true);
        bool ok;
        if (!dataChanged)
            ok = RenameValue(target, name, newName); // the bytes as they are, whatever their text shows
        else if (renamed && zv::EqualsNoCase(newName, name))
        {
            // A change of case needs the old value gone first: if the new
            // one cannot be written, the old bytes go back.
            ok = target.DeleteValue(name.c_str());
            if (ok && !target.SetValueText(newName.c_str(), newData, newType))
            {
                SetValueExactly(target.Key, name.c_str(), oldType,
                                oldBytes.empty() ? nullptr : oldBytes.data(),
                                static_cast<DWORD>(oldBytes.size()), ::RegSetValueExW);
                ok = false;
            }
        }
        else
        {
            // The new value first; the old one goes only once that is written.
            ok = target.SetValueText(newName.c_str(), newData, newType);
            if (ok && renamed && exists)
                ok = target.DeleteValue(name.c_str());
        }
        record.Finish();
        if (!ok)
            return ReportWriteFailure(static_cast<DWORD>(target.LastError), keyPath);
        // What the list shows is what the registry now holds, in its own form.
        CEzReg reread(keyPath);
        if (reread.QueryValue(newName.c_str()))
        {
            newData = reread.DataText();
            newType = reread.ValueType;
        }
        return true;
    }
}

void CNavroDoc::NewValue(const std::wstring& keyPath)
{
    std::wstring path = keyPath.empty() ? CurrentPath : keyPath;
    if (path.empty())
        return; // the computer level holds no values
    std::wstring proposed;
    if (ValueExists(path, L""))
    {
        proposed = L"New Value";
        for (int n = 1; ValueExists(path, proposed); ++n)
            proposed = zv::Format(L"New Value %d", n);
    }
    CValueDlg dialog(PromptOwner(), this);
    dialog.IsNewValue = true;
    dialog.EditName = proposed;
    dialog.KeyPath = path;
    dialog.SetType(REG_SZ);
    while (dialog.DoModal() == IDOK)
    {
        if (ValueExists(path, dialog.EditName))
        {
            AlreadyExists(dialog.EditName);
            continue;
        }
        CEzReg key(path);
        JournalRecorder record(&m_journal,
                               L"New Value " + JournalValueName(dialog.EditName) + L" in " + path);
        record.AddValue(path, dialog.EditName, true);
        bool written = key.SetValueText(dialog.EditName.c_str(), dialog.EditData, dialog.GetType());
        record.Finish();
        if (written)
            UpdateAllViews(nullptr, kHintValuesChanged, nullptr);
        else
            ReportWriteFailure(static_cast<DWORD>(key.LastError), path);
        return;
    }
}
