// Help context ids: what each window, dialog and menu item asks help for;
// the program shows each one's page (app/Help.cpp). A dialog's id is 0x20000
// plus its template id, a pane's 0x20000 plus the id of its context menu (the
// search pane has its own), the main window's 0x20000 plus its resource id.
// The bookmark menu's items share one id; every other menu item shows the
// page of commands.
#define HIDR_MAINFRAME 0x20065
#define HIDR_TREE_PANE 0x2006C
#define HIDR_VALUE_PANE 0x2006A
#define HIDR_SEARCH_PANE 0x200A6
#define HIDD_ABOUTBOX 0x20064
#define HIDD_KEY_PROPERTIES 0x20069
#define HIDD_VALUE 0x20082
#define HIDD_FIND 0x20087
#define HIDD_OPTIONS 0x2008C
#define HIDD_GOTO 0x2008E
#define HIDD_ADD_BOOKMARK 0x2008F
#define HIDD_IMPORT_PREVIEW 0x20096
#define HIDD_LOAD_HIVE 0x20097
#define HID_BOOKMARK_MENU 0x1EF1A
#define HID_MENU_COMMANDS 0x2FF00
