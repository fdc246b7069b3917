// Value list: in-place editing of a name or data cell, and its commit. The
// edit is written to the key and the name recorded when it began; the list
// ends an edit (committing it) before it sorts, refills or scrolls.
#include "values/NavroView.h"

#include "app/NavroDoc.h"
#include "base/Strings.h"
#include "base/UserPrompts.h"
#include "app/RegistryACList.h"
#include "operations/KeyTransfer.h"
#include "operations/ReportError.h"
#include "registry/EzReg.h"
#include "registry/RegistryPath.h"
#include "registry/ValueText.h"
#include "values/CellEdit.h"
#include "values/DataLinks.h"

#include "resource.h"

namespace
{
// Data longer than this gets no file-name completion in place.
constexpr size_t kCompletionLimit = 2700;

// Why a new name cannot be used, or empty when it can.
std::wstring NameProblem(const std::wstring& name, bool key)
{
    if (key)
        return KeyNameProblem(name);
    if (name.empty())
        return L"A value name cannot be empty.";
    return {};
}
} // namespace

UINT CNavroView::CCellEditMessage()
{
    return CCellEdit::EndMessage();
}

int CNavroView::CellIconWidth() const
{
    int width = 16, height = 16;
    if (HIMAGELIST images = ListView_GetImageList(ListWindow, LVSIL_SMALL))
        ImageList_GetIconSize(images, &width, &height);
    return width;
}

bool CNavroView::IsEditingCell() const
{
    return m_cellEdit && m_cellEdit->IsEditing();
}

CCellEdit* CNavroView::EditCell(int row, int column)
{
    if (row < 0 || row >= ItemCount())
        return nullptr;
    Ctrl().EnsureVisible(row);
    if (GetItemKind(row) >= kCommandRow)
    {
        PostFrameCommand(static_cast<UINT>(ItemData(row) >> kRowKindShift));
        return nullptr;
    }
    if (column == DataColumn)
    {
        DWORD type = GetItemType(row);
        if (!IsEditableType(type))
        {
            ReportUnsupportedType();
            return nullptr;
        }
        if (type == REG_MULTI_SZ)
        {
            // One line cannot hold a list of strings: the dialog edits it.
            SelectItem(row);
            ActivateSelectedItem();
            return nullptr;
        }
    }
    EndCellEdit();
    auto editor = std::make_unique<CCellEdit>(row, column, ItemText(row, column));
    editor->Target.keyPath = GetItemParentPath(row);
    editor->Target.name = ItemText(row, 0);
    editor->Target.kind = GetItemKind(row);
    RECT rect = {};
    if (column == 0)
    {
        ListView_GetItemRect(ListWindow, row, &rect, LVIR_LABEL);
        rect.top -= 1;
    }
    else
    {
        ListView_GetSubItemRect(ListWindow, row, column, LVIR_BOUNDS, &rect);
        rect.left += 4;
        rect.bottom += 1;
        if (ItemImage(row, column) >= 0)
            rect.left += CellIconWidth(); // the cell's icon, at the list's DPI
    }
    RECT client = GetClientRect();
    rect.left = std::max<LONG>(rect.left, 0);
    rect.right = std::min(rect.right, client.right);
    if (rect.right < rect.left || !editor->Create(ListWindow, rect))
        return nullptr;
    if (column != 0 && ItemText(row, column).size() <= kCompletionLimit)
        AttachFileSystemAutoComplete(editor->m_hWnd);
    m_cellEdit = std::move(editor);
    return m_cellEdit.get();
}

void CNavroView::TakeEndedEdit()
{
    if (!m_cellEdit || m_cellEdit->IsEditing())
        return;
    if (m_cellEdit->IsChanged())
    {
        CellEditResult result = m_cellEdit->Target;
        result.finalText = m_cellEdit->FinalText();
        m_endedEdits.push_back(std::move(result));
    }
    m_cellEdit.reset();
}

void CNavroView::EndCellEdit()
{
    if (!m_cellEdit)
        return;
    if (m_cellEdit->IsEditing())
        m_cellEdit->DestroyWindow();
    // What was typed is kept here; the editor goes at once, so nothing can
    // end it a second time. The commit comes with the editor's message.
    TakeEndedEdit();
}

void CNavroView::CancelCellEdit()
{
    if (!m_cellEdit)
        return;
    m_cellEdit->Commit = false;
    if (m_cellEdit->IsEditing())
        m_cellEdit->DestroyWindow();
    m_cellEdit.reset();
}

