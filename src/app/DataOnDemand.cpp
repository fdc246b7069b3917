// Delayed rendering of a dragged item list, and the shortcut files made for
// the shell.
#include "app/DataOnDemand.h"

#include "app/framework/Archive.h"
#include "base/Handles.h"
#include "base/Strings.h"
#include "registry/EzReg.h"
#include "base/FileSafeName.h"
#include "app/RegItemList.h"

#include "app/framework/FrameworkIds.h"

#include <shlobj.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace
{
// The shortcut files written by this process and the bytes each holds.
struct WrittenShortcut
{
    std::wstring path;
    std::vector<BYTE> bytes;
};

std::mutex& ShortcutsLock()
{
    static std::mutex lock;
    return lock;
}

std::vector<WrittenShortcut>& Shortcuts()
{
    static std::vector<WrittenShortcut> files;
    return files;
}

std::wstring TemporaryFolder()
{
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH)
        return {};
    std::wstring folder(buffer, length);
    if (folder.back() != L'\\')
        folder += L'\\';
    return folder;
}

bool FileHolds(const std::wstring& path, const std::vector<BYTE>& bytes)
{
    zv::unique_hfile file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart != static_cast<LONGLONG>(bytes.size()))
        return false;
    std::vector<BYTE> read(bytes.size());
    DWORD got = 0;
    return ReadFile(file.get(), read.data(), static_cast<DWORD>(read.size()), &got, nullptr) &&
           got == read.size() && read == bytes;
}
} // namespace

// --- The shortcut file ---------------------------------------------------------

std::wstring DragShortcutName(CRegItemList& list, size_t maxLength)
{
    const std::wstring extension = L".s2r";
    if (list.GetCount() == 0 || maxLength <= extension.size())
        return {};
    std::wstring base = FileSafeName(list.Names[0]);
    if (base.empty() && !list.IsKeyItem(0))
    {
        // The default value: its data, then its key's name.
        CEzReg key(list.Paths[0]);
        if (key.QueryValue(L""))
            base = FileSafeName(key.DataText());
        if (base.empty())
            base = FileSafeName(key.KeyName());
    }
    if (base.empty())
        base = FileSafeName(zv::LoadResString(AFX_IDS_APP_TITLE));
    if (base.empty())
        base = L"Registry";
    size_t room = maxLength - extension.size();
    base = CutFileName(base, room);
    if (IsDeviceFileName(base)) // cutting can leave a device name behind
        base = L"_" + CutFileName(base, room - 1);
    return base + extension;
}

bool WriteDragShortcut(const std::wstring& path, const std::wstring& location)
{
    std::vector<BYTE> bytes = EncodeArchiveString(location);
    bool written = false;
    {
        zv::unique_hfile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return false;
        DWORD done = 0;
        written = WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
                  done == bytes.size();
    }
    if (!written)
    {
        DeleteFileW(path.c_str());
        return false;
    }
    std::lock_guard<std::mutex> hold(ShortcutsLock());
    for (WrittenShortcut& shortcut : Shortcuts())
    {
        if (zv::EqualsNoCase(shortcut.path, path))
        {
            shortcut.bytes = std::move(bytes);
            return true;
        }
    }
    Shortcuts().push_back({path, std::move(bytes)});
    return true;
}

void RemoveDragShortcuts()
{
    std::lock_guard<std::mutex> hold(ShortcutsLock());
    // A file changed since (another instance wrote the same name) is not ours to remove.
    for (const WrittenShortcut& shortcut : Shortcuts())
        if (FileHolds(shortcut.path, shortcut.bytes))
            DeleteFileW(shortcut.path.c_str());
    Shortcuts().clear();
}

// --- Rendering --------------------------------------------------------------------

bool CDataOnDemand::OnRenderData(const FORMATETC& format, STGMEDIUM& medium)
{
    if (format.cfFormat == ShellIdListFormat() || format.cfFormat == CF_HDROP)
        return RenderShell(format, medium);
    return COleDataSource::OnRenderData(format, medium);
}

bool CDataOnDemand::OnRenderGlobalData(const FORMATETC& format, HGLOBAL& memory)
{
    if (format.cfFormat != ItemListFormat() || !List)
        return false;
    return List->WriteToMemory(memory);
}

bool CDataOnDemand::RenderShell(const FORMATETC& format, STGMEDIUM& medium)
{
    // Either shell format makes the file and the shell's object for it.
    if (!ShellData && !MakeShellData())
        return false;
    FORMATETC request = format;
    return SUCCEEDED(ShellData->GetData(&request, &medium));
}

bool CDataOnDemand::MakeShellData()
{
    if (ShortcutFailed || !List || List->GetCount() == 0)
        return false;
    std::wstring folder = Folder.empty() ? TemporaryFolder() : Folder;
    if (folder.empty())
    {
        ShortcutFailed = true;
        return false;
    }
    if (folder.back() != L'\\')
        folder += L'\\';
    // The whole path must stay within the length the shell parses, and the
    // name within the length of one file name.
    size_t room = std::min<size_t>(255, MAX_PATH - 1 > folder.size() ? MAX_PATH - 1 - folder.size() : 0);
    std::wstring name = DragShortcutName(*List, room);
    if (name.empty() || !WriteDragShortcut(folder + name, List->FullText(0)))
    {
        ShortcutFailed = true;
        return false;
    }
    zv::com_ptr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.put())))
        return false;
    HWND owner = nullptr;
    PIDLIST_RELATIVE folderId = nullptr;
    if (FAILED(desktop->ParseDisplayName(owner, nullptr, folder.data(), nullptr, &folderId, nullptr)))
        return false;
    zv::unique_cotaskmem folderIdOwner(folderId);
    zv::com_ptr<IShellFolder> shellFolder;
    if (FAILED(desktop->BindToObject(folderId, nullptr, IID_IShellFolder, shellFolder.put_void())))
        return false;
    PIDLIST_RELATIVE fileId = nullptr;
    if (FAILED(shellFolder->ParseDisplayName(owner, nullptr, name.data(), nullptr, &fileId, nullptr)))
        return false;
    zv::unique_cotaskmem fileIdOwner(fileId);
    PCUITEMID_CHILD child = fileId;
    return SUCCEEDED(
        shellFolder->GetUIObjectOf(owner, 1, &child, IID_IDataObject, nullptr, ShellData.put_void()));
}

// --- The drag ------------------------------------------------------------------------

DWORD DragItems(CRegItemList& list, DWORD effects)
{
    zv::com_ptr<CDataOnDemand> source = zv::MakeCom<CDataOnDemand>(&list);
    source->DelayRenderData(ShellIdListFormat());
    source->DelayRenderData(CF_HDROP);
    source->DelayRenderData(ItemListFormat());
    std::wstring text = list.ClipboardText();
    source->CacheGlobalData(CF_UNICODETEXT,
                            GlobalFromBytes(text.c_str(), (text.size() + 1) * sizeof(wchar_t)));
    DWORD effect = source->DoDragDrop(effects);
    source->ShellData.reset();
    return effect;
}
