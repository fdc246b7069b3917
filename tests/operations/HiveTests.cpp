// Hive files against the test prefix's registry: save, load and unload of a
// tree byte for byte, the mount point's name, an ordinary key that survives
// an unload attempt, and the elevated fallback's command line, which refuses
// what the command interpreter would misread.
#include "base/Strings.h"
#include "operations/Hives.h"
#include "operations/KeyTransfer.h"
#include "registry/EzReg.h"
#include "support/ScriptedPrompts.h"
#include "support/TreeFixtures.h"

#include <gtest/gtest.h>

TEST(HiveFallback, TheToolsCommandLineAndWhatItRefuses)
{
    std::wstring parameters, problem;
    ASSERT_TRUE(
        ElevatedToolParameters(LoadCommand(L"LOCAL_MACHINE\\Name", L"C:\\hives\\Name"), parameters, problem));
    EXPECT_EQ(
        parameters,
        L"\"\" /k title Zorvane Command & reg.exe load \"HKEY_LOCAL_MACHINE\\Name\" \"C:\\hives\\Name\"");
    ASSERT_TRUE(ElevatedToolParameters(UnloadCommand(L"USERS\\Name"), parameters, problem));
    EXPECT_EQ(parameters, L"\"\" /k title Zorvane Command & reg.exe unload \"HKEY_USERS\\Name\"");
    for (const std::wstring& file :
         {std::wstring(L"C:\\x\" & del C:\\y & \".dat"), std::wstring(L"C:\\%TEMP%\\a"),
          std::wstring(L"C:\\a!b!"), std::wstring(L"C:\\a\r\nb"),
          std::wstring(L"C:\\") + std::wstring(9000, L'a')})
    {
        parameters.clear();
        EXPECT_FALSE(ElevatedToolParameters(LoadCommand(L"LOCAL_MACHINE\\Name", file), parameters, problem))
            << zv::ToUtf8(file);
        EXPECT_FALSE(problem.empty());
    }
    EXPECT_FALSE(ElevatedToolParameters(UnloadCommand(L"LOCAL_MACHINE\\Na\"me"), parameters, problem));
}

TEST(Hives, AnOrdinaryKeySurvivesAnUnloadAttempt)
{
    RegistrySandbox box;
    box.SetString(L"Plain", L"v", L"kept");
    // Directly below LOCAL_MACHINE too, where a hive would be mounted.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"ZorvaneNotAHive", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              0);
    RegCloseKey(key);
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"ZorvaneNotAHive\\Inner", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &key, nullptr);
    RegCloseKey(key);
    ScriptedPrompts user;
    user.Answer(IDOK);
    user.Answer(IDOK);
    EXPECT_FALSE(IsLoadedHive(L"LOCAL_MACHINE\\ZorvaneNotAHive"));
    EXPECT_FALSE(UnloadHive(L"LOCAL_MACHINE\\ZorvaneNotAHive"));
    EXPECT_FALSE(UnloadHive(box.PathOf(L"Plain")));
    EXPECT_EQ(user.Boxes().size(), 2u);
    EXPECT_TRUE(KeyExistsRaw(HKEY_LOCAL_MACHINE, L"ZorvaneNotAHive\\Inner"));
    EXPECT_TRUE(box.Exists(L"Plain"));
    EXPECT_TRUE(user.Launches().empty());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"ZorvaneNotAHive");
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"ZorvaneNotAHive");
    EXPECT_FALSE(IsLoadedHive(L"CURRENT_USER\\Software"));
    EXPECT_FALSE(IsLoadedHive(L"LOCAL_MACHINE\\"));
}

