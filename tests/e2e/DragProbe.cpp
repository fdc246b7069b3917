// A helper of the end-to-end drag tests, looking at the running program from
// outside and standing in for a shell folder:
//
//   drag_probe place <title part> <x> <y> <cx> <cy>
//                               moves and sizes the program window whose title
//                               holds the text (a window manager's job)
//   drag_probe row <title part> <name>
//                               the screen point of the value list row with
//                               that name: "<x> <y>"; exit code 1 when none
//   drag_probe clipboard        what the clipboard holds, as another program
//                               reads it: the text, then "list <count> <move>"
//                               and one "item <kind> <path> <name>" line each
//   drag_probe close <title part>
//                               closes every program window whose title holds
//                               the text, as its close button does
//   drag_probe clear            empties the clipboard
//   drag_probe panes <title part>
//                               the screen rectangles of the value list and the
//                               search pane: "<l> <t> <r> <b> <l> <t> <r> <b>"
//   drag_probe folder <x> <y> <destination folder>
//                               a window at x, y that takes dropped files as a
//                               folder does: it asks for the shell's item list,
//                               then for the file names, and copies the files
//                               into the destination; prints "copied <file> from
//                               <source>" for each and ends after the first drop
//                               (or after a minute)
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace
{
// The first program window whose title holds the text; with onlyVisible, a
// window that is closing (hidden until its program ends) does not count.
HWND FindProgram(const std::wstring& titlePart, bool onlyVisible = false)
{
    HWND found = nullptr;
    for (HWND window = FindWindowExW(nullptr, nullptr, L"ZorvaneFrame", nullptr); window && !found;
         window = FindWindowExW(nullptr, window, L"ZorvaneFrame", nullptr))
    {
        wchar_t title[1024] = {};
        GetWindowTextW(window, title, 1024);
        if (std::wstring(title).find(titlePart) != std::wstring::npos &&
            (!onlyVisible || IsWindowVisible(window)))
            found = window;
    }
    return found;
}

std::vector<HWND> ListViews(HWND frame)
{
    std::vector<HWND> lists;
    EnumChildWindows(
        frame,
        [](HWND child, LPARAM data) -> BOOL {
            wchar_t name[64] = {};
            GetClassNameW(child, name, 64);
            if (lstrcmpW(name, WC_LISTVIEWW) == 0)
                reinterpret_cast<std::vector<HWND>*>(data)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&lists));
    return lists;
}

// The screen point of the row called name in list, printed; false when none.
bool PrintRowPoint(HWND list, const std::wstring& name)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process)
        return false;
    auto* remote = static_cast<BYTE*>(VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
    bool found = false;
    int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count && !found; ++row)
    {
        // The item structure, then its text buffer, in the program's memory.
        LVITEMW item = {};
        item.cchTextMax = 512;
        item.pszText = reinterpret_cast<wchar_t*>(remote + 1024);
        WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
        SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remote));
        wchar_t text[512] = {};
        ReadProcessMemory(process, remote + 1024, text, sizeof text - sizeof(wchar_t), nullptr);
        if (name != text)
            continue;
        RECT rect = {};
        rect.left = LVIR_LABEL;
        WriteProcessMemory(process, remote, &rect, sizeof rect, nullptr);
        SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(remote));
        ReadProcessMemory(process, remote, &rect, sizeof rect, nullptr);
        POINT at = {rect.left + 6, (rect.top + rect.bottom) / 2};
        ClientToScreen(list, &at);
        std::printf("%ld %ld\n", at.x, at.y);
        found = true;
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return found;
}

int RowPoint(const std::wstring& titlePart, const std::wstring& name)
{
    HWND frame = FindProgram(titlePart);
    if (!frame)
        return 2;
    for (HWND list : ListViews(frame))
        if (PrintRowPoint(list, name))
            return 0;
    return 1;
}

// The folder stand-in: takes a drop of files, as a shell folder would.
class FolderTarget : public IDropTarget
{
  public:
    explicit FolderTarget(std::wstring destination) : m_destination(std::move(destination)) {}
    bool done = false;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown || iid == IID_IDropTarget)
        {
            *out = static_cast<IDropTarget*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override
    {
        FORMATETC files = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        m_accept = data->QueryGetData(&files) == S_OK;
        *effect = m_accept ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }
    STDMETHODIMP DragOver(DWORD, POINTL, DWORD* effect) override
    {
        *effect = m_accept ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }
    STDMETHODIMP DragLeave() override { return S_OK; }
    STDMETHODIMP Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override
    {
        done = true;
        *effect = DROPEFFECT_NONE;
        // The shell asks for its item list first, then for the file names.
        FORMATETC idList = {static_cast<CLIPFORMAT>(RegisterClipboardFormatW(CFSTR_SHELLIDLIST)), nullptr,
                            DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium = {};
        if (SUCCEEDED(data->GetData(&idList, &medium)))
        {
            std::printf("id list offered\n");
            ReleaseStgMedium(&medium);
        }
        FORMATETC files = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        if (FAILED(data->GetData(&files, &medium)))
        {
            std::printf("no files\n");
            return S_OK;
        }
        auto drop = static_cast<HDROP>(medium.hGlobal);
        UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i)
        {
            wchar_t file[MAX_PATH] = {};
            DragQueryFileW(drop, i, file, MAX_PATH);
            std::wstring source = file;
            std::wstring target = m_destination + L"\\" + source.substr(source.find_last_of(L'\\') + 1);
            if (CopyFileW(source.c_str(), target.c_str(), FALSE))
            {
                std::printf("copied %ls from %ls\n", target.c_str(), source.c_str());
                *effect = DROPEFFECT_COPY;
            }
        }
        ReleaseStgMedium(&medium);
        std::fflush(stdout);
        return S_OK;
    }

  private:
    std::wstring m_destination;
    bool m_accept = false;
};

