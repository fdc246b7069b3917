// CNavroView: the value list, a report-mode list of the current key's values
// with name, type and data text, type icons and data link icons. It follows
// the document through hints. The search pane is the same class with a
// Location column and rows of its own.
#pragma once

#include "app/framework/ListCtrl.h"
#include "app/framework/View.h"
#include "values/CellEdit.h"
#include "values/ListRows.h"

#include "app/framework/FrameworkIds.h"
#include "resource.h"

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

class CCellEdit;
class CNavroDoc;
class CRegItemList;
class CRegReader;
class IFrameServices;
struct CellEditResult;

class CNavroView : public CListView
{
  public:
    // Row item data: the row kind in the high 16 bits (0 a key, 1 a value, a
    // command row's command identifier at 4 and above), scratch in the low 16.
    static constexpr int kRowKindShift = 16;
    static constexpr int kKeyRow = 0;
    static constexpr int kValueRow = 1;
    static constexpr int kCommandRow = 4;

    CNavroView();
    ~CNavroView() override;

    CNavroDoc* GetDocument() const;
    CListCtrl Ctrl() const noexcept { return CListCtrl(ListWindow); }
    void SetFrameServices(IFrameServices* frame) noexcept { m_frame = frame; }

    // --- Life cycle, hints, activation, row paths (NavroView.cpp) ---
    virtual void InitColumns();
    virtual void ActivateSelectedItem();
    virtual std::wstring GetItemParentPath(int row) const;
    virtual std::wstring GetItemKeyPath(int row) const;
    virtual bool IsPasteTarget(int row) const;
    virtual void DeleteSelectedItems();
    // Pastes list into the current key (the search pane refuses).
    virtual bool PasteItemList(CRegItemList& list, bool move, int reserved);

    // --- Rows (NavroViewRows.cpp) ---
    int AddItem(const std::wstring& name, const std::wstring& text, DWORD type, int kind);
    // Inserts a row at index (the end when past it); returns its index.
    int InsertRow(int index, ListRow row);
    // Appends whole rows (one control update for all of them).
    void AppendRows(std::vector<ListRow>&& rows);
    void DeleteRow(int row);
    void DeleteAllRows();
    const ListRow& Row(int row) const { return m_rows.at(static_cast<size_t>(row)); }
    void SetCutMark(int row, bool cut);
    // Rebuilds the rows from the current key. A key of many values is read
    // in slices of kFillSliceMs between which the window answers; the rows
    // are all there once IsFilling() is false.
    void Refill();
    bool IsFilling() const noexcept { return m_fill != nullptr; }
    // Selects the value (and gives the list the focus) now, or when the
    // fill under way is done.
    void SelectValueWhenFilled(const std::wstring& name);
    static constexpr DWORD kFillSliceMs = 40;
    void RefreshValues(const std::wstring& path);
    void UpdateRow(int row, CRegReader& reader);
    bool SelectItem(int row);
    int FindItem(const std::wstring& text, int column) const;
    int GetItemKind(int row) const;
    DWORD GetItemType(int row) const;
    void SetItemType(int row, DWORD type);
    // --- Links (NavroViewLinks.cpp) ---
    int GetDataLinkIcon(const std::wstring& text) const;
    bool IsKeyLink(const std::wstring& text) const;
    int FocusedItem() const;
    void ClearCutMarks(bool notify);
    // --- In-place editing (NavroViewEditing.cpp) ---
    // Starts editing a cell; null when none starts (a command row, a type
    // that cannot be edited, a multi-string, which the dialog edits).
    CCellEdit* EditCell(int row, int column);
    // Ends an edit in progress, committing it (Escape alone discards).
    void EndCellEdit();
    bool IsEditingCell() const;
    // A refresh that waits for the open edit to end (a registry change came
    // while the user was typing: the rows are read again after the edit).
    bool RefreshWaitsForEdit() const noexcept { return m_refreshAfterEdit; }
    CCellEdit* CellEditor() const noexcept { return m_cellEdit.get(); }
    // The row of name in keyPath, or -1.
    int FindRow(const std::wstring& keyPath, const std::wstring& name) const;

    // --- Commands (NavroViewCommands.cpp) ---
    bool GatherSelection(CRegItemList& list, bool cut);
    // Copy as Text: the selected rows' names, data or full paths, or their
    // key's path in a spelling, a line each (no row selected: the current key).
    void CopyRowsAsText(UINT command);
    std::vector<int> SelectedRows() const;
    // A row's Data text trimmed, for the string types; empty otherwise.
    std::wstring SearchDataText(int row) const;
    struct ContextEntry
    {
        UINT command; // 0: a separator
        std::wstring text;
    };
    // The entries the context menu gets in front for row, last one on top.
    std::vector<ContextEntry> ContextEntries(int row) const;

