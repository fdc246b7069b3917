// A key tree in memory, built from a registry script's operations.
#include "operations/KeyTreeSource.h"

#include "base/Strings.h"

#include <algorithm>

namespace
{
const KeyTreeSource::Node* AsNode(std::uintptr_t key) noexcept
{
    return reinterpret_cast<const KeyTreeSource::Node*>(key);
}

// Calls each(name) for every name of a path ("A\B\C"), empty ones skipped.
template <typename F> bool ForEachName(std::wstring_view path, F&& each)
{
    for (size_t at = 0; at <= path.size();)
    {
        size_t slash = std::min(path.find(L'\\', at), path.size());
        std::wstring_view name = path.substr(at, slash - at);
        if (!name.empty() && !each(name))
            return false;
        at = slash + 1;
    }
    return true;
}

void Fill(const KeyTreeSource::Node::Value& value, ValueEntry& entry)
{
    if (value.name.size() >= entry.name.size())
        entry.name.resize(value.name.size() + 1);
    std::copy(value.name.begin(), value.name.end(), entry.name.begin());
    entry.name[value.name.size()] = L'\0';
    entry.nameLength = static_cast<DWORD>(value.name.size());
    entry.type = value.type;
    if (entry.data.size() < value.data.size())
        entry.data.resize(value.data.size());
    std::copy(value.data.begin(), value.data.end(), entry.data.begin());
    entry.size = static_cast<DWORD>(value.data.size());
}
} // namespace

KeyTreeSource::Node* KeyTreeSource::Node::Find(std::wstring_view childName) const
{
    auto found = byFoldedName.find(zv::ToUpper(childName));
    return found == byFoldedName.end() ? nullptr : found->second;
}

KeyTreeSource::Node& KeyTreeSource::Node::Make(std::wstring_view childName)
{
    if (Node* found = Find(childName))
        return *found;
    children.push_back(std::make_unique<Node>());
    children.back()->name.assign(childName);
    byFoldedName.emplace(zv::ToUpper(childName), children.back().get());
    return *children.back();
}

void KeyTreeSource::Node::Remove(std::wstring_view childName)
{
    auto found = byFoldedName.find(zv::ToUpper(childName));
    if (found == byFoldedName.end())
        return;
    Node* node = found->second;
    byFoldedName.erase(found);
    children.erase(std::find_if(children.begin(), children.end(),
                                [node](const std::unique_ptr<Node>& child) { return child.get() == node; }));
}

KeyTreeSource::KeyTreeSource(const std::vector<ScriptOperation>& operations)
{
    for (const ScriptOperation& operation : operations)
        Apply(operation);
}

void KeyTreeSource::Apply(const ScriptOperation& operation)
{
    switch (operation.kind)
    {
    case ScriptOperation::CreateKey:
        MakeKey(operation.key);
        break;
    case ScriptOperation::DeleteKey:
        DeleteKey(operation.key);
        break;
    case ScriptOperation::SetValue:
        SetValue(operation.key, operation.name, operation.type, operation.data);
        break;
    case ScriptOperation::DeleteValue:
        DeleteValue(operation.key, operation.name);
        break;
    case ScriptOperation::SkipLine:
        break;
    }
}

KeyTreeSource::Node& KeyTreeSource::MakeKey(std::wstring_view path)
{
    Node* node = &m_top;
    ForEachName(path, [&](std::wstring_view name) {
        node = &node->Make(name);
        return true;
    });
    return *node;
}

KeyTreeSource::Node* KeyTreeSource::Find(std::wstring_view path) const
{
    Node* node = nullptr;
    bool found = ForEachName(path, [&](std::wstring_view name) {
        node = node ? node->Find(name) : m_top.Find(name);
        return node != nullptr;
    });
    return found ? node : nullptr;
}

void KeyTreeSource::DeleteKey(std::wstring_view path)
{
    size_t slash = path.rfind(L'\\');
    if (slash == std::wstring_view::npos)
    {
        m_top.Remove(path);
        return;
    }
    if (Node* parent = Find(path.substr(0, slash)))
        parent->Remove(path.substr(slash + 1));
}

void KeyTreeSource::SetValue(std::wstring_view path, const std::wstring& name, DWORD type,
                             std::vector<BYTE> data)
{
    Node& key = MakeKey(path);
    for (Node::Value& value : key.values)
        if (zv::EqualsNoCase(value.name, name))
        {
            // The registry keeps the first spelling of a name it already has.
            value.type = type;
            value.data = std::move(data);
            return;
        }
    key.values.push_back({name, type, std::move(data)});
}

void KeyTreeSource::DeleteValue(std::wstring_view path, const std::wstring& name)
{
    if (Node* key = Find(path))
        key->values.erase(
            std::remove_if(key->values.begin(), key->values.end(),
                           [&](const Node::Value& value) { return zv::EqualsNoCase(value.name, name); }),
            key->values.end());
}

LONG KeyTreeSource::OpenPath(std::wstring_view path, KeyUse, LinkRule, std::uintptr_t& key) const
{
    const Node* node = Find(path);
    if (!node)
        return ERROR_FILE_NOT_FOUND;
    key = reinterpret_cast<std::uintptr_t>(node);
    return ERROR_SUCCESS;
}

LONG KeyTreeSource::OpenChild(std::uintptr_t parent, const wchar_t* name, KeyUse, std::uintptr_t& key) const
{
    const Node* node = AsNode(parent)->Find(name);
    if (!node)
        return ERROR_FILE_NOT_FOUND;
    key = reinterpret_cast<std::uintptr_t>(node);
    return ERROR_SUCCESS;
}

void KeyTreeSource::Close(std::uintptr_t) const noexcept {}

LONG KeyTreeSource::SubKeyAt(std::uintptr_t key, DWORD index, SubKeyEntry& entry) const
{
    const Node* node = AsNode(key);
    if (index >= node->children.size())
        return ERROR_NO_MORE_ITEMS;
    const std::wstring& name = node->children[index]->name;
    if (name.size() >= std::size(entry.name))
        return ERROR_MORE_DATA;
    std::copy(name.begin(), name.end(), entry.name);
    entry.name[name.size()] = L'\0';
    entry.length = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

LONG KeyTreeSource::ValueAt(std::uintptr_t key, DWORD index, ValueEntry& entry) const
{
    const Node* node = AsNode(key);
    if (index >= node->values.size())
        return ERROR_NO_MORE_ITEMS;
    Fill(node->values[index], entry);
    return ERROR_SUCCESS;
}

LONG KeyTreeSource::Value(std::uintptr_t key, const wchar_t* name, ValueEntry& entry) const
{
    for (const Node::Value& value : AsNode(key)->values)
        if (zv::EqualsNoCase(value.name, name))
        {
            Fill(value, entry);
            return ERROR_SUCCESS;
        }
    return ERROR_FILE_NOT_FOUND;
}

LONG KeyTreeSource::Info(std::uintptr_t key, KeyInfo& info) const
{
    const Node* node = AsNode(key);
    info = KeyInfo();
    info.subKeys = static_cast<DWORD>(node->children.size());
    info.values = static_cast<DWORD>(node->values.size());
    return ERROR_SUCCESS;
}

LONG KeyTreeSource::Security(std::uintptr_t, std::vector<BYTE>&) const
{
    return ERROR_NOT_SUPPORTED; // a script holds no permissions
}

bool KeyTreeSource::ChildIsLink(std::uintptr_t, const wchar_t*) const
{
    return false; // a script cannot make a link
}