bool CNavroView::EditedItemChanged() const
{
    if (!m_cellEdit)
        return false;
    const CellEditResult& target = m_cellEdit->Target;
    if (target.kind == kKeyRow)
        return !KeyExists(target.keyPath + L"\\" + target.name);
    CEzReg reader(target.keyPath);
    if (!reader.QueryValue(target.name.c_str()))
        return true;
    // A name being edited stays valid while its value exists.
    return target.column != 0 && reader.DataText() != target.originalText;
}

LRESULT CNavroView::OnEndCellEdit(UINT, WPARAM, LPARAM, bool&)
{
    TakeEndedEdit();
    // Copied out before any message box: a box lets other messages in, and
    // they may start or end another edit.
    std::vector<CellEditResult> edits = std::move(m_endedEdits);
    m_endedEdits.clear();
    for (const CellEditResult& edit : edits)
        CommitEdit(edit);
    // A registry change that came while the user typed: its refresh now.
    if (m_refreshAfterEdit && !IsEditingCell())
    {
        m_refreshAfterEdit = false;
        if (CNavroDoc* doc = GetDocument())
            RefreshValues(doc->GetCurrentPath());
    }
    return 0;
}

int CNavroView::FindRow(const std::wstring& keyPath, const std::wstring& name) const
{
    for (int row = 0; row < ItemCount(); ++row)
        if (GetItemKind(row) < kCommandRow && zv::EqualsNoCase(ItemText(row, 0), name) &&
            zv::EqualsNoCase(GetItemParentPath(row), keyPath))
            return row;
    return -1;
}

void CNavroView::CommitEdit(const CellEditResult& edit)
{
    CEzReg key(edit.keyPath);
    if (edit.column != 0)
    {
        DWORD type = key.QueryValue(edit.name.c_str()) ? key.ValueType : REG_SZ;
        std::wstring problem = ValueTextProblem(edit.finalText, type);
        if (!problem.empty())
        {
            AfxMessageBox(problem, MB_OK | MB_ICONEXCLAMATION);
            return;
        }
        CNavroDoc* doc = GetDocument();
        JournalRecorder record(doc ? &doc->Journal() : nullptr,
                               L"Edit of " + edit.keyPath + L" " + JournalValueName(edit.name));
        record.AddValue(edit.keyPath, edit.name);
        bool written = key.SetValueText(edit.name.c_str(), edit.finalText, type);
        record.Finish();
        if (!written)
        {
            ReportWriteFailure(static_cast<DWORD>(key.LastError), edit.keyPath);
            return;
        }
        int row = FindRow(edit.keyPath, edit.name);
        CEzReg reread(edit.keyPath);
        if (row >= 0 && reread.QueryValue(edit.name.c_str()))
            UpdateRow(row, reread);
        return;
    }
    bool isKey = edit.kind == kKeyRow;
    std::wstring problem = NameProblem(edit.finalText, isKey);
    if (!problem.empty())
    {
        AfxMessageBox(problem, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    CNavroDoc* doc = GetDocument();
    JournalRecorder record(doc ? &doc->Journal() : nullptr,
                           L"Rename of " + edit.keyPath +
                               (isKey ? L"\\" + edit.name : L" " + JournalValueName(edit.name)));
    if (isKey)
    {
        record.AddTree(edit.keyPath + L"\\" + edit.name);
        record.AddTree(edit.keyPath + L"\\" + edit.finalText);
    }
    else
    {
        record.AddValue(edit.keyPath, edit.name, true);
        record.AddValue(edit.keyPath, edit.finalText, true);
    }
    bool ok =
        isKey ? RenameSubkey(key, edit.name, edit.finalText) : RenameValue(key, edit.name, edit.finalText);
    record.Finish();
    if (!ok)
    {
        // One message: the name is taken, or why the rename failed.
        if (key.LastError == ERROR_ALREADY_EXISTS)
            AfxMessageBox(isKey ? KeyExistsText(edit.finalText) : ValueExistsText(edit.finalText),
                          MB_OK | MB_ICONERROR);
        else if (key.LastError != ERROR_CANCELLED)
            ReportWriteFailure(static_cast<DWORD>(key.LastError), edit.keyPath);
        return;
    }
    int row = FindRow(edit.keyPath, edit.name);
    if (row >= 0)
        SetCell(row, 0, edit.finalText, ItemImage(row, 0));
}
