// A helper of the end-to-end tests: looks into the running program's key tree
// from outside, as an accessibility tool would, through the tree control's own
// messages with buffers placed in the program's memory.
//
//   tree_probe buttons <path>   every item on the path: "<path>\t<partial>\t<x>\t<y>"
//                               with the screen point of its expand button
//   tree_probe check <path>     every expanded item on the path whose children
//                               are all loaded: its children in order against
//                               the registry's sub-keys in a first expansion's
//                               order; exit code 1 on a difference
//   tree_probe panes            the screen rectangles of the tree and the value list
//   tree_probe resize <cx> <cy> resizes the main window (a window manager's job,
//                               and the test display has none)
//   tree_probe text <path>      the screen point in the middle of the last item's
//                               text, and whether it is expanded (1 or 0)
//   tree_probe first            the text of the first visible item
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
HWND g_tree = nullptr;
HANDLE g_process = nullptr;
BYTE* g_remote = nullptr; // a page of the program's memory for the control's structures
constexpr SIZE_T kRemoteSize = 4096;

bool Attach()
{
    HWND frame = FindWindowW(L"ZorvaneFrame", nullptr);
    if (!frame)
        return false;
    HWND splitter = FindWindowExW(frame, nullptr, L"ZorvaneSplitter", nullptr);
    HWND inner = splitter ? FindWindowExW(splitter, nullptr, L"ZorvaneSplitter", nullptr) : nullptr;
    g_tree = FindWindowExW(inner ? inner : splitter, nullptr, WC_TREEVIEWW, nullptr);
    if (!g_tree)
        return false;
    DWORD pid = 0;
    GetWindowThreadProcessId(g_tree, &pid);
    g_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!g_process)
        return false;
    g_remote =
        static_cast<BYTE*>(VirtualAllocEx(g_process, nullptr, kRemoteSize, MEM_COMMIT, PAGE_READWRITE));
    return g_remote != nullptr;
}

template <typename T> void Put(const T& value, SIZE_T offset = 0)
{
    WriteProcessMemory(g_process, g_remote + offset, &value, sizeof(T), nullptr);
}
template <typename T> T Get(SIZE_T offset = 0)
{
    T value{};
    ReadProcessMemory(g_process, g_remote + offset, &value, sizeof(T), nullptr);
    return value;
}

