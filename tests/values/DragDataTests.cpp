// What a drag offers: the item list and the shell's shortcut file, made on
// request; the file's name and contents; no stale file handed out when the
// write fails; the files removed at the end.
#include "app/framework/Archive.h"
#include "base/Strings.h"
#include "support/RegistrySandbox.h"
#include "app/DataOnDemand.h"
#include "app/RegItemList.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <fstream>
#include <iterator>

namespace
{
// A folder of the test's own under the temporary folder, removed afterwards.
class ScratchFolder
{
  public:
    ScratchFolder()
    {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        path = zv::Format(L"%sZorvaneDrag_%lu_%u\\", temp, GetCurrentProcessId(), ++s_counter);
        CreateDirectoryW(path.c_str(), nullptr);
    }
    ~ScratchFolder()
    {
        WIN32_FIND_DATAW found = {};
        HANDLE search = FindFirstFileW((path + L"*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE)
        {
            do
            {
                std::wstring file = path + found.cFileName;
                SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(file.c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(path.c_str());
    }
    std::wstring path;

  private:
    static inline unsigned s_counter = 0;
};

std::vector<BYTE> FileBytes(const std::wstring& path)
{
    std::vector<BYTE> bytes;
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    BYTE buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    CloseHandle(file);
    return bytes;
}

void WriteBytes(const std::wstring& path, const std::vector<BYTE>& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD done = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(file);
}

// The files a CF_HDROP request gives, or nothing when it is refused.
std::vector<std::wstring> DroppedFiles(IDataObject* data)
{
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    std::vector<std::wstring> files;
    if (FAILED(data->GetData(&format, &medium)))
        return files;
    auto drop = static_cast<HDROP>(medium.hGlobal);
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i)
    {
        wchar_t file[MAX_PATH] = {};
        DragQueryFileW(drop, i, file, MAX_PATH);
        files.push_back(file);
    }
    ReleaseStgMedium(&medium);
    return files;
}

bool OffersShellIdList(IDataObject* data)
{
    FORMATETC format = {ShellIdListFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (FAILED(data->GetData(&format, &medium)))
        return false;
    ReleaseStgMedium(&medium);
    return true;
}

zv::com_ptr<CDataOnDemand> DragSource(CRegItemList& list, const std::wstring& folder)
{
    zv::com_ptr<CDataOnDemand> source = zv::MakeCom<CDataOnDemand>(&list);
    source->Folder = folder;
    source->DelayRenderData(ShellIdListFormat());
    source->DelayRenderData(CF_HDROP);
    source->DelayRenderData(ItemListFormat());
    return source;
}
} // namespace

TEST(DragData, AFileRequestMakesTheShortcutOfTheFirstItemWhateverIsAskedFirst)
{
    RegistrySandbox box;
    box.SetString(L"K", L"Value", L"x");
    ScratchFolder folder;
    CRegItemList list;
    list.Add(box.PathOf(L"K"), L"Value", 1);
    list.AddKey(box.Path(), L"K");
    zv::com_ptr<CDataOnDemand> source = DragSource(list, folder.path);

    // CF_HDROP before any "Shell IDList Array" request.
    std::vector<std::wstring> files = DroppedFiles(source.get());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(zv::EqualsNoCase(files[0], folder.path + L"Value.s2r")) << zv::ToUtf8(files[0]);
    EXPECT_EQ(FileBytes(folder.path + L"Value.s2r"), EncodeArchiveString(box.PathOf(L"K") + L"\tValue"))
        << "a dragged value's shortcut names the value";
    EXPECT_TRUE(OffersShellIdList(source.get()));

    // The item list itself, rendered on request.
    CRegItemList dropped(source.get());
    ASSERT_EQ(dropped.GetCount(), 2);
    EXPECT_EQ(dropped.FullText(1), box.PathOf(L"K"));
    EXPECT_FALSE(dropped.IsMove);

    RemoveDragShortcuts();
    EXPECT_EQ(GetFileAttributesW((folder.path + L"Value.s2r").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(DragData, AShortcutThatCannotBeWrittenRefusesTheShellFormatsAndLeavesTheOldFile)
{
    RegistrySandbox box;
    box.CreateKey(L"Target");
    ScratchFolder folder;
    // A file of the same name from an earlier drag, naming another key, that
    // cannot be overwritten now (another program holds it).
    std::wstring stale = folder.path + L"Target.s2r";
    std::vector<BYTE> staleBytes = EncodeArchiveString(L"LOCAL_MACHINE\\SOFTWARE\\Other");
    WriteBytes(stale, staleBytes);
    HANDLE held = CreateFileW(stale.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    CRegItemList list;
    list.AddKey(box.Path(), L"Target");
    zv::com_ptr<CDataOnDemand> source = DragSource(list, folder.path);
    EXPECT_FALSE(OffersShellIdList(source.get()));
    EXPECT_TRUE(DroppedFiles(source.get()).empty());
    EXPECT_TRUE(source->ShortcutFailed);
    CloseHandle(held);
    EXPECT_EQ(FileBytes(stale), staleBytes);
    EXPECT_EQ(CRegItemList(source.get()).GetCount(), 1) << "the item list is still offered";

    // A file someone else wrote after ours is not removed at the end.
    CRegItemList other;
    other.AddKey(box.Path(), L"Target");
    zv::com_ptr<CDataOnDemand> second = DragSource(other, folder.path);
    ASSERT_EQ(DroppedFiles(second.get()).size(), 1u);
    WriteBytes(stale, staleBytes);
    RemoveDragShortcuts();
    EXPECT_EQ(FileBytes(stale), staleBytes);
}

TEST(DragData, ShortcutNamesAreFileSafeFitTheirRoomAndFallBack)
{
    RegistrySandbox box;
    box.SetString(L"K", L"", L"C:\\Data|1");
    box.CreateKey(L"Empty");
    auto nameOf = [](std::wstring_view path, std::wstring_view name, DWORD kind, size_t room = 255) {
        CRegItemList list;
        list.Add(path, name, kind);
        return DragShortcutName(list, room);
    };
    EXPECT_EQ(nameOf(box.Path(), L"a:b", 1), L"a;b.s2r");
    EXPECT_EQ(nameOf(box.Path(), L"CON", 0), L"_CON.s2r");
    EXPECT_EQ(nameOf(box.Path(), L"com1.txt", 1), L"_com1.txt.s2r");
    EXPECT_EQ(nameOf(box.Path(), std::wstring(400, L'n'), 0), std::wstring(251, L'n') + L".s2r");
    EXPECT_EQ(nameOf(box.Path(), std::wstring(400, L'n'), 0, 20).size(), 20u);
    EXPECT_EQ(nameOf(box.Path(), L"CONSOLE", 0, 7), L"_CO.s2r") << "a cut that leaves a device name";
    EXPECT_EQ(nameOf(box.Path(), L"x", 0, 4), L"") << "no room for a name";
    EXPECT_EQ(nameOf(box.PathOf(L"K"), L"", 1), L"C;-Data!1.s2r") << "the default value's data";
    EXPECT_EQ(nameOf(box.PathOf(L"Empty"), L"", 1), L"Empty.s2r") << "no default value: the key's name";
    EXPECT_EQ(nameOf(L"", L"", 1), L"My Computer.s2r");
}
