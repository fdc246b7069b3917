// Edit > Undo and Redo: the journal's newest entry taken back or applied
// again, after a check that nobody else changed what it touched.
#include "app/NavroDoc.h"

#include "app/FrameServices.h"
#include "app/Hints.h"
#include "base/Strings.h"
#include "base/UserPrompts.h"
#include "base/WaitCursor.h"

namespace
{
// Longest label the menu shows; longer ones keep their start and end.
constexpr size_t kMenuLabelLength = 80;

// An edit control with the focus (a label being edited) keeps its own undo.
HWND FocusedEdit()
{
    HWND focus = ::GetFocus();
    wchar_t className[16] = {};
    if (focus && GetClassNameW(focus, className, 16) && _wcsicmp(className, L"Edit") == 0)
        return focus;
    return nullptr;
}

std::wstring Lines(const std::vector<std::wstring>& lines)
{
    std::wstring text;
    for (const std::wstring& line : lines)
        text += L"\n" + line;
    return text;
}
} // namespace

std::wstring UndoMenuText(bool undo, const std::wstring& label)
{
    std::wstring text = undo ? L"&Undo" : L"&Redo";
    if (!label.empty())
    {
        std::wstring shown = label;
        if (shown.size() > kMenuLabelLength)
            shown = shown.substr(0, kMenuLabelLength / 2 - 1) + L"..." +
                    shown.substr(shown.size() - (kMenuLabelLength / 2 - 2));
        for (wchar_t& c : shown)
            if (c < L' ')
                c = L' ';
        // An ampersand in a name is shown, not taken for a mnemonic.
        for (size_t at = shown.find(L'&'); at != std::wstring::npos; at = shown.find(L'&', at + 2))
            shown.insert(at, 1, L'&');
        text += L" " + shown;
    }
    return text + (undo ? L"\tCtrl+Z" : L"\tCtrl+Shift+Z");
}

void CNavroDoc::OnUndo()
{
    if (HWND edit = FocusedEdit())
        ::SendMessageW(edit, WM_UNDO, 0, 0);
    else
        Undo();
}

void CNavroDoc::OnRedo()
{
    if (!FocusedEdit())
        Redo();
}

void CNavroDoc::OnUpdateUndo(CCmdUI* ui)
{
    // While a text is being edited, Undo is the text's own.
    HWND edit = FocusedEdit();
    ui->SetText(UndoMenuText(true, edit ? std::wstring() : m_journal.UndoLabel()).c_str());
    ui->Enable(edit ? ::SendMessageW(edit, EM_CANUNDO, 0, 0) != 0 : m_journal.CanUndo());
}

void CNavroDoc::OnUpdateRedo(CCmdUI* ui)
{
    ui->SetText(UndoMenuText(false, m_journal.RedoLabel()).c_str());
    ui->Enable(m_journal.CanRedo() && !FocusedEdit());
}

bool CNavroDoc::Undo()
{
    return UndoOrRedo(true);
}

bool CNavroDoc::Redo()
{
    return UndoOrRedo(false);
}

bool CNavroDoc::UndoOrRedo(bool undo)
{
    if (undo ? !m_journal.CanUndo() : !m_journal.CanRedo())
        return false;
    std::wstring label = undo ? m_journal.UndoLabel() : m_journal.RedoLabel();
    std::vector<std::wstring> conflicts;
    {
        CWaitCursor wait;
        conflicts = undo ? m_journal.UndoConflicts() : m_journal.RedoConflicts();
    }
    if (!conflicts.empty())
    {
        // The label holds quoted names of its own: it is set apart, not quoted.
        std::wstring question =
            zv::Format(L"The registry was changed elsewhere since this step (%s):\n%s\n\n%s it anyway and "
                       L"overwrite these changes?",
                       label.c_str(), Lines(conflicts).c_str(), undo ? L"Undo" : L"Redo");
        if (!AskYesNo(question))
            return false;
    }
    std::vector<std::wstring> failures;
    bool done = false;
    {
        CWaitCursor wait;
        done = undo ? m_journal.Undo(failures) : m_journal.Redo(failures);
    }
    UpdateAllViews(nullptr, kHintRefresh, nullptr);
    if (!done)
    {
        if (failures.size() > 10)
        {
            size_t more = failures.size() - 10;
            failures.resize(10);
            failures.push_back(zv::Format(L"and %zu more", more));
        }
        AfxMessageBox(zv::Format(L"%s did not complete (%s). These were not restored:%s\n\nThe step stays in "
                                 L"the list; you can try again.",
                                 undo ? L"Undo" : L"Redo", label.c_str(), Lines(failures).c_str()),
                      MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    ShowStatus((undo ? L"Undone: " : L"Redone: ") + label);
    return true;
}
