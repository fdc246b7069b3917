// What the help pages list, checked against the program's own tables: every
// key a page names is one the program answers, the keyboard page lists every
// shortcut, the menu page names every menu command with the keys its menu
// shows, and every address spelling the address bar page lists goes where
// the page says.
#include "app/framework/FrameworkIds.h"
#include "base/Strings.h"
#include "HelpStorage.h"
#include "registry/RegistryPath.h"

#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace
{
using namespace helptest;

// The inner HTML of each <tag>...</tag> in the text.
std::vector<std::string> Inner(const std::string& html, const std::string& tag)
{
    std::vector<std::string> found;
    const std::string open = "<" + tag, close = "</" + tag + ">";
    for (size_t at = html.find(open); at != std::string::npos; at = html.find(open, at + 1))
    {
        char next = at + open.size() < html.size() ? html[at + open.size()] : '\0';
        if (next != '>' && next != ' ')
            continue; // <th> is no <t>, <tr> no <td>
        size_t start = html.find('>', at);
        size_t end = start == std::string::npos ? start : html.find(close, start);
        if (end == std::string::npos)
            break;
        found.push_back(html.substr(start + 1, end - start - 1));
    }
    return found;
}

// The text a reader sees: tags dropped, the entities the pages use read.
std::string Text(const std::string& html)
{
    std::string text;
    bool inTag = false;
    for (char c : html)
    {
        if (c == '<')
            inTag = true;
        else if (c == '>')
            inTag = false;
        else if (!inTag)
            text += c;
    }
    for (const auto& [entity, character] :
         {std::pair<std::string, std::string>{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}})
        for (size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1))
            text.replace(at, entity.size(), character);
    return text;
}

// The part of a page below <h2>heading</h2>, up to the next heading.
std::string Section(const std::string& html, const std::string& heading)
{
    const std::string marker = "<h2>" + heading + "</h2>";
    size_t start = html.find(marker);
    if (start == std::string::npos)
        return {};
    start += marker.size();
    return html.substr(start, html.find("<h2", start) - start);
}

// The cells of each table row with data cells.
std::vector<std::vector<std::string>> Rows(const std::string& html)
{
    std::vector<std::vector<std::string>> rows;
    for (const std::string& row : Inner(html, "tr"))
        if (std::vector<std::string> cells = Inner(row, "td"); !cells.empty())
            rows.push_back(cells);
    return rows;
}

std::vector<std::string> Split(const std::string& text, const std::string& separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, start))
    {
        parts.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    parts.push_back(text.substr(start));
    return parts;
}

// One spelling for a key: modifiers as Ctrl+Shift+Alt, "Backsp" written out.
std::string NormalKey(const std::string& key)
{
    if (key == "+")
        return key;
    std::vector<std::string> parts = Split(key, "+");
    std::string base = parts.back();
    if (base == "Backsp")
        base = "Backspace";
    std::string result;
    for (const char* modifier : {"Ctrl", "Shift", "Alt"})
        for (size_t i = 0; i + 1 < parts.size(); ++i)
            if (parts[i] == modifier)
                result += std::string(modifier) + "+";
    return result + base;
}

std::string AcceleratorKey(const ACCEL& accel)
{
    std::string key;
    if (accel.fVirt & FCONTROL)
        key += "Ctrl+";
    if (accel.fVirt & FSHIFT)
        key += "Shift+";
    if (accel.fVirt & FALT)
        key += "Alt+";
    WORD code = accel.key;
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'))
        return key + static_cast<char>(code);
    if (code >= VK_F1 && code <= VK_F24)
        return key + "F" + std::to_string(code - VK_F1 + 1);
    switch (code)
    {
    case VK_BACK:
        return key + "Backspace";
    case VK_LEFT:
        return key + "Left";
    case VK_RIGHT:
        return key + "Right";
    case VK_UP:
        return key + "Up";
    case VK_DOWN:
        return key + "Down";
    case VK_RETURN:
        return key + "Enter";
    case VK_INSERT:
        return key + "Ins";
    case VK_DELETE:
        return key + "Del";
    case VK_TAB:
        return key + "Tab";
    default:
        return key + "VK_" + std::to_string(code);
    }
}

// The shortcuts of the program's accelerator tables.
std::set<std::string> ShortcutKeys()
{
    std::set<std::string> keys;
    for (UINT table : {IDR_MAINFRAME, IDR_CLIPBOARD_KEYS, IDR_PANE_KEYS})
    {
        HACCEL handle = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(table));
        int count = CopyAcceleratorTableW(handle, nullptr, 0);
        std::vector<ACCEL> entries(static_cast<size_t>(count));
        CopyAcceleratorTableW(handle, entries.data(), count);
        for (const ACCEL& accel : entries)
            keys.insert(AcceleratorKey(accel));
        DestroyAcceleratorTable(handle);
    }
    return keys;
}

