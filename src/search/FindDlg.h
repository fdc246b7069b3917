// CFindDlg: "Find in Windows Registry" - what a search looks for, under which
// key, and which names and data it tests. The six options persist in the
// settings ("SearchFlags"); the search texts and start keys keep histories.
#pragma once

#include "app/RecentStrings.h"
#include "app/framework/Dialog.h"
#include "base/ComObject.h"

#include <shldisp.h>

#include <string>
#include <vector>

class CFindDlg : public CDialog
{
  public:
    explicit CFindDlg(HWND parent = nullptr);
    ~CFindDlg() override;

    bool OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* dx) override;

    std::wstring FindText;
    std::wstring SearchUnder; // empty after OK: all registry keys
    bool MatchCase = false;
    bool LookAtKeys = true;
    bool LookAtValueNames = true;
    bool LookAtStrings = true;
    bool LookAtMultiStrings = false;
    bool LookAtBinary = false;

    CRecentStrings TextHistory;
    CRecentLocations KeyHistory;
    static const wchar_t kClearHistoryItem[];

    // Reads and writes the six options.
    void LoadFlags();
    void SaveFlags() const;

    // The start-key box's edit (tests type into it).
    HWND StartKeyEdit() const;
    // The auto-complete bound to the start-key box while the dialog is shown.
    IAutoComplete* StartKeyCompletion() const noexcept { return m_completion.get(); }

  private:
    HIMAGELIST m_images = nullptr;
    zv::com_ptr<IAutoComplete> m_completion;
};

// The start-key box's image for an entry: the computer for "All registry
// keys", a root's own image for a root, a key's image for any other key.
int StartKeyImage(const std::wstring& entry) noexcept;

// The start-key box's entries: the roots and "All registry keys" in front of
// the history, with handedIn among them (history is changed in place).
std::vector<std::wstring> StartKeyEntries(CRecentLocations& history, const std::wstring& handedIn);

// How a typed start key is taken: as the parsed path (true), or not at all
// (false: the user is asked whether to search CURRENT_USER instead).
bool ResolveStartKey(const std::wstring& text, std::wstring& path);
