// Modal dialogs with data exchange; a failed validation keeps them open.
#include "app/framework/Dialog.h"
#include "support/ScriptedPrompts.h"

#include <gtest/gtest.h>
#include <cstring>
#include <vector>

namespace
{
constexpr int kEdit = 1001;
constexpr int kCheck = 1002;

// An in-memory template: an edit box, a check box, OK and Cancel.
class TemplateBuilder
{
  public:
    TemplateBuilder()
    {
        DLGTEMPLATE head = {};
        head.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT;
        head.cdit = 4;
        head.cx = 200;
        head.cy = 100;
        Put(&head, sizeof(head));
        Word(0); // menu
        Word(0); // class
        Text(L"Exchange");
        Word(8);
        Text(L"MS Shell Dlg");
        Item(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 10, 10, 100, 14, kEdit, 0x0081);
        Item(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 10, 30, 100, 12, kCheck, 0x0080);
        Item(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 10, 60, 50, 14, IDOK, 0x0080);
        Item(WS_CHILD | WS_VISIBLE | WS_TABSTOP, 70, 60, 50, 14, IDCANCEL, 0x0080);
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_bytes.data()); }

  private:
    void Put(const void* p, size_t n)
    {
        const BYTE* b = static_cast<const BYTE*>(p);
        m_bytes.insert(m_bytes.end(), b, b + n);
    }
    void Word(WORD w) { Put(&w, 2); }
    void Text(const wchar_t* s) { Put(s, (wcslen(s) + 1) * 2); }
    void Align()
    {
        while (m_bytes.size() % 4)
            m_bytes.push_back(0);
    }
    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom)
    {
        Align();
        DLGITEMTEMPLATE item = {};
        item.style = style;
        item.x = x;
        item.y = y;
        item.cx = cx;
        item.cy = cy;
        item.id = id;
        Put(&item, sizeof(item));
        Word(0xFFFF);
        Word(atom);
        Word(0); // empty title
        Word(0); // no creation data
    }
    std::vector<BYTE> m_bytes;
};

class ExchangeDialog : public CDialog
{
  public:
    explicit ExchangeDialog(HWND owner = nullptr) : CDialog(9999, owner) {}
    void DoDataExchange(CDataExchange* dx) override
    {
        DDX_Text(dx, kEdit, number);
        DDV_MinMaxInt(dx, number, 1, 100);
        DDX_Check(dx, kCheck, flag);
    }
    int number = 42;
    bool flag = true;
};

void SetText(HWND dialog, int id, const wchar_t* text)
{
    SetWindowTextW(GetDlgItem(dialog, id), text);
}
} // namespace

TEST(DialogExchange, MembersFillTheControlsAndComeBackOnOk)
{
    TemplateBuilder dialogTemplate;
    ExchangeDialog dialog;
    dialog.SetTemplate(dialogTemplate.Get());
    ScriptedPrompts user;
    std::wstring shownText;
    bool shownCheck = false;
    user.onDialog = [&](UINT id, HWND window) {
        EXPECT_EQ(id, 9999u);
        wchar_t text[32];
        GetDlgItemTextW(window, kEdit, text, 32);
        shownText = text;
        shownCheck = IsDlgButtonChecked(window, kCheck) == BST_CHECKED;
        SetText(window, kEdit, L"77");
        CheckDlgButton(window, kCheck, BST_UNCHECKED);
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(shownText, L"42");
    EXPECT_TRUE(shownCheck);
    EXPECT_EQ(dialog.number, 77);
    EXPECT_FALSE(dialog.flag);
}

TEST(DialogExchange, FailedValidationKeepsTheDialogOpen)
{
    TemplateBuilder dialogTemplate;
    ExchangeDialog dialog;
    dialog.SetTemplate(dialogTemplate.Get());
    ScriptedPrompts user;
    HWND shown = nullptr;
    user.onDialog = [&](UINT, HWND window) {
        shown = window;
        SetText(window, kEdit, L"500");
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    int boxes = 0;
    user.onBox = [&](const RecordedBox&) {
        // The dialog is still there; correct the entry and try again.
        ++boxes;
        EXPECT_TRUE(IsWindow(shown));
        EXPECT_EQ(GetFocus(), GetDlgItem(shown, kEdit));
        SetText(shown, kEdit, boxes == 1 ? L"abc" : L"5");
        PostMessageW(shown, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    user.Answer(IDOK);
    user.Answer(IDOK);
    EXPECT_EQ(dialog.DoModal(), IDOK);
    std::vector<RecordedBox> recorded = user.Boxes();
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[0].text, L"Please enter an integer between 1 and 100.");
    EXPECT_EQ(recorded[1].text, L"Please enter an integer.");
    EXPECT_EQ(dialog.number, 5);
}

TEST(DialogExchange, CancelKeepsTheMembersAndAScriptedAnswerSkipsTheDialog)
{
    TemplateBuilder dialogTemplate;
    ExchangeDialog dialog;
    dialog.SetTemplate(dialogTemplate.Get());
    ScriptedPrompts user;
    user.onDialog = [&](UINT, HWND window) {
        SetText(window, kEdit, L"9");
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.number, 42);

    user.onDialog = [](UINT, HWND) { ADD_FAILURE() << "the dialog should not show"; };
    user.AnswerModal(9999, IDOK);
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(DialogExchange, ADialogOpensOverItsWindowAndStaysOnItsScreen)
{
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    TemplateBuilder dialogTemplate;
    // An owner in the lower right quarter, then one hanging off the right.
    for (int hanging : {0, 1})
    {
        int width = 500, height = 400;
        int x = hanging ? work.right - 100 : work.left + (work.right - work.left) / 2;
        int y = work.top + (work.bottom - work.top) / 3;
        HWND owner = CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, width,
                                     height, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(owner, nullptr);
        RECT ownerBox = {};
        GetWindowRect(owner, &ownerBox);
        ExchangeDialog dialog(owner);
        dialog.SetTemplate(dialogTemplate.Get());
        ScriptedPrompts user;
        RECT shown = {};
        user.onDialog = [&](UINT, HWND window) {
            GetWindowRect(window, &shown);
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        };
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        if (!hanging)
        {
            EXPECT_NEAR((shown.left + shown.right) / 2, (ownerBox.left + ownerBox.right) / 2, 2);
            EXPECT_NEAR((shown.top + shown.bottom) / 2, (ownerBox.top + ownerBox.bottom) / 2, 2);
        }
        else
        {
            EXPECT_EQ(shown.right, work.right);
            EXPECT_GE(shown.top, work.top);
        }
        DestroyWindow(owner);
    }
}