HTREEITEM Next(UINT relation, HTREEITEM item)
{
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(g_tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

// Text and item data of an item.
std::wstring Text(HTREEITEM item, LPARAM* data = nullptr)
{
    constexpr SIZE_T kTextOffset = 512;
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT | TVIF_PARAM | TVIF_HANDLE;
    tv.hItem = item;
    tv.pszText = reinterpret_cast<wchar_t*>(g_remote + kTextOffset);
    tv.cchTextMax = 600;
    Put(tv);
    SendMessageW(g_tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(g_remote));
    if (data)
        *data = Get<TVITEMW>().lParam;
    std::vector<wchar_t> text(600);
    ReadProcessMemory(g_process, g_remote + kTextOffset, text.data(), text.size() * sizeof(wchar_t), nullptr);
    text.back() = 0;
    return text.data();
}

std::vector<HTREEITEM> Children(HTREEITEM item)
{
    std::vector<HTREEITEM> children;
    for (HTREEITEM child = Next(item ? TVGN_CHILD : TVGN_ROOT, item); child; child = Next(TVGN_NEXT, child))
        children.push_back(child);
    return children;
}

std::vector<std::wstring> Split(const std::wstring& path)
{
    std::vector<std::wstring> parts;
    size_t at = 0;
    while (at <= path.size())
    {
        size_t slash = path.find(L'\\', at);
        if (slash == std::wstring::npos)
            slash = path.size();
        if (slash > at)
            parts.push_back(path.substr(at, slash - at));
        at = slash + 1;
    }
    return parts;
}

// The items on the path, from the root item down (as far as they exist).
std::vector<HTREEITEM> ItemsOnPath(const std::wstring& path)
{
    std::vector<HTREEITEM> items;
    HTREEITEM parent = nullptr;
    for (const std::wstring& part : Split(path))
    {
        HTREEITEM found = nullptr;
        for (HTREEITEM child : Children(parent))
            if (_wcsicmp(Text(child).c_str(), part.c_str()) == 0)
                found = child;
        if (!found)
            break;
        items.push_back(found);
        parent = found;
    }
    return items;
}

std::wstring PathOf(const std::vector<HTREEITEM>& items, size_t last)
{
    std::wstring path;
    for (size_t i = 0; i <= last; ++i)
        path += (i ? L"\\" : L"") + Text(items[i]);
    return path;
}

bool ButtonPoint(HTREEITEM item, POINT& point)
{
    RECT rc = {};
    *reinterpret_cast<HTREEITEM*>(&rc) = item;
    Put(rc);
    if (!SendMessageW(g_tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(g_remote)))
        return false;
    rc = Get<RECT>();
    int y = (rc.top + rc.bottom) / 2;
    for (int x = 0; x < rc.left; ++x)
    {
        TVHITTESTINFO hit = {};
        hit.pt = {x, y};
        Put(hit);
        auto found = reinterpret_cast<HTREEITEM>(
            SendMessageW(g_tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(g_remote)));
        if (found == item && (Get<TVHITTESTINFO>().flags & TVHT_ONITEMBUTTON))
        {
            point = {x, y};
            ClientToScreen(g_tree, &point);
            return true;
        }
    }
    return false;
}

HKEY RootKey(const std::wstring& name)
{
    if (name == L"CLASSES_ROOT")
        return HKEY_CLASSES_ROOT;
    if (name == L"CURRENT_USER")
        return HKEY_CURRENT_USER;
    if (name == L"LOCAL_MACHINE")
        return HKEY_LOCAL_MACHINE;
    if (name == L"USERS")
        return HKEY_USERS;
    if (name == L"CURRENT_CONFIG")
        return HKEY_CURRENT_CONFIG;
    return nullptr;
}

std::vector<std::wstring> RegistrySubKeys(const std::wstring& path)
{
    std::vector<std::wstring> names;
    size_t slash = path.find(L'\\');
    HKEY root = RootKey(path.substr(0, slash));
    HKEY key = nullptr;
    std::wstring sub = slash == std::wstring::npos ? L"" : path.substr(slash + 1);
    if (!root ||
        RegOpenKeyExW(root, sub.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return names;
    wchar_t name[260];
    for (DWORD i = 0;; ++i)
    {
        DWORD length = 260;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name);
    }
    RegCloseKey(key);
    return names;
}
} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2 || !Attach())
    {
        std::fprintf(stderr, "tree_probe: no program window\n");
        return 2;
    }
    std::wstring command = argv[1];
    if (command == L"panes")
    {
        HWND list = FindWindowExW(GetParent(g_tree), nullptr, WC_LISTVIEWW, nullptr);
        RECT tree = {}, values = {};
        GetWindowRect(g_tree, &tree);
        GetWindowRect(list, &values);
        std::printf("%ld %ld %ld %ld %ld %ld %ld %ld\n", tree.left, tree.top, tree.right, tree.bottom,
                    values.left, values.top, values.right, values.bottom);
        return 0;
    }
    if (command == L"resize" && argc >= 4)
    {
        HWND frame = GetAncestor(g_tree, GA_ROOT);
        return SetWindowPos(frame, nullptr, 0, 0, _wtoi(argv[2]), _wtoi(argv[3]), SWP_NOZORDER | SWP_NOMOVE)
                   ? 0
                   : 1;
    }
    if (command == L"first")
    {
        std::printf("%ls\n", Text(Next(TVGN_FIRSTVISIBLE, nullptr)).c_str());
        return 0;
    }
    if (argc < 3)
        return 2;
    std::vector<HTREEITEM> items = ItemsOnPath(argv[2]);
    if (command == L"text")
    {
        if (items.size() != Split(argv[2]).size())
            return 1;
        RECT rc = {};
        *reinterpret_cast<HTREEITEM*>(&rc) = items.back();
        Put(rc);
        if (!SendMessageW(g_tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(g_remote)))
            return 1;
        rc = Get<RECT>();
        POINT at = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
        ClientToScreen(g_tree, &at);
        bool expanded =
            (SendMessageW(g_tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(items.back()), TVIS_EXPANDED) &
             TVIS_EXPANDED) != 0;
        std::printf("%ld %ld %d\n", at.x, at.y, expanded ? 1 : 0);
        return 0;
    }
    int status = 0;
    for (size_t i = 0; i < items.size(); ++i)
    {
        LPARAM partial = 0;
        Text(items[i], &partial);
        std::wstring path = PathOf(items, i);
        if (command == L"buttons")
        {
            POINT at = {};
            if (ButtonPoint(items[i], at))
                std::printf("%ls\t%d\t%ld\t%ld\n", path.c_str(), partial == 1 ? 1 : 0, at.x, at.y);
        }
        else if (command == L"check" && partial != 1 &&
                 (SendMessageW(g_tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(items[i]),
                               TVIS_EXPANDEDONCE) &
                  TVIS_EXPANDEDONCE))
        {
            std::vector<std::wstring> shown;
            for (HTREEITEM child : Children(items[i]))
                shown.push_back(Text(child));
            // A first expansion shows the sub-keys in the control's own order.
            std::vector<std::wstring> registry = RegistrySubKeys(path);
            std::sort(registry.begin(), registry.end(), [](const std::wstring& a, const std::wstring& b) {
                return lstrcmpiW(a.c_str(), b.c_str()) < 0;
            });
            bool same = shown == registry;
            std::printf("%ls: %zu shown, %zu in the registry, %s\n", path.c_str(), shown.size(),
                        registry.size(), same ? "same order" : "DIFFERENT");
            if (!same)
                status = 1;
        }
    }
    VirtualFreeEx(g_process, g_remote, 0, MEM_RELEASE);
    return status;
}