// Keys the panes, the editors and the platform's controls answer themselves:
// help, delete, the context menu, leaving an editor, ticking, opening a branch,
// the hex editor's insert mode and the modifiers held while dragging.
const std::set<std::string> kKeysOfThePanes = {"F1",    "Del", "Shift+F10", "Esc",   "Space",
                                               "Right", "+",   "Ins",       "Shift", "Ctrl"};

std::string Page(const HelpStorage& help, const std::string& name)
{
    std::string html;
    help.Read(name, html);
    return html;
}

std::string Report(const std::vector<std::string>& lines)
{
    std::string report;
    for (const std::string& line : lines)
        report += line + "\n";
    return report;
}

struct MenuItem
{
    std::string label;          // as shown, without mnemonic and placeholder
    std::set<std::string> keys; // the shortcuts it shows
};

std::string Narrow(const std::wstring& text)
{
    return zv::ToUtf8(text);
}

// The commands of one of the main menu's popups.
std::vector<MenuItem> PopupItems(HMENU popup)
{
    std::vector<MenuItem> items;
    for (int i = 0; i < GetMenuItemCount(popup); ++i)
    {
        wchar_t text[256] = {};
        MENUITEMINFOW info = {sizeof(info)};
        info.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE;
        info.dwTypeData = text;
        info.cch = 255;
        GetMenuItemInfoW(popup, static_cast<UINT>(i), TRUE, &info);
        if ((info.fType & MFT_SEPARATOR) || info.wID == ID_FILE_MRU_FILE1)
            continue;
        std::wstring whole(text);
        std::wstring label = whole.substr(0, whole.find(L'\t'));
        label = zv::ReplaceAll(label, L"&", L"");
        if (label.size() > 3 && label.compare(label.size() - 3, 3, L" %s") == 0)
            label.resize(label.size() - 3);
        MenuItem item{Narrow(label), {}};
        if (size_t tab = whole.find(L'\t'); tab != std::wstring::npos)
            for (const std::string& key : Split(Narrow(whole.substr(tab + 1)), ", "))
                item.keys.insert(NormalKey(key));
        items.push_back(item);
    }
    return items;
}

// The command names of a row's first cell: "Undo / Redo", "A, B".
std::vector<std::string> RowCommands(const std::string& cell)
{
    std::vector<std::string> names;
    for (const std::string& part : Split(Text(cell), " / "))
        for (const std::string& name : Split(part, ", "))
            names.push_back(name);
    return names;
}
} // namespace

TEST(HelpPages, EveryKeyThePagesNameIsAKeyOfTheProgramAndTheKeyboardPageListsEveryShortcut)
{
    HelpStorage help(BuiltHelpFile());
    ASSERT_TRUE(help.IsOpen());
    std::map<int, std::string> system = SystemEntries(help);
    const std::set<std::string> shortcuts = ShortcutKeys();
    ASSERT_GE(shortcuts.size(), 30u);

    std::vector<std::string> failures;
    std::set<std::string> pages;
    for (const std::string& page : SitemapTargets(Page(help, system[0])))
        pages.insert(page.substr(0, page.find('#')));
    ASSERT_GE(pages.size(), 18u);
    size_t named = 0;
    for (const std::string& page : pages)
        for (const std::string& kbd : Inner(Page(help, page), "kbd"))
        {
            ++named;
            std::string key = NormalKey(Text(kbd));
            if (!shortcuts.count(key) && !kKeysOfThePanes.count(key))
                failures.push_back(page + ": " + key + " is no key of the program");
        }
    EXPECT_GE(named, 80u);

    std::set<std::string> listed;
    for (const std::string& kbd : Inner(Page(help, "keyboard.htm"), "kbd"))
        listed.insert(NormalKey(Text(kbd)));
    for (const std::string& key : shortcuts)
        if (!listed.count(key))
            failures.push_back("keyboard.htm does not list " + key);
    EXPECT_TRUE(failures.empty()) << Report(failures);
}

