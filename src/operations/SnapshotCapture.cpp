// Capturing a registry region as it is now: a value, or a key with its tree.
#include "operations/RegSnapshot.h"

#include "base/Strings.h"
#include "operations/RegLinks.h"
#include "operations/SnapshotParts.h"
#include "registry/LiveRegistry.h"
#include "registry/RootKeys.h"

using namespace snapshot;

namespace
{
// Reads a tree through the key source, with one set of buffers for the walk.
class TreeReader
{
  public:
    TreeReader(bool securityOnly, bool deep) : m_securityOnly(securityOnly), m_deep(deep) {}

    // Reads key and its tree (security only, for a Security region).
    LONG Read(const SourceKey& key, SavedKey& tree)
    {
        tree.security = key.Security(m_descriptor) == ERROR_SUCCESS
                            ? SecurityText(m_descriptor.data(), kSecurityParts)
                            : std::wstring();
        LONG result = ERROR_SUCCESS;
        if (!m_securityOnly)
        {
            if (key.Info(m_info) == ERROR_SUCCESS)
                tree.className = m_info.className;
            if ((result = ReadValues(key, tree.values, m_value)) != ERROR_SUCCESS)
                return result;
        }
        if (m_securityOnly && !m_deep)
            return ERROR_SUCCESS;
        std::vector<std::wstring> names;
        if ((result = ReadChildNames(key, names, m_child)) != ERROR_SUCCESS)
            return result;
        tree.children.reserve(names.size());
        for (std::wstring& name : names)
        {
            // A link is read as itself (its target value), never followed.
            SourceKey child = key.OpenSubKey(name.c_str(), kUse, result);
            if (!child)
                return result;
            tree.children.emplace_back();
            SavedKey& saved = tree.children.back();
            saved.name = std::move(name);
            result = Read(child, saved);
            if (result != ERROR_SUCCESS)
                return result;
            saved.link = !saved.values.empty() &&
                         IsLinkValue(saved.values[0].name.c_str(), saved.values[0].type) &&
                         key.ChildIsLink(saved.name.c_str());
        }
        return ERROR_SUCCESS;
    }

    static constexpr KeyUse kUse = KeyUse::Read | KeyUse::Security;

  private:
    bool m_securityOnly;
    bool m_deep;
    std::vector<BYTE> m_descriptor;
    KeyInfo m_info;
    ValueEntry m_value;
    SubKeyEntry m_child;
};

// Whether the key at path, whose first value looks like a link's, is one.
bool IsLinkAt(const std::wstring& path)
{
    size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos)
        return false; // a root
    LONG error = ERROR_SUCCESS;
    SourceKey parent = LiveRegistry().Open(std::wstring_view(path).substr(0, slash), KeyUse::SubKeys, error);
    return parent && parent.ChildIsLink(path.c_str() + slash + 1);
}
} // namespace

void ReadKeyNames(const std::wstring& path, std::vector<std::wstring>& keys,
                  std::vector<std::wstring>& values)
{
    LONG error = ERROR_SUCCESS;
    SourceKey key = LiveRegistry().Open(path, KeyUse::SubKeys | KeyUse::Values, error);
    if (!key)
        return;
    SubKeyEntry child;
    ReadChildNames(key, keys, child);
    ValueEntry value;
    for (DWORD i = 0; key.ValueAt(i, value) == ERROR_SUCCESS; ++i)
        values.emplace_back(value.Name());
}

bool CaptureRegion(const RegRegion& region, RegionState& state, DWORD& error)
{
    state = RegionState();
    error = ERROR_SUCCESS;
    HKEY root = nullptr;
    std::wstring sub;
    if (!SplitRootPath(region.key, root, sub))
    {
        error = ERROR_INVALID_PARAMETER;
        return false;
    }
    const KeySource& source = LiveRegistry();
    bool isValue = region.kind == RegRegion::Value;
    LONG result = ERROR_SUCCESS;
    // A tree that is a link is kept as the link, not as what it points to.
    SourceKey key = source.Open(region.key, isValue ? KeyUse::Values : TreeReader::kUse, result,
                                isValue ? LinkRule::Follow : LinkRule::Itself);
    if (result == ERROR_FILE_NOT_FOUND)
        return true; // not there: a state that does not exist
    if (result != ERROR_SUCCESS)
    {
        error = static_cast<DWORD>(result);
        return false;
    }
    if (isValue)
    {
        ValueEntry value;
        result = key.Value(region.value.c_str(), value);
        if (result == ERROR_SUCCESS)
        {
            state.exists = true;
            state.value = {region.value, value.type,
                           std::vector<BYTE>(value.Bytes(), value.Bytes() + value.size)};
            if (region.spelling)
            {
                std::vector<SavedValue> values;
                ReadValues(key, values, value);
                if (const SavedValue* found = FindValue(values, region.value))
                    state.value.name = found->name;
            }
        }
        else if (result != ERROR_FILE_NOT_FOUND)
            error = static_cast<DWORD>(result);
        return error == ERROR_SUCCESS;
    }
    SavedKey tree;
    tree.name = sub.empty() ? region.key : SpelledChild(ParentOf(region.key), LeafOf(region.key));
    TreeReader reader(region.kind == RegRegion::Security, region.deep || region.kind == RegRegion::Tree);
    result = reader.Read(key, tree);
    key = SourceKey();
    if (result != ERROR_SUCCESS)
    {
        error = static_cast<DWORD>(result);
        return false;
    }
    tree.link = !sub.empty() && !tree.values.empty() &&
                IsLinkValue(tree.values[0].name.c_str(), tree.values[0].type) && IsLinkAt(region.key);
    state.exists = true;
    state.SetTree(std::move(tree));
    return true;
}