int RunFolder(int x, int y, const std::wstring& destination)
{
    OleInitialize(nullptr);
    HWND window = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"Drop folder",
                                  WS_POPUP | WS_VISIBLE | WS_BORDER | SS_CENTER, x, y, 200, 150, nullptr,
                                  nullptr, nullptr, nullptr);
    FolderTarget target(destination);
    if (!window || FAILED(RegisterDragDrop(window, &target)))
        return 2;
    std::printf("ready\n");
    std::fflush(stdout);
    DWORD end = GetTickCount() + 60000;
    while (!target.done && GetTickCount() < end)
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    RevokeDragDrop(window);
    DestroyWindow(window);
    OleUninitialize();
    return target.done ? 0 : 1;
}
} // namespace

// Reads the clipboard's text and item list ("QuoltRegItemList").
int PrintClipboard()
{
    if (!OpenClipboard(nullptr))
        return 2;
    if (HANDLE text = GetClipboardData(CF_UNICODETEXT))
    {
        if (auto* chars = static_cast<const wchar_t*>(GlobalLock(text)))
        {
            std::printf("text %ls\n", chars);
            GlobalUnlock(text);
        }
    }
    int status = 1;
    UINT format = RegisterClipboardFormatW(L"QuoltRegItemList");
    if (HANDLE list = GetClipboardData(format))
    {
        const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(list));
        SIZE_T size = GlobalSize(list);
        if (bytes && size >= 5)
        {
            int count = 0;
            std::memcpy(&count, bytes, 4);
            std::printf("list %d %d\n", count, bytes[4]);
            SIZE_T at = 5;
            for (int i = 0; i < count && at + 8 <= size; ++i)
            {
                DWORD kind = 0, pathBytes = 0, nameBytes = 0;
                std::memcpy(&kind, bytes + at, 4);
                std::memcpy(&pathBytes, bytes + at + 4, 4);
                at += 8;
                if (at + pathBytes + 4 > size)
                    break;
                std::wstring path(reinterpret_cast<const wchar_t*>(bytes + at), pathBytes / 2 - 1);
                at += pathBytes;
                std::memcpy(&nameBytes, bytes + at, 4);
                at += 4;
                if (at + nameBytes > size)
                    break;
                std::wstring name(reinterpret_cast<const wchar_t*>(bytes + at), nameBytes / 2 - 1);
                at += nameBytes;
                std::printf("item %lu %ls %ls\n", kind, path.c_str(), name.c_str());
            }
            status = 0;
        }
        if (bytes)
            GlobalUnlock(list);
    }
    CloseClipboard();
    return status;
}

int wmain(int argc, wchar_t** argv)
{
    std::wstring command = argc >= 2 ? argv[1] : L"";
    if (command == L"place" && argc >= 7)
    {
        HWND frame = FindProgram(argv[2]);
        return frame && SetWindowPos(frame, nullptr, _wtoi(argv[3]), _wtoi(argv[4]), _wtoi(argv[5]),
                                     _wtoi(argv[6]), SWP_NOZORDER | SWP_NOACTIVATE)
                   ? 0
                   : 1;
    }
    if (command == L"clipboard")
        return PrintClipboard();
    if (command == L"clear")
    {
        // A clipboard whose owner was ended by force would keep every later
        // reader waiting for data no one renders: it is emptied.
        for (int i = 0; i < 20; ++i, Sleep(50))
            if (OpenClipboard(nullptr))
            {
                EmptyClipboard();
                CloseClipboard();
                return 0;
            }
        return 1;
    }
    if (command == L"close" && argc >= 3)
    {
        // Each open window in turn, as its close button does; a busy machine
        // may take seconds for one to go.
        for (int round = 0; round < 20; ++round)
        {
            HWND frame = FindProgram(argv[2], true);
            if (!frame)
                return 0;
            PostMessageW(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
            for (int i = 0; i < 300 && IsWindow(frame) && IsWindowVisible(frame); ++i)
                Sleep(50);
        }
        return FindProgram(argv[2], true) ? 1 : 0;
    }
    if (command == L"panes" && argc >= 3)
    {
        HWND frame = FindProgram(argv[2]);
        std::vector<HWND> lists = frame ? ListViews(frame) : std::vector<HWND>();
        if (lists.size() < 2)
            return 1;
        RECT first = {}, second = {};
        GetWindowRect(lists[0], &first);
        GetWindowRect(lists[1], &second);
        // The value list is above the search pane.
        if (second.top < first.top)
            std::swap(first, second);
        std::printf("%ld %ld %ld %ld %ld %ld %ld %ld\n", first.left, first.top, first.right, first.bottom,
                    second.left, second.top, second.right, second.bottom);
        return 0;
    }
    if (command == L"row" && argc >= 4)
        return RowPoint(argv[2], argv[3]);
    if (command == L"folder" && argc >= 5)
        return RunFolder(_wtoi(argv[2]), _wtoi(argv[3]), argv[4]);
    std::fprintf(stderr, "drag_probe: place | row | folder\n");
    return 2;
}
