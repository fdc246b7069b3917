// The document's import: a registry script from a file or from pasted text
// is read and compared with the registry on a worker while the window keeps
// painting, shown in the preview, and written only on Apply.
#include "app/NavroDoc.h"

#include "app/FrameServices.h"
#include "app/Hints.h"
#include "app/ImportDlg.h"
#include "base/Strings.h"
#include "base/UserPrompts.h"
#include "base/WaitCursor.h"
#include "base/WorkerThread.h"

#include "resource.h"

#include <atomic>
#include <commdlg.h>
#include <shellapi.h>

namespace
{
// Runs work on a worker and keeps this thread's windows answering until it
// ends; the owner takes no input meanwhile, as under a modal dialog.
void RunKeepingWindowsAlive(HWND owner, const std::function<void(std::atomic<int>& percent)>& work,
                            const std::function<void(int percent)>& showProgress)
{
    std::atomic<int> percent{0};
    zv::WorkerThread worker = zv::StartWorkerThread([&](const zv::StopToken&) -> unsigned {
        work(percent);
        return 0;
    });
    if (!worker)
    {
        work(percent);
        return;
    }
    bool wasEnabled = owner && !::EnableWindow(owner, FALSE);
    int shown = -1;
    while (worker.IsRunning())
    {
        HANDLE thread = worker.Handle();
        ::MsgWaitForMultipleObjects(1, &thread, FALSE, 100, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            if (msg.message == WM_QUIT)
            {
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (percent != shown)
            showProgress(shown = percent);
    }
    worker.Join();
    if (owner && wasEnabled)
        ::EnableWindow(owner, TRUE);
}
} // namespace

namespace
{
// The clipboard's Unicode text: whole, or only its start (for the test).
std::wstring ClipboardText(size_t limit)
{
    std::wstring text;
    if (!::IsClipboardFormatAvailable(CF_UNICODETEXT) || !::OpenClipboard(nullptr))
        return text;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT))
        if (const auto* chars = static_cast<const wchar_t*>(::GlobalLock(data)))
        {
            // Bounded by the block: another program's text may lack its NUL.
            size_t available = ::GlobalSize(data) / sizeof(wchar_t);
            size_t length = 0;
            while (length < available && length < limit && chars[length])
                ++length;
            text.assign(chars, length);
            ::GlobalUnlock(data);
        }
    ::CloseClipboard();
    return text;
}
} // namespace

std::wstring CNavroDoc::DroppedRegistryScript(IDataObject* data)
{
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (!data || FAILED(data->GetData(&format, &medium)))
        return {};
    std::wstring path;
    auto drop = static_cast<HDROP>(::GlobalLock(medium.hGlobal));
    // One file whose name ends in ".reg"; anything else is no import.
    if (drop && ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 1)
    {
        UINT length = ::DragQueryFileW(drop, 0, nullptr, 0);
        path.resize(length + 1);
        path.resize(::DragQueryFileW(drop, 0, path.data(), length + 1));
        if (path.size() < 4 || !zv::EqualsNoCase(std::wstring_view(path).substr(path.size() - 4), L".reg"))
            path.clear();
    }
    if (drop)
        ::GlobalUnlock(medium.hGlobal);
    ::ReleaseStgMedium(&medium);
    return path;
}

bool CNavroDoc::ClipboardHoldsRegistryScript()
{
    // Asked on every idle pass: the clipboard is looked at only when it changed.
    static DWORD seen = 0;
    static bool holds = false;
    DWORD sequence = ::GetClipboardSequenceNumber();
    if (sequence != seen || sequence == 0)
    {
        seen = sequence;
        holds = LooksLikeRegScript(ClipboardText(64));
    }
    return holds;
}

bool CNavroDoc::PasteRegistryScript()
{
    std::wstring text = ClipboardText(static_cast<size_t>(-1));
    if (!LooksLikeRegScript(text))
        return false;
    ImportText(text);
    return true;
}

void CNavroDoc::OnImport()
{
    FileDialogRequest request;
    request.owner = PromptOwner();
    request.filter = L"Registry Files (*.reg)|*.reg|All Files (*.*)|*.*||";
    request.defaultExtension = L"reg";
    request.flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (UserPrompts().FileDialog(request))
        ImportFile(request.fileName);
}

bool CNavroDoc::ImportFile(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    return ImportScript(name, [path](CRegScriptReader& reader) { return reader.Open(path); });
}

bool CNavroDoc::ImportText(const std::wstring& text)
{
    return ImportScript(L"from the clipboard", [text](CRegScriptReader& reader) {
        reader.OpenText(text);
        return true;
    });
}

bool CNavroDoc::ImportScript(const std::wstring& title, const std::function<bool(CRegScriptReader&)>& open)
{
    ScriptParseResult parsed;
    ImportPlan plan;
    RunKeepingWindowsAlive(
        PromptOwner(),
        [&](std::atomic<int>& percent) {
            CRegScriptReader reader;
            if (!open(reader))
            {
                parsed.error = reader.Error();
                return;
            }
            parsed = ParseRegScript(reader, [&](ULONGLONG done, ULONGLONG total) {
                percent = total ? static_cast<int>(done * 50 / total) : 0;
            });
            if (!parsed.ok)
                return;
            plan = PlanImport(std::move(parsed.operations), {}, [&](size_t done, size_t total) {
                percent = 50 + (total ? static_cast<int>(done * 50 / total) : 50);
            });
        },
        [this](int percent) {
            ShowStatus(zv::Format(L"Reading the file: %d%%", percent));
            if (m_frame)
                m_frame->ShowProgress(percent);
        });
    ShowStatus(L"");
    if (m_frame)
        m_frame->ShowProgress(-1);
    if (!parsed.ok)
    {
        AfxMessageBox(L"The file was not imported; nothing was written.\n" + parsed.error,
                      MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    CImportDlg preview(plan, title, PromptOwner());
    if (preview.DoModal() != IDOK)
        return false;
    ImportOutcome outcome;
    JournalRecorder record(&m_journal, L"Import " + title);
    {
        CWaitCursor wait;
        ShowStatus(L"Reading what the import changes, for undo");
        RecordImportRegions(plan, record);
        outcome = ApplyImport(plan, [this](size_t done, size_t total) {
            int percent = total ? static_cast<int>(done * 100 / total) : 100;
            ShowStatus(zv::Format(L"Importing: %d%%", percent));
            if (m_frame)
            {
                m_frame->ShowProgress(percent);
                // The window thread is writing: let the bar and the text show.
                if (HWND owner = PromptOwner())
                    ::UpdateWindow(owner);
            }
        });
    }
    record.Finish();
    ShowStatus(L"");
    if (m_frame)
        m_frame->ShowProgress(-1);
    UpdateAllViews(nullptr, kHintRefresh, nullptr);
    AfxMessageBox(ImportReport(outcome),
                  outcome.failures.empty() ? MB_OK | MB_ICONINFORMATION : MB_OK | MB_ICONEXCLAMATION);
    return outcome.failures.empty();
}
