// Hive files: saving a key's tree to one, mounting one below LOCAL_MACHINE
// or USERS, and dismounting it again; when rights are missing, the same
// through the system's registry tool in an elevated command window.
#pragma once

#include <string>

// Whether path names a hive mounted directly below USERS or LOCAL_MACHINE:
// one the system lists as loaded, or one this program loaded in this run.
bool IsLoadedHive(const std::wstring& path);

// Writes the tree of the key at keyPath into a new file; reports a failure.
bool SaveHive(const std::wstring& keyPath, const std::wstring& file);

// Mounts file below USERS (when currentPath is under USERS) or LOCAL_MACHINE,
// named after the file (made unique); newPath is the mounted key's path.
// False when it was not mounted here (the elevated tool may have been offered).
bool LoadHive(const std::wstring& file, const std::wstring& currentPath, std::wstring& newPath);
// The same under the key name the user chose below root (USERS or LOCAL_MACHINE).
bool LoadHiveAs(const std::wstring& file, const std::wstring& root, const std::wstring& keyName,
                std::wstring& newPath);
// The root a hive is mounted below when loaded from currentPath.
std::wstring HiveRootFor(const std::wstring& currentPath);

// Dismounts the hive at keyPath. Refuses anything that is no loaded hive:
// this platform's unload call deletes an ordinary key with its whole tree.
bool UnloadHive(const std::wstring& keyPath);

// The elevated tool's parameters for the reg.exe command (after "reg.exe "),
// or false with the reason when a path or file cannot be passed safely on a
// command line (a quote, %, !, a control character, or too long).
bool ElevatedToolParameters(const std::wstring& command, std::wstring& parameters, std::wstring& problem);
// "load \"HKEY_<path>\" \"<file>\"" and "unload \"HKEY_<path>\"".
std::wstring LoadCommand(const std::wstring& path, const std::wstring& file);
std::wstring UnloadCommand(const std::wstring& path);
