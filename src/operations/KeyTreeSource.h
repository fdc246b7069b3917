// A tree of keys held in memory behind the key-source interface: what a
// registry script describes, read as a tree (its operations applied to an
// empty tree in file order), so it can be compared, searched and exported
// like the registry. Paths start with a root's short name, as in the
// program ("CURRENT_USER\Software\X"). Window-free.
#pragma once

#include "operations/RegScriptParser.h"
#include "registry/KeySource.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class KeyTreeSource : public KeySource
{
  public:
    struct Node
    {
        std::wstring name; // as first spelled
        struct Value
        {
            std::wstring name;
            DWORD type = REG_NONE;
            std::vector<BYTE> data;
        };
        std::vector<Value> values;
        std::vector<std::unique_ptr<Node>> children;
        std::unordered_map<std::wstring, Node*> byFoldedName;

        Node* Find(std::wstring_view childName) const;
        Node& Make(std::wstring_view childName);
        void Remove(std::wstring_view childName);
    };

    KeyTreeSource() = default;
    // The tree the operations leave, applied in order to an empty tree.
    explicit KeyTreeSource(const std::vector<ScriptOperation>& operations);
    void Apply(const ScriptOperation& operation);

    // The key at path, made with its parents when missing.
    Node& MakeKey(std::wstring_view path);
    void DeleteKey(std::wstring_view path);
    void SetValue(std::wstring_view path, const std::wstring& name, DWORD type, std::vector<BYTE> data);
    void DeleteValue(std::wstring_view path, const std::wstring& name);

  protected:
    LONG OpenPath(std::wstring_view path, KeyUse use, LinkRule rule, std::uintptr_t& key) const override;
    LONG OpenChild(std::uintptr_t parent, const wchar_t* name, KeyUse use,
                   std::uintptr_t& key) const override;
    void Close(std::uintptr_t key) const noexcept override;
    LONG SubKeyAt(std::uintptr_t key, DWORD index, SubKeyEntry& entry) const override;
    LONG ValueAt(std::uintptr_t key, DWORD index, ValueEntry& entry) const override;
    LONG Value(std::uintptr_t key, const wchar_t* name, ValueEntry& entry) const override;
    LONG Info(std::uintptr_t key, KeyInfo& info) const override;
    LONG Security(std::uintptr_t key, std::vector<BYTE>& descriptor) const override;
    bool ChildIsLink(std::uintptr_t parent, const wchar_t* name) const override;

  private:
    Node* Find(std::wstring_view path) const;
    Node m_top; // its children are the roots a script names
};