TEST(Hives, SaveLoadAndUnloadATreeByteForByte)
{
    RegistrySandbox box;
    BuildEveryTypeTree(box, L"Tree");
    TreeSnapshot original = SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\Tree");
    std::wstring file = TempFilePath(L"ZorvaneHive");
    DeleteFileW(file.c_str());
    ScriptedPrompts user;
    ASSERT_TRUE(SaveHive(box.PathOf(L"Tree"), file));
    std::wstring name = file.substr(file.rfind(L'\\') + 1);

    std::wstring mounted;
    ASSERT_TRUE(LoadHive(file, box.Path(), mounted)) << "the fallback was offered instead";
    EXPECT_EQ(mounted, L"LOCAL_MACHINE\\" + name);
    EXPECT_TRUE(IsLoadedHive(mounted));
    EXPECT_FALSE(IsLoadedHive(mounted + L"\\Sub"));
    EXPECT_EQ(SnapshotTree(HKEY_LOCAL_MACHINE, name), original);
    // A second load of the same file gets the next free name.
    std::wstring second;
    if (LoadHive(file, L"LOCAL_MACHINE\\Software", second))
    {
        EXPECT_EQ(second, L"LOCAL_MACHINE\\" + name + L".2");
        EXPECT_TRUE(UnloadHive(second));
    }
    EXPECT_TRUE(UnloadHive(mounted));
    EXPECT_FALSE(KeyExistsRaw(HKEY_LOCAL_MACHINE, name));
    EXPECT_FALSE(IsLoadedHive(mounted));
    EXPECT_EQ(SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\Tree"), original);
    DeleteFileW(file.c_str());
}

TEST(Hives, AFileThatIsNoHiveOffersTheElevatedToolWithASafeCommandLine)
{
    std::wstring file = TempFilePath(L"NotAHive.dat");
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(handle, "nothing", 7, &written, nullptr);
    CloseHandle(handle);
    ScriptedPrompts user;
    user.Answer(IDOK);  // the error
    user.Answer(IDYES); // retry elevated
    std::wstring name = file.substr(file.rfind(L'\\') + 1);
    std::wstring mounted;
    EXPECT_FALSE(LoadHive(file, L"USERS\\.DEFAULT", mounted));
    EXPECT_EQ(mounted, L"USERS\\" + name);
    ASSERT_EQ(user.Launches().size(), 1u);
    RecordedLaunch launch = user.Launches()[0];
    wchar_t system[MAX_PATH];
    UINT length = GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(launch.verb, L"runas");
    EXPECT_EQ(launch.file, std::wstring(system, length) + L"\\cmd.exe");
    EXPECT_EQ(launch.directory, std::wstring(system, length));
    EXPECT_EQ(launch.parameters, L"\"\" /k title Zorvane Command & reg.exe load \"HKEY_USERS\\" + name +
                                     L"\" \"" + file + L"\"");
    EXPECT_FALSE(KeyExistsRaw(HKEY_USERS, name));

    // A file name the interpreter would expand: refused with a message, nothing started.
    std::wstring odd = TempFilePath(L"odd%PATH%.dat");
    CopyFileW(file.c_str(), odd.c_str(), FALSE);
    user.Clear();
    user.Answer(IDOK);
    user.Answer(IDYES);
    user.Answer(IDOK);
    EXPECT_FALSE(LoadHive(odd, L"LOCAL_MACHINE", mounted));
    EXPECT_TRUE(user.Launches().empty());
    ASSERT_EQ(user.Boxes().size(), 3u);
    EXPECT_NE(user.Boxes()[2].text.find(L"cannot be passed"), std::wstring::npos);
    DeleteFileW(file.c_str());
    DeleteFileW(odd.c_str());
}

TEST(Hives, ALoadedHivesRootIsNeverDeletedOrMovedAway)
{
    RegistrySandbox box;
    box.SetString(L"Tree\\Inner", L"v", L"x");
    std::wstring file = TempFilePath(L"ZorvaneHiveRoot");
    DeleteFileW(file.c_str());
    ScriptedPrompts user;
    ASSERT_TRUE(SaveHive(box.PathOf(L"Tree"), file));
    std::wstring mounted;
    ASSERT_TRUE(LoadHive(file, L"USERS", mounted));
    ASSERT_TRUE(IsLoadedHive(mounted));
    std::wstring sub = mounted.substr(mounted.find(L'\\') + 1);

    // Every way to a delete refuses it, before anything is written.
    user.Answer(IDOK);
    EXPECT_FALSE(DeleteRegistryKey(mounted));
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(user.Boxes()[0].text, HiveRootDeleteRefusal(mounted));
    EXPECT_FALSE(DeleteTree(CEzReg(mounted)));
    user.Answer(IDOK);
    box.CreateKey(L"Target");
    EXPECT_FALSE(PasteKey(CEzReg(box.PathOf(L"Target")), mounted, true));
    EXPECT_TRUE(box.SubKeys(L"Target").empty()) << "a refused move copies nothing";
    EXPECT_TRUE(KeyExistsRaw(HKEY_USERS, sub + L"\\Inner"));
    EXPECT_TRUE(IsLoadedHive(mounted));
    // Its keys below go as any key does; a copy of the root is a copy.
    EXPECT_TRUE(PasteKey(CEzReg(box.PathOf(L"Target")), mounted, false));
    EXPECT_TRUE(DeleteRegistryKey(mounted + L"\\Inner"));
    EXPECT_TRUE(UnloadHive(mounted));
    EXPECT_FALSE(KeyExistsRaw(HKEY_USERS, sub));
    DeleteFileW(file.c_str());
}
