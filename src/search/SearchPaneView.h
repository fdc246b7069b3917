// CSearchPaneView: the search pane, the value list class with a Location
// column, its own settings section and its three command rows.
#pragma once

#include "values/NavroView.h"

class CSearchPaneView : public CNavroView
{
  public:
    CSearchPaneView();
    void ActivateSelectedItem() override;
    std::wstring GetItemParentPath(int row) const override;
    bool IsPasteTarget(int row) const override;
    // Results are not a key: nothing is pasted into the pane itself.
    bool PasteItemList(CRegItemList&, bool, int) override { return false; }
    void OnUpdate(CView* sender, LPARAM hint, void* hintObject) override;
    // No search runs yet.
    bool IsSearching() const noexcept { return false; }

    bool OnControlCreated() override;
};