TEST(HelpPages, TheMenuPageNamesEveryMenuCommandWithTheKeysItsMenuShows)
{
    HelpStorage help(BuiltHelpFile());
    ASSERT_TRUE(help.IsOpen());
    const std::string page = Page(help, "menus.htm");
    ASSERT_FALSE(page.empty());
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    ASSERT_NE(menu, nullptr);

    std::vector<std::string> failures;
    int popups = GetMenuItemCount(menu);
    ASSERT_GE(popups, 7);
    for (int i = 0; i < popups; ++i)
    {
        wchar_t title[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), title, 63, MF_BYPOSITION);
        const std::string name = Narrow(zv::ReplaceAll(title, L"&", L""));
        const std::vector<MenuItem> items = PopupItems(GetSubMenu(menu, i));
        std::vector<std::vector<std::string>> rows = Rows(Section(page, name));
        if (rows.empty())
        {
            failures.push_back("no table for the " + name + " menu");
            continue;
        }
        // Each command of the menu has its row, which names its keys.
        for (const MenuItem& item : items)
        {
            const std::vector<std::string>* found = nullptr;
            for (const std::vector<std::string>& row : rows)
            {
                std::vector<std::string> commands = RowCommands(row[0]);
                if (std::find(commands.begin(), commands.end(), item.label) != commands.end())
                    found = &row;
            }
            if (!found)
            {
                failures.push_back(name + " > " + item.label + " is not on the page");
                continue;
            }
            std::set<std::string> pageKeys;
            if (found->size() > 1)
                for (const std::string& kbd : Inner((*found)[1], "kbd"))
                    pageKeys.insert(NormalKey(Text(kbd)));
            for (const std::string& key : item.keys)
                if (!pageKeys.count(key))
                    failures.push_back(name + " > " + item.label + ": the page does not give its key " + key);
        }
        // Each command the page names is on the menu; rows in italics tell of
        // what the menu lists at run time (recent files, bookmarks).
        for (const std::vector<std::string>& row : rows)
        {
            if (row[0].rfind("<i>", 0) == 0)
                continue;
            for (const std::string& command : RowCommands(row[0]))
                if (std::none_of(items.begin(), items.end(),
                                 [&](const MenuItem& item) { return item.label == command; }))
                    failures.push_back("menus.htm names " + name + " > " + command +
                                       ", which the menu has not");
        }
    }
    DestroyMenu(menu);
    EXPECT_TRUE(failures.empty()) << Report(failures);
}

TEST(HelpPages, EveryAddressSpellingThePageListsGoesWhereThePageSays)
{
    HelpStorage help(BuiltHelpFile());
    ASSERT_TRUE(help.IsOpen());
    const std::string page = Page(help, "address-bar.htm");
    std::wstring expected;
    ASSERT_TRUE(ParseRegistryPath(L"HKEY_LOCAL_MACHINE\\Software", expected));

    std::vector<std::string> failures;
    size_t spellings = 0;
    // "All of these go to the same key": LOCAL_MACHINE\Software. A spelling
    // ending in a backslash is a prefix put before a location.
    for (const std::vector<std::string>& row : Rows(Section(page, "Accepted spellings")))
        for (const std::string& cell : row)
            for (const std::string& code : Inner(cell, "code"))
            {
                ++spellings;
                std::string typed = Text(code);
                if (!typed.empty() && typed.back() == '\\')
                    typed += "HKLM\\Software";
                std::wstring parsed;
                if (!ParseRegistryPath(zv::FromUtf8(typed), parsed) || !zv::EqualsNoCase(parsed, expected))
                    failures.push_back(typed + " goes to \"" + Narrow(parsed) + "\"");
            }
    EXPECT_GE(spellings, 14u);

    // "Root abbreviations: HKCR for CLASSES_ROOT; HKCU, USER ... for CURRENT_USER; ..."
    size_t start = page.find("Root abbreviations:");
    ASSERT_NE(start, std::string::npos);
    std::string paragraph = page.substr(start, page.find("</p>", start) - start);
    size_t abbreviations = 0;
    for (const std::string& group : Split(paragraph, ";"))
    {
        std::smatch root;
        if (!std::regex_search(group, root, std::regex(" for ([A-Z_]+)")))
            continue;
        std::wstring rootPath;
        ASSERT_TRUE(ParseRegistryPath(zv::FromUtf8("HKEY_" + root[1].str()), rootPath)) << root[1];
        for (const std::string& word : Inner(group, "b"))
        {
            ++abbreviations;
            std::wstring parsed;
            if (!ParseRegistryPath(zv::FromUtf8(Text(word)), parsed) || !zv::EqualsNoCase(parsed, rootPath))
                failures.push_back(Text(word) + " goes to \"" + Narrow(parsed) + "\", not " + root[1].str());
        }
    }
    EXPECT_GE(abbreviations, 13u);
    EXPECT_TRUE(failures.empty()) << Report(failures);
}
