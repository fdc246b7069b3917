// CNavroView: the value list, a report-mode list of the current key's values
// with name, type and data text, type icons and data link icons. It follows
// the document through hints. The search pane is the same class with a
// Location column and rows of its own.
#pragma once

#include "app/framework/ListCtrl.h"
#include "app/framework/View.h"
#include "values/ListRows.h"

#include <commctrl.h>

#include <memory>
#include <string>

class CNavroDoc;
class CRegReader;
class IFrameServices;

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

    // --- Rows (NavroViewRows.cpp) ---
    int AddItem(const std::wstring& name, const std::wstring& text, DWORD type, int kind);
    // Inserts a row at index (the end when past it); returns its index.
    int InsertRow(int index, ListRow row);
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
    // --- Columns and sorting (NavroViewColumns.cpp) ---
    // Sorts by a column's text, flipping the direction each time.
    void SortByColumn(int column);
    // Saves column widths and order in SettingsSection.
    void SaveLayout();

    int ItemCount() const;
    std::wstring ItemText(int row, int column) const;
    int ItemImage(int row, int column) const;
    // The row's item data: kind in the high half, scratch in the low half.
    LPARAM ItemData(int row) const;
    bool IsListEmpty() const { return ItemCount() == 0; }

    void OnInitialUpdate() override { InitColumns(); }
    void OnUpdate(CView* sender, LPARAM hint, void* hintObject) override;
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
    HIMAGELIST Images = nullptr;

    BEGIN_MSG_MAP(CNavroView)
        MSG_WM_DESTROY(OnDestroy)
        MESSAGE_HANDLER(WM_SETCURSOR, OnSetCursor)
        MESSAGE_HANDLER(kContinueFillMessage, OnContinueFill)
        REFLECTED_NOTIFY_CODE_HANDLER(LVN_COLUMNCLICK, OnColumnClick)
        REFLECTED_NOTIFY_CODE_HANDLER(NM_DBLCLK, OnDoubleClick)
        REFLECTED_NOTIFY_CODE_HANDLER(NM_CLICK, OnClick)
        REFLECTED_NOTIFY_CODE_HANDLER(LVN_GETDISPINFOW, OnGetDispInfo)
        REFLECTED_NOTIFY_CODE_HANDLER(LVN_ODFINDITEMW, OnFindItem)
        REFLECTED_NOTIFY_CODE_HANDLER(NM_CUSTOMDRAW, OnCustomDraw)
    END_MSG_MAP()

    BEGIN_COMMAND_MAP(CNavroView)
        ON_COMMAND(ID_ENTER_, OnEnter)
        ON_COMMAND(ID_GO_TO_DATA_DEFINITION_, OnGoToDataDefinition)
    END_COMMAND_MAP_CHAIN(CCmdTarget)

  protected:
    static constexpr UINT ID_ENTER_ = 32793;
    static constexpr UINT ID_GO_TO_DATA_DEFINITION_ = 32850;

    bool OnControlCreated() override;
    void OnDestroy();
    LRESULT OnSetCursor(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnColumnClick(NMHDR* header);
    LRESULT OnDoubleClick(NMHDR* header);
    LRESULT OnClick(NMHDR* header);
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
    void OnEnter() { ActivateSelectedItem(); }
    void OnGoToDataDefinition();
    // The cell and whether the point is on its icon.
    bool HitIcon(POINT client, int& row, int& column) const;
    void SetCell(int row, int column, const std::wstring& text, int image);
    void PostFrameCommand(UINT command);

    IFrameServices* m_frame = nullptr;
    // The rows the control shows, in display order.
    mutable std::vector<ListRow> m_rows;

    static constexpr UINT kContinueFillMessage = WM_APP + 0x51;
    // A fill under way: the reader stays open between slices.
    struct FillState;
    std::unique_ptr<FillState> m_fill;
};