    // --- Drag and drop (NavroViewDragDrop.cpp) ---
    DWORD OnDragEnter(IDataObject* data, DWORD keyState, POINT point) override;
    DWORD OnDragOver(IDataObject* data, DWORD keyState, POINT point) override;
    void OnDragLeave() override;
    bool OnDrop(IDataObject* data, DWORD effect, POINT point) override;
    // Highlights the key row under point (client coordinates) when a drop
    // there pastes into it; whether a drop at point pastes at all.
    bool UpdateDropHighlight(POINT point);
    int DropHighlightRow() const noexcept { return m_dropRow; }
    // The image a drag of list starts with, and where it lies in the client area.
    HIMAGELIST MakeDragImage(CRegItemList& list, POINT& origin);

    // --- Columns and sorting (NavroViewColumns.cpp) ---
    // Sorts by a column's text, flipping the direction each time.
    void SortByColumn(int column);
    // Orders the rows by column in the direction given, keeping selection and focus.
    void SortRows(int column, bool ascending);
    // Puts the sort direction's arrow on the sorted column's header.
    void ShowSortArrow();
    // Saves column widths and order in SettingsSection.
    void SaveLayout();

    int ItemCount() const;
    std::wstring ItemText(int row, int column) const;
    int ItemImage(int row, int column) const;
    // The row's item data: kind in the high half, scratch in the low half.
    LPARAM ItemData(int row) const;
    bool IsListEmpty() const { return ItemCount() == 0; }

    void OnInitialUpdate() override { InitColumns(); }
    void OnUpdate(CView* sender, LPARAM hint, const CUpdateHint* hintObject) override;
    void OnActivateView(bool activate, CView* activated, CView* deactivated) override;
    void PreCreateWindow(DWORD& style, DWORD& exStyle) override;

    HWND ListWindow = nullptr;
    int DataColumn = 2;
    int TypeColumn = 1;
    bool IsSearchView = false;
    const wchar_t* SettingsSection = L"RightPane";
    bool ColumnsReady = false;
    HCURSOR LinkCursor = nullptr;
    bool SortAscending = false;
    // The column the user sorted by (-1: the registry's order): rows that
    // come later take their place in that order.
    int SortColumn = -1;
    HIMAGELIST Images = nullptr;

