// HTML Help routing.
#include "app/Help.h"

#include "app/framework/FrameworkIds.h"
#include "base/UserPrompts.h"

#include "helpids.h"
#include "resource.h"

#include <htmlhelp.h>

namespace
{
constexpr DWORD_PTR kCommandHelpBase = HID_BASE_COMMAND;
constexpr DWORD_PTR kResourceHelpBase = HID_BASE_RESOURCE;
constexpr DWORD_PTR kBookmarkFirst = kCommandHelpBase + ID_BOOKMARK_FIRST;
constexpr DWORD_PTR kBookmarkLast = kCommandHelpBase + ID_BOOKMARK_LAST;

// The help project reads helpids.h; these keep it in step with the resources.
static_assert(HIDR_MAINFRAME == kResourceHelpBase + IDR_MAINFRAME);
static_assert(HIDR_TREE_PANE == kResourceHelpBase + IDR_TREE_MENU);
static_assert(HIDR_VALUE_PANE == kResourceHelpBase + IDR_VALUE_MENU);
static_assert(HIDD_ABOUTBOX == kResourceHelpBase + IDD_ABOUTBOX);
static_assert(HIDD_KEY_PROPERTIES == kResourceHelpBase + IDD_KEY_PROPERTIES);
static_assert(HIDD_VALUE == kResourceHelpBase + IDD_VALUE);
static_assert(HIDD_FIND == kResourceHelpBase + IDD_FIND);
static_assert(HIDD_OPTIONS == kResourceHelpBase + IDD_OPTIONS);
static_assert(HIDD_GOTO == kResourceHelpBase + IDD_GOTO);
static_assert(HIDD_ADD_BOOKMARK == kResourceHelpBase + IDD_ADD_BOOKMARK);
static_assert(HIDD_IMPORT_PREVIEW == kResourceHelpBase + IDD_IMPORT_PREVIEW);
static_assert(HIDD_LOAD_HIVE == kResourceHelpBase + IDD_LOAD_HIVE);
static_assert(kBookmarkFirst == 0x10465 && kBookmarkLast == 0x1052D);
} // namespace

const std::wstring& HelpFilePath()
{
    static const std::wstring path = [] {
        wchar_t module[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, module, MAX_PATH);
        std::wstring folder(module);
        size_t slash = folder.find_last_of(L"\\/");
        folder.resize(slash == std::wstring::npos ? 0 : slash + 1);
        return folder + L"Zorvane.chm";
    }();
    return path;
}

DWORD_PTR MapHelpContext(DWORD_PTR context)
{
    if (context >= kBookmarkFirst && context <= kBookmarkLast)
        return HID_BOOKMARK_MENU;
    return context;
}

const std::vector<HelpTopic>& HelpTopics()
{
    static const std::vector<HelpTopic> topics = {
        {HIDR_TREE_PANE, L"tree.htm"},
        {HIDR_VALUE_PANE, L"values.htm"},
        {HIDR_SEARCH_PANE, L"search-results.htm"},
        {HIDD_ABOUTBOX, L"about.htm"},
        {HIDD_KEY_PROPERTIES, L"key-properties.htm"},
        {HIDD_VALUE, L"edit-values.htm"},
        {HIDD_FIND, L"search.htm"},
        {HIDD_OPTIONS, L"settings.htm"},
        {HIDD_GOTO, L"address-bar.htm"},
        {HIDD_ADD_BOOKMARK, L"add-bookmark.htm"},
        {HIDD_IMPORT_PREVIEW, L"export-import.htm"},
        {HIDD_LOAD_HIVE, L"hives.htm"},
        {HID_BOOKMARK_MENU, L"bookmarks.htm"},
        {HID_MENU_COMMANDS, L"menus.htm"},
    };
    return topics;
}

const wchar_t* HelpPageFor(DWORD_PTR context)
{
    for (const HelpTopic& topic : HelpTopics())
        if (topic.context == context)
            return topic.page;
    return nullptr;
}

bool ShowHelp(HWND owner, DWORD_PTR data, UINT command)
{
    // The pages are named here, not through the file's own context map.
    const std::wstring& file = HelpFilePath();
    const wchar_t* page =
        command == HELP_CONTEXT && data != HIDR_MAINFRAME ? HelpPageFor(MapHelpContext(data)) : nullptr;
    if (page && UserPrompts().OpenHelp(owner, file + L"::/" + page, HH_DISPLAY_TOPIC, 0))
        return true;
    return UserPrompts().OpenHelp(owner, file, HH_DISPLAY_TOPIC, 0) != nullptr;
}

DWORD_PTR MenuItemHelpContext(UINT commandId)
{
    DWORD_PTR context = kCommandHelpBase + commandId;
    if (context >= kBookmarkFirst && context <= kBookmarkLast)
        return context;
    return HID_MENU_COMMANDS;
}
