// Toolbar button lists.
#include "frame/MainToolbars.h"

#include "app/framework/FrameworkIds.h"
#include "resource.h"

const ToolbarButtons& MainToolbarButtons()
{
    static const ToolbarButtons buttons{IDB_TOOLBAR,
                                        16,
                                        15,
                                        {ID_BACK,
                                         ID_FORWARD,
                                         0,
                                         ID_CLASSES_KEY,
                                         ID_USER_KEY,
                                         ID_MACHINE_KEY,
                                         ID_CONFIG_KEY,
                                         0,
                                         ID_GOTO_KEY,
                                         ID_NEW_BOOKMARK,
                                         0,
                                         ID_NEW_KEY,
                                         ID_NEW_VALUE,
                                         ID_DELETE,
                                         0,
                                         ID_EDIT_CUT,
                                         ID_EDIT_COPY,
                                         ID_EDIT_PASTE,
                                         0,
                                         ID_WEB_SEARCH,
                                         ID_FIND,
                                         ID_LIST_INVALID_CLSIDS,
                                         ID_CANCEL_SEARCH,
                                         0,
                                         ID_PROPERTIES,
                                         ID_EXPORT,
                                         ID_SAVE_HIVE,
                                         ID_LOAD_HIVE,
                                         0,
                                         ID_REGEDIT,
                                         ID_PERMISSIONS,
                                         ID_APP_ABOUT}};
    return buttons;
}

const ToolbarButtons& AddressBarButtons()
{
    static const ToolbarButtons buttons{IDB_ADDRESSBAR, 16, 15, {ID_PARENT_KEY, ID_ADDRESS_COMBO, ID_GO}};
    return buttons;
}