    BEGIN_MSG_MAP(CNavroView)
        MSG_WM_DESTROY(OnDestroy)
        MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
        MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLeftButtonDown)
        MESSAGE_HANDLER(WM_KEYDOWN, OnKeyDownMessage)
        MESSAGE_HANDLER(WM_HSCROLL, OnScrollMessage)
        MESSAGE_HANDLER(WM_VSCROLL, OnScrollMessage)
        MESSAGE_HANDLER(WM_MOUSEWHEEL, OnScrollMessage)
        MESSAGE_HANDLER(CCellEditMessage(), OnEndCellEdit)
        MESSAGE_HANDLER(WM_SETCURSOR, OnSetCursor)
        MESSAGE_HANDLER(kContinueFillMessage, OnContinueFill)
        MESSAGE_HANDLER(kLinkCommandMessage, OnLinkCommand)
        REFLECTED_NOTIFY_CODE_HANDLER(LVN_COLUMNCLICK, OnColumnClick)
        REFLECTED_NOTIFY_CODE_HANDLER(LVN_BEGINDRAG, OnBeginDrag)
        REFLECTED_NOTIFY_CODE_HANDLER(NM_DBLCLK, OnDoubleClick)
        REFLECTED_NOTIFY_CODE_HANDLER(NM_CLICK, OnClick)
        REFLECTED_NOTIFY_CODE_HANDLER(LVN_GETDISPINFOW, OnGetDispInfo)
        REFLECTED_NOTIFY_CODE_HANDLER(LVN_ODFINDITEMW, OnFindItem)
        REFLECTED_NOTIFY_CODE_HANDLER(NM_CUSTOMDRAW, OnCustomDraw)
    END_MSG_MAP()

    BEGIN_COMMAND_MAP(CNavroView)
        ON_COMMAND(ID_ENTER, OnEnter)
        ON_COMMAND(ID_NEW_VALUE, OnNewValue)
        ON_COMMAND(ID_RENAME, OnRename)
        ON_UPDATE_COMMAND_UI(ID_RENAME, OnUpdateSelectionCommand)
        ON_COMMAND(ID_EDIT_DATA, OnEditData)
        ON_UPDATE_COMMAND_UI(ID_EDIT_DATA, OnUpdateValueRowCommand)
        ON_COMMAND(ID_PROPERTIES, ActivateSelectedItem)
        ON_UPDATE_COMMAND_UI(ID_PROPERTIES, OnUpdateValueRowCommand)
        ON_COMMAND(ID_DELETE, DeleteSelectedItems)
        ON_UPDATE_COMMAND_UI(ID_DELETE, OnUpdateSelectionCommand)
        ON_COMMAND(ID_EDIT_CUT, [this] { OnCopyOrCut(true); })
        ON_UPDATE_COMMAND_UI(ID_EDIT_CUT, OnUpdateSelectionCommand)
        ON_COMMAND(ID_EDIT_COPY, [this] { OnCopyOrCut(false); })
        ON_UPDATE_COMMAND_UI(ID_EDIT_COPY, OnUpdateSelectionCommand)
        ON_COMMAND(ID_EDIT_PASTE, OnPaste)
        ON_UPDATE_COMMAND_UI(ID_EDIT_PASTE, OnUpdatePaste)
        ON_COMMAND(ID_EDIT_SELECT_ALL, OnSelectAll)
        ON_UPDATE_COMMAND_UI(ID_EDIT_SELECT_ALL, [this](CCmdUI* ui) { ui->Enable(ItemCount() > 0); })
        ON_COMMAND(ID_INVERT_SELECTION, OnInvertSelection)
        ON_UPDATE_COMMAND_UI(ID_INVERT_SELECTION, [this](CCmdUI* ui) { ui->Enable(ItemCount() > 0); })
        ON_COMMAND(ID_EXPLORE, OnExplore)
        ON_COMMAND(ID_COPY_VALUE_NAME, [this] { CopyRowsAsText(ID_COPY_VALUE_NAME); })
        ON_COMMAND(ID_COPY_VALUE_DATA, [this] { CopyRowsAsText(ID_COPY_VALUE_DATA); })
        ON_COMMAND(ID_COPY_VALUE_PATH, [this] { CopyRowsAsText(ID_COPY_VALUE_PATH); })
        ON_UPDATE_COMMAND_UI(ID_COPY_VALUE_NAME, OnUpdateValueRowCommand)
        ON_UPDATE_COMMAND_UI(ID_COPY_VALUE_DATA, OnUpdateValueRowCommand)
        ON_UPDATE_COMMAND_UI(ID_COPY_VALUE_PATH, OnUpdateValueRowCommand)
        ON_COMMAND(ID_COPY_PATH, [this] { CopyRowsAsText(ID_COPY_PATH); })
        ON_COMMAND(ID_COPY_PATH_LONG, [this] { CopyRowsAsText(ID_COPY_PATH_LONG); })
        ON_COMMAND(ID_COPY_PATH_SHORT, [this] { CopyRowsAsText(ID_COPY_PATH_SHORT); })
        ON_COMMAND(ID_COPY_PATH_POWERSHELL, [this] { CopyRowsAsText(ID_COPY_PATH_POWERSHELL); })
        ON_COMMAND(ID_GO_TO_DEFINITION, [this] { GoToDefinitionIn(0); })
        ON_COMMAND(ID_GO_TO_DATA_DEFINITION, [this] { GoToDefinitionIn(DataColumn); })
        ON_COMMAND(ID_WEB_SEARCH, OnWebSearch)
        ON_COMMAND(ID_WEB_SEARCH_DATA, [this] { WebSearchData(); })
        ON_UPDATE_COMMAND_UI(ID_WEB_SEARCH_DATA,
                             [this](CCmdUI* ui) { ui->Enable(!SearchDataText(FocusedItem()).empty()); })
        ON_COMMAND(ID_SEARCH_NAME, [this] { SearchRegistryFor(ItemText(FocusedItem(), 0)); })
        ON_UPDATE_COMMAND_UI(ID_SEARCH_NAME,
                             [this](CCmdUI* ui) { ui->Enable(!ItemText(FocusedItem(), 0).empty()); })
        ON_COMMAND(ID_SEARCH_DATA, [this] { SearchRegistryFor(SearchDataText(FocusedItem())); })
        ON_UPDATE_COMMAND_UI(ID_SEARCH_DATA,
                             [this](CCmdUI* ui) { ui->Enable(!SearchDataText(FocusedItem()).empty()); })
        ON_COMMAND(ID_NEW_BOOKMARK, OnNewBookmark)
        ON_COMMAND(ID_TAKE_OWNERSHIP, OnTakeOwnership)
        ON_UPDATE_COMMAND_UI(ID_TAKE_OWNERSHIP, [this](CCmdUI* ui) { ui->Enable(FocusedItem() >= 0); })
    END_COMMAND_MAP_CHAIN(CCmdTarget)

  protected:
    static UINT CCellEditMessage();

    bool OnControlCreated() override;

  public:
    // Takes the images drawn for dpi (the list owns them).
    void LoadImages(UINT dpi);

  protected:
    void OnDestroy();
    LRESULT OnSetCursor(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnColumnClick(NMHDR* header);
    LRESULT OnDoubleClick(NMHDR* header);
    LRESULT OnClick(NMHDR* header);
    LRESULT OnLinkCommand(UINT, WPARAM command, LPARAM, bool&);
    LRESULT OnGetDispInfo(NMHDR* header);
    LRESULT OnContinueFill(UINT, WPARAM, LPARAM, bool&);
    // Reads values for a slice; finishes the fill when the key has no more.
    void FillSlice();
    void FinishFill();
    LRESULT OnFindItem(NMHDR* header);
    LRESULT OnCustomDraw(NMHDR* header);
    // The Data cell's link icon, worked out the first time it is needed.
    int LinkIconOf(int row) const;
    // Tells the control the row count (after the store changed).
    void SyncItemCount();
    void RedrawRow(int row);
    // NavroViewCommands.cpp
    void OnEnter();
    void OnNewValue();
    void OnRename();
    void OnEditData();
    void OnCopyOrCut(bool cut);
    void OnPaste();
    void OnSelectAll();
    void OnInvertSelection();
    void OnExplore();
    void GoToDefinitionIn(int column);
    void OnWebSearch();
    void WebSearchData();
    void SearchRegistryFor(const std::wstring& text);
    void OnTakeOwnership();
    // Bookmarks each selected row, or the current key when none is.
    void OnNewBookmark();
    void OnUpdateSelectionCommand(CCmdUI* ui);
    void OnUpdateValueRowCommand(CCmdUI* ui);
    void OnUpdatePaste(CCmdUI* ui);
    bool FocusedIsCommandRow() const;
    LRESULT OnContextMenu(UINT, WPARAM, LPARAM lParam, bool&);
    LRESULT OnKeyDownMessage(UINT, WPARAM key, LPARAM flags, bool& handled);
    LRESULT OnScrollMessage(UINT, WPARAM, LPARAM, bool& handled);
    // NavroViewDragDrop.cpp
    LRESULT OnBeginDrag(NMHDR* header);
    LRESULT OnLeftButtonDown(UINT, WPARAM, LPARAM lParam, bool& handled);
    // NavroViewEditing.cpp
    LRESULT OnEndCellEdit(UINT, WPARAM, LPARAM, bool&);
    void TakeEndedEdit();
    void CommitEdit(const CellEditResult& edit);
    // Whether the value (or key) the open editor edits was removed, or its
    // data changed, since the edit began.
    bool EditedItemChanged() const;
    // The width of the icons the list draws in its cells (it follows the DPI).
    int CellIconWidth() const;
    // Ends the open edit without writing anything.
    void CancelCellEdit();
    // The cell and whether the point is on its icon.
    bool HitIcon(POINT client, int& row, int& column) const;
    void SetCell(int row, int column, const std::wstring& text, int image);
    void PostFrameCommand(UINT command);

    IFrameServices* m_frame = nullptr;
    // The rows the control shows, in display order.
    mutable std::vector<ListRow> m_rows;

    static constexpr UINT kContinueFillMessage = WM_APP + 0x51;
    // A command for this pane from a click on a cell's link icon (wParam).
    static constexpr UINT kLinkCommandMessage = WM_APP + 0x52;
    // A fill under way: the reader stays open between slices.
    struct FillState;
    std::unique_ptr<FillState> m_fill;
    // The in-place editor, and edits that ended and wait for their commit.
    std::unique_ptr<CCellEdit> m_cellEdit;
    std::vector<CellEditResult> m_endedEdits;
    bool m_refreshAfterEdit = false;
    // The key row highlighted as the drop target, or -1.
    int m_dropRow = -1;
};
