// How a registry region differs from a snapshot of it, and whether two
// snapshots are the same.
#include "operations/RegSnapshot.h"

#include "base/Strings.h"
#include "operations/ReportError.h"
#include "operations/SnapshotParts.h"

using namespace snapshot;

namespace
{
void TreeDifferences(const SavedKey& wanted, const SavedKey& now, const std::wstring& path, bool securityOnly,
                     std::vector<std::wstring>& lines, size_t limit)
{
    auto add = [&](const std::wstring& line) {
        if (lines.size() < limit)
            lines.push_back(line);
    };
    if (wanted.name != now.name)
        add(path + L" is spelled " + now.name + L" instead of " + wanted.name);
    if (wanted.security != now.security)
        add(path + L": its permissions differ");
    if (!securityOnly)
    {
        if (wanted.className != now.className)
            add(path + L": its class differs");
        for (const SavedValue& value : wanted.values)
        {
            const SavedValue* found = FindValue(now.values, value.name);
            if (!found)
                add(path + L": the value " + Quoted(value.name) + L" is gone");
            else if (!(*found == value))
                add(path + L": the value " + Quoted(value.name) + L" differs");
        }
        for (const SavedValue& value : now.values)
            if (!FindValue(wanted.values, value.name))
                add(path + L": the value " + Quoted(value.name) + L" was added");
    }
    for (const SavedKey& child : wanted.children)
    {
        if (lines.size() >= limit)
            return;
        const SavedKey* found = FindChild(now.children, child.name);
        if (!found)
            add(path + L"\\" + child.name + L" is gone");
        else
            TreeDifferences(child, *found, path + L"\\" + child.name, securityOnly, lines, limit);
    }
    for (const SavedKey& child : now.children)
        if (!FindChild(wanted.children, child.name))
            add(path + L"\\" + child.name + L" was added");
}

bool SameTree(const SavedKey& a, const SavedKey& b)
{
    if (a.name != b.name || a.link != b.link || a.className != b.className || a.security != b.security ||
        a.values != b.values || a.children.size() != b.children.size())
        return false;
    for (size_t i = 0; i < a.children.size(); ++i)
        if (!SameTree(a.children[i], b.children[i]))
            return false;
    return true;
}
} // namespace

bool SameRegionState(const RegionState& a, const RegionState& b)
{
    if (a.exists != b.exists)
        return false;
    if (!a.exists)
        return true;
    return a.value == b.value && SameTree(a.Tree(), b.Tree());
}

std::vector<std::wstring> RegionDifferences(const RegRegion& region, const RegionState& state, size_t limit)
{
    std::vector<std::wstring> lines;
    RegionState now;
    DWORD error = 0;
    if (!CaptureRegion(region, now, error))
    {
        lines.push_back(region.key + L" cannot be read: " + SystemErrorText(error));
        return lines;
    }
    std::wstring what =
        region.kind == RegRegion::Value ? region.key + L" " + Quoted(region.value) : region.key;
    if (state.exists != now.exists)
    {
        lines.push_back(what + (now.exists ? L" exists again" : L" is gone"));
        return lines;
    }
    if (!state.exists)
        return lines;
    if (region.kind != RegRegion::Value && !state.LoadTree())
    {
        lines.push_back(what + L": " + kUnreadableState);
        return lines;
    }
    if (region.kind == RegRegion::Value)
    {
        if (state.value.type != now.value.type || state.value.data != now.value.data)
            lines.push_back(what + L" holds other data");
        else if (region.spelling && state.value.name != now.value.name)
            lines.push_back(what + L" is spelled " + Quoted(now.value.name));
        return lines;
    }
    TreeDifferences(state.Tree(), now.Tree(), region.key, region.kind == RegRegion::Security, lines, limit);
    return lines;
}
