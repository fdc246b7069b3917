// The key that corresponds to the current one below another root (a class
// below CLASSES_ROOT and below the user's or the machine's Classes key).
#include "registry/RegistryPath.h"

#include "base/Strings.h"
#include "registry/RootKeys.h"

namespace
{
struct RootAndRest
{
    int root;
    std::wstring_view rest;
};

RootAndRest SplitRoot(std::wstring_view path)
{
    size_t slash = path.find(L'\\');
    std::wstring_view rootText = slash == std::wstring_view::npos ? path : path.substr(0, slash);
    std::wstring_view rest =
        (slash == std::wstring_view::npos || slash == 0) ? std::wstring_view() : path.substr(slash);
    return {RootIndexFromName(rootText), rest};
}

// rest begins with infix as whole components ("\Software\ClassesX" does not
// begin with "\Software\Classes").
bool StartsWithInfix(std::wstring_view rest, std::wstring_view infix)
{
    return zv::StartsWithNoCase(rest, infix) && (rest.size() == infix.size() || rest[infix.size()] == L'\\');
}

std::wstring_view WithoutInfix(std::wstring_view rest, std::wstring_view infix)
{
    if (StartsWithInfix(rest, infix))
        rest.remove_prefix(infix.size());
    return rest;
}
} // namespace

std::wstring CorrespondingKey(std::wstring_view currentPath, int targetRoot)
{
    RootAndRest parts = SplitRoot(currentPath);
    std::wstring target = RootName(targetRoot);
    switch (targetRoot)
    {
    case kRootClasses:
        target += WithoutInfix(parts.rest, kClassesInfix);
        break;
    case kRootConfig:
        target += WithoutInfix(parts.rest, kConfigInfix);
        break;
    case kRootMachine:
    case kRootUser:
        if (parts.root == kRootClasses)
            target += kClassesInfix;
        else if (parts.root == kRootConfig)
            target += kConfigInfix;
        target += parts.rest;
        break;
    default:
        target += parts.rest;
        break;
    }
    return target;
}

bool CanGoToMachineKey(std::wstring_view currentPath)
{
    int root = SplitRoot(currentPath).root;
    return root == kRootClasses || root == kRootUser || root == kRootConfig;
}

bool CanGoToUserKey(std::wstring_view currentPath)
{
    int root = SplitRoot(currentPath).root;
    return root == kRootMachine || root == kRootClasses;
}

bool CanGoToClassesKey(std::wstring_view currentPath)
{
    RootAndRest parts = SplitRoot(currentPath);
    return (parts.root == kRootMachine || parts.root == kRootUser) &&
           StartsWithInfix(parts.rest, kClassesInfix);
}

bool CanGoToConfigKey(std::wstring_view currentPath)
{
    RootAndRest parts = SplitRoot(currentPath);
    return parts.root == kRootMachine && StartsWithInfix(parts.rest, kConfigInfix);
}
