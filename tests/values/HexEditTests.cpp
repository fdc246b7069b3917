// The hex-dump editor: its edits as a user makes them (digits and characters
// in insert and overwrite mode, selections, deletes, pastes), the layout it
// draws and hit-tests with, and the control in the Edit Value dialog, where
// its bytes are what OK writes and OK without a change writes nothing.
#include "base/ClipboardText.h"
#include "base/Strings.h"
#include "support/DocumentFixture.h"
#include "support/RegistrySandbox.h"
#include "support/ScriptedPrompts.h"
#include "app/HexEditCtrl.h"
#include "app/HexEditModel.h"

#include "resource.h"

#include <gtest/gtest.h>

#include <functional>

namespace
{
HexEditModel With(std::vector<BYTE> bytes)
{
    HexEditModel model;
    model.SetBytes(std::move(bytes));
    return model;
}

void TypeAll(HexEditModel& model, const wchar_t* text)
{
    for (; *text; ++text)
        EXPECT_TRUE(model.Type(*text)) << static_cast<char>(*text);
}
} // namespace

TEST(HexEditModel, DigitsAndCharactersInInsertAndOverwriteMode)
{
    HexEditModel model = With({0x11, 0x22});
    // Insert: the first digit makes a new byte, the second completes it.
    TypeAll(model, L"a");
    EXPECT_EQ(model.Bytes(), (std::vector<BYTE>{0xa0, 0x11, 0x22}));
    EXPECT_TRUE(model.OnLowDigit());
    TypeAll(model, L"B");
    EXPECT_EQ(model.Bytes(), (std::vector<BYTE>{0xab, 0x11, 0x22}));
    EXPECT_EQ(model.Caret(), 1u);
    EXPECT_FALSE(model.OnLowDigit());
    EXPECT_TRUE(model.Modified());
    // Overwrite: each digit replaces its half; at the end bytes are added.
    model.ToggleOverwrite();
    TypeAll(model, L"cde");
    EXPECT_EQ(model.Bytes(), (std::vector<BYTE>{0xab, 0xcd, 0xe2}));
    TypeAll(model, L"f01");
    EXPECT_EQ(model.Bytes(), (std::vector<BYTE>{0xab, 0xcd, 0xef, 0x01}));
    EXPECT_EQ(model.Caret(), 4u);
    // What is no hex digit changes nothing.
    EXPECT_FALSE(model.Type(L'g'));
    EXPECT_FALSE(model.Type(L' '));
    EXPECT_EQ(model.Bytes().size(), 4u);

    // The text column: a character of one byte, over or before the caret's.
    model.SetArea(HexEditModel::Area::Text);
    model.MoveTo(0, false);
    TypeAll(model, L"Z");
    EXPECT_EQ(model.Bytes(), (std::vector<BYTE>{'Z', 0xcd, 0xef, 0x01}));
    model.ToggleOverwrite();
    TypeAll(model, L"\u00ff");
    EXPECT_EQ(model.Bytes(), (std::vector<BYTE>{'Z', 0xff, 0xcd, 0xef, 0x01}));
    EXPECT_FALSE(model.Type(L'\u0100')) << "two bytes are no character of the text column";
    EXPECT_FALSE(model.Type(L'\r'));
    EXPECT_EQ(model.Bytes().size(), 5u);

    HexEditModel untouched = With({1, 2, 3});
    untouched.MoveRight(false);
    untouched.SelectAll();
    EXPECT_FALSE(untouched.Modified()) << "moving and selecting change no byte";
}

TEST(HexEditModel, SelectionsDeletesAndTypingOverASelection)
{
    HexEditModel model = With({0x10, 0x20, 0x30, 0x40, 0x50});
    model.MoveTo(1, false);
    model.MoveTo(3, true);
    EXPECT_EQ(model.SelectionStart(), 1u);
    EXPECT_EQ(model.SelectionEnd(), 3u);
    EXPECT_EQ(model.SelectionAsHex(), L"20 30");
    // Selected backwards: the same bytes.
    model.MoveTo(4, false);
    model.MoveLeft(true);
    model.MoveLeft(true);
    EXPECT_EQ(model.SelectionAsHex(), L"30 40");
    // Typing replaces the selection.
    TypeAll(model, L"99");
    EXPECT_EQ(model.Bytes(), (std::vector<BYTE>{0x10, 0x20, 0x99, 0x50}));
    EXPECT_FALSE(model.HasSelection());
    // Backspace takes the byte before the caret; on a byte begun, that byte.
    EXPECT_TRUE(model.DeleteBack());
    EXPECT_EQ(model.Bytes(), (std::vector<BYTE>{0x10, 0x20, 0x50}));
    TypeAll(model, L"7");
    EXPECT_EQ(model.Bytes(), (std::vector<BYTE>{0x10, 0x20, 0x70, 0x50}));
    EXPECT_TRUE(model.DeleteBack());
    EXPECT_EQ(model.Bytes(), (std::vector<BYTE>{0x10, 0x20, 0x50}));
    // Delete takes the byte at the caret; nothing at the end.
    model.MoveTo(0, false);
    EXPECT_TRUE(model.DeleteForward());
    EXPECT_EQ(model.Bytes(), (std::vector<BYTE>{0x20, 0x50}));
    EXPECT_FALSE(model.DeleteBack());
    model.MoveTo(2, false);
    EXPECT_FALSE(model.DeleteForward());
    model.SelectAll();
    EXPECT_TRUE(model.DeleteForward());
    EXPECT_TRUE(model.Bytes().empty());

    // Copied as text: what the text column shows.
    HexEditModel text = With({'H', 'i', 0x00, 0x7f, 0xe9, 0x0a});
    text.SelectAll();
    EXPECT_EQ(text.SelectionAsText(), L"Hi..\u00e9.");
}

TEST(HexEditModel, TheCaretMovesByDigitByteLineAndPage)
{
    std::vector<BYTE> bytes(20);
    HexEditModel model = With(bytes);
    // In the hex column right goes digit by digit, left back the same way.
    model.MoveRight(false);
    EXPECT_EQ(model.Caret(), 0u);
    EXPECT_TRUE(model.OnLowDigit());
    model.MoveRight(false);
    EXPECT_EQ(model.Caret(), 1u);
    EXPECT_FALSE(model.OnLowDigit());
    model.MoveLeft(false);
    EXPECT_EQ(model.Caret(), 0u);
    EXPECT_TRUE(model.OnLowDigit());
    // Extending goes by bytes.
    model.MoveTo(3, false);
    model.MoveRight(true);
    model.MoveRight(true);
    EXPECT_EQ(model.SelectionStart(), 3u);
    EXPECT_EQ(model.SelectionEnd(), 5u);
    // Left or right without Shift ends the selection at its side.
    model.MoveLeft(false);
    EXPECT_EQ(model.Caret(), 3u);
    EXPECT_FALSE(model.HasSelection());
    // Lines of eight: up from the first line keeps the column, down past
    // the last goes to the end.
    model.MoveLines(1, false);
    EXPECT_EQ(model.Caret(), 11u);
    model.MoveLines(-5, false);
    EXPECT_EQ(model.Caret(), 3u);
    model.MoveLines(2, false);
    EXPECT_EQ(model.Caret(), 19u);
    model.MoveLines(1, false);
    EXPECT_EQ(model.Caret(), 20u);
    model.MoveToLineStart(false);
    EXPECT_EQ(model.Caret(), 16u);
    model.MoveTo(9, false);
    model.MoveToLineEnd(true);
    EXPECT_EQ(model.Caret(), 15u);
    EXPECT_EQ(model.SelectionStart(), 9u);
    // The text column goes by bytes.
    model.SetArea(HexEditModel::Area::Text);
    model.MoveTo(5, false);
    model.MoveRight(false);
    EXPECT_EQ(model.Caret(), 6u);
    EXPECT_FALSE(model.OnLowDigit());
}

TEST(HexEditModel, PastedHexAndTextAreReadOrRefusedWithTheReason)
{
    std::vector<BYTE> bytes;
    std::wstring problem;
    EXPECT_TRUE(HexEditModel::ReadPastedHex(L" de ad,BE\r\n0xef\t01", bytes, problem));
    EXPECT_EQ(bytes, (std::vector<BYTE>{0xde, 0xad, 0xbe, 0xef, 0x01}));
    for (const wchar_t* bad : {L"zz", L"1", L"0a1", L"de ad g0", L"", L" , "})
    {
        problem.clear();
        EXPECT_FALSE(HexEditModel::ReadPastedHex(bad, bytes, problem)) << zv::ToUtf8(bad);
        EXPECT_TRUE(bytes.empty());
        EXPECT_FALSE(problem.empty());
    }
    EXPECT_TRUE(HexEditModel::ReadPastedText(L"A\u00ff\r\n", bytes, problem));
    EXPECT_EQ(bytes, (std::vector<BYTE>{'A', 0xff, '\r', '\n'}));
    EXPECT_FALSE(HexEditModel::ReadPastedText(L"A\u20acB", bytes, problem));
    EXPECT_NE(problem.find(L"U+20AC"), std::wstring::npos) << zv::ToUtf8(problem);

    // Put: before the caret in insert mode, over the bytes in overwrite
    // mode (adding what goes past the end), in place of a selection.
    HexEditModel model = With({1, 2, 3});
    model.MoveTo(1, false);
    model.Put({9, 9});
    EXPECT_EQ(model.Bytes(), (std::vector<BYTE>{1, 9, 9, 2, 3}));
    EXPECT_EQ(model.Caret(), 3u);
    model.ToggleOverwrite();
    model.Put({7, 7, 7});
    EXPECT_EQ(model.Bytes(), (std::vector<BYTE>{1, 9, 9, 7, 7, 7}));
    model.MoveTo(0, false);
    model.MoveTo(2, true);
    model.Put({5});
    EXPECT_EQ(model.Bytes(), (std::vector<BYTE>{5, 9, 7, 7, 7}));
}

TEST(HexEditModel, LinesStatusAndHitTests)
{
    HexEditModel model = With({0x00, 0x5c, 0x74, 0xff, 0x10, 0x20, 0x30, 0x40, 0x50});
    EXPECT_EQ(model.LineText(0), L"0000  00 5c 74 ff 10 20 30 40  .\\t\u00ff. 0@");
    EXPECT_EQ(model.LineText(1), L"0008  50                       P       ");
    EXPECT_EQ(model.LineCount(), 2u);
    EXPECT_EQ(With(std::vector<BYTE>(8)).LineCount(), 2u) << "a caret after the eighth byte needs a line";
    EXPECT_EQ(With(std::vector<BYTE>(0xFFFF)).OffsetDigits(), 4);
    EXPECT_EQ(With(std::vector<BYTE>(0x10000)).OffsetDigits(), 5);

    EXPECT_EQ(model.StatusLine(), L"Offset 0x0000 (0) of 9 bytes, Insert");
    model.MoveTo(8, false);
    model.ToggleOverwrite();
    EXPECT_EQ(model.StatusLine(), L"Offset 0x0008 (8) of 9 bytes, Overwrite");
    model.MoveTo(2, true);
    EXPECT_EQ(model.StatusLine(), L"Selected 6 bytes at 0x0002 of 9 bytes, Overwrite");
    EXPECT_EQ(With({1}).StatusLine(), L"Offset 0x0000 (0) of 1 byte, Insert");

    size_t position = 0;
    HexEditModel::Area area = HexEditModel::Area::Text;
    bool low = false;
    // The second digit of the third pair on the first line.
    ASSERT_TRUE(model.HitTest(0, model.HexCell(2) + 1, position, area, low));
    EXPECT_EQ(position, 2u);
    EXPECT_EQ(area, HexEditModel::Area::Hex);
    EXPECT_TRUE(low);
    // The character of the fifth byte; past the last byte of the last line.
    ASSERT_TRUE(model.HitTest(0, model.TextCell(4), position, area, low));
    EXPECT_EQ(position, 4u);
    EXPECT_EQ(area, HexEditModel::Area::Text);
    ASSERT_TRUE(model.HitTest(1, model.TextCell(6), position, area, low));
    EXPECT_EQ(position, 9u);
    ASSERT_TRUE(model.HitTest(5, 0, position, area, low));
    EXPECT_EQ(position, 9u);
    // The offset column: the line's start.
    EXPECT_FALSE(model.HitTest(1, 1, position, area, low));
    EXPECT_EQ(position, 8u);
}

namespace
{
std::wstring Text(HWND dialog, int id)
{
    wchar_t text[1024] = {};
    GetDlgItemTextW(dialog, id, text, 1024);
    return text;
}

// Shown by its own style (the dialog is not on screen yet while tests drive it).
bool Shown(HWND control)
{
    return (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

// A key as the user presses it, with Shift and Ctrl held as asked.
void Press(HWND window, UINT key, bool shift = false, bool control = false)
{
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_SHIFT] = shift ? 0x80 : 0;
    state[VK_CONTROL] = control ? 0x80 : 0;
    SetKeyboardState(state);
    SendMessageW(window, WM_KEYDOWN, key, 0);
    state[VK_SHIFT] = state[VK_CONTROL] = 0;
    SetKeyboardState(state);
}

void Chars(HWND window, const wchar_t* text)
{
    for (; *text; ++text)
        SendMessageW(window, WM_CHAR, *text, 0);
}

std::vector<BYTE> Raw(const RegistrySandbox& box, const wchar_t* name, DWORD* type = nullptr)
{
    DWORD t = 0;
    std::vector<BYTE> data;
    EXPECT_TRUE(box.ReadValue(L"K", name, t, data));
    if (type)
        *type = t;
    return data;
}

// Edits name on K with the dialog driven by drive (OK posted after it);
// true when the edit wrote.
bool EditBytes(DocumentFixture& f, ScriptedPrompts& user, const RegistrySandbox& box, const wchar_t* name,
               const std::function<void(HWND dialog, HWND hex)>& drive)
{
    user.onDialog = [&](UINT, HWND dialog) {
        HWND hex = GetDlgItem(dialog, IDC_VALUE_HEX);
        drive(dialog, hex);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    std::wstring newName, newData;
    DWORD newType = 0;
    bool written = f.doc->EditValue(box.PathOf(L"K"), name, newName, newData, newType);
    user.onDialog = nullptr;
    return written;
}
} // namespace

TEST(HexEditDialog, BytesAreEditedInTheDumpAndOkWithoutAChangeWritesNothing)
{
    RegistrySandbox box;
    std::vector<BYTE> start = {0xde, 0xad, 0xbe, 0xef, 0x00, 0x01, 0x02, 0x03, 0x04};
    box.SetValue(L"K", L"bin", REG_BINARY, start);
    box.SetValue(L"K", L"none", REG_NONE, {0x41});
    ScriptedPrompts user;
    DocumentFixture f;

    // Opened on bytes: the dump has the focus and the status line its place.
    EXPECT_FALSE(EditBytes(f, user, box, L"bin", [&](HWND dialog, HWND hex) {
        EXPECT_TRUE(Shown(hex));
        EXPECT_FALSE(Shown(GetDlgItem(dialog, IDC_VALUE_DATA)));
        EXPECT_EQ(GetFocus(), hex);
        EXPECT_EQ(Text(dialog, IDC_VALUE_HEX_STATUS), L"Offset 0x0000 (0) of 9 bytes, Insert");
        // Moving about and selecting is no change.
        Press(hex, VK_END, false, true);
        Press(hex, VK_HOME, true, true);
        Press(hex, VK_INSERT);
        Press(hex, VK_INSERT);
    })) << "OK without a change writes nothing";
    EXPECT_EQ(Raw(box, L"bin"), start);

    // Typed at the end, over the first byte, and a byte deleted: exactly those bytes.
    DWORD type = 0;
    ASSERT_TRUE(EditBytes(f, user, box, L"bin", [&](HWND dialog, HWND hex) {
        Press(hex, VK_END, false, true);
        Chars(hex, L"42");
        EXPECT_EQ(Text(dialog, IDC_VALUE_HEX_STATUS), L"Offset 0x000a (10) of 10 bytes, Insert");
        Press(hex, VK_HOME, false, true);
        Press(hex, VK_INSERT);
        Chars(hex, L"C0");
        Press(hex, VK_RIGHT);
        Press(hex, VK_RIGHT);
        Press(hex, VK_DELETE);
        EXPECT_EQ(Text(dialog, IDC_VALUE_DATA), L"c0 ad ef 00 01 02 03 04 42");
    }));
    EXPECT_EQ(Raw(box, L"bin", &type), (std::vector<BYTE>{0xc0, 0xad, 0xef, 0, 1, 2, 3, 4, 0x42}));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));

    // Copied as hex and pasted as text at the end of a REG_NONE value;
    // text that is no hex is refused with the reason and changes nothing.
    ASSERT_TRUE(EditBytes(f, user, box, L"none", [&](HWND dialog, HWND hex) {
        HexEditCtrl* control = HexEditCtrl::From(hex);
        ASSERT_NE(control, nullptr);
        Press(hex, 'A', false, true);
        Press(hex, 'C', false, true);
        EXPECT_EQ(ClipboardText(), L"41");
        ASSERT_TRUE(PutTextOnClipboard(L"not hex"));
        user.Answer(IDOK);
        Press(hex, 'V', false, true);
        ASSERT_EQ(user.Boxes().size(), 1u);
        EXPECT_NE(user.Boxes()[0].text.find(L"hex digits"), std::wstring::npos);
        EXPECT_EQ(Text(dialog, IDC_VALUE_DATA), L"41");
        Press(hex, VK_END, false, true);
        control->RunCommand(HexEditCtrl::kPasteText);
        EXPECT_EQ(Text(dialog, IDC_VALUE_DATA), L"41 6e 6f 74 20 68 65 78");
    }));
    EXPECT_EQ(Raw(box, L"none", &type), (std::vector<BYTE>{'A', 'n', 'o', 't', ' ', 'h', 'e', 'x'}));
    EXPECT_EQ(type, static_cast<DWORD>(REG_NONE));
}

TEST(HexEditDialog, TheDumpFollowsTheTypeAndKeepsTheCaretInView)
{
    RegistrySandbox box;
    box.SetString(L"K", L"s", L"ab");
    box.SetValue(L"K", L"long", REG_BINARY, std::vector<BYTE>(4000, 0x5a));
    ScriptedPrompts user;
    DocumentFixture f;
    std::wstring newName, newData;
    DWORD newType = 0;
    user.onDialog = [&](UINT, HWND dialog) {
        HWND hex = GetDlgItem(dialog, IDC_VALUE_HEX);
        EXPECT_FALSE(Shown(hex));
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_TYPE_BINARY, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_TYPE_BINARY)));
        EXPECT_TRUE(Shown(hex));
        ASSERT_NE(HexEditCtrl::From(hex), nullptr);
        EXPECT_EQ(HexEditCtrl::From(hex)->Model().Bytes(), (std::vector<BYTE>{'a', 0, 'b', 0}));
        // Text put into the data field from elsewhere shows in the dump.
        SetDlgItemTextW(dialog, IDC_VALUE_DATA, L"01 02 03");
        EXPECT_EQ(HexEditCtrl::From(hex)->Model().Bytes(), (std::vector<BYTE>{1, 2, 3}));
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_TYPE_SZ, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_TYPE_SZ)));
        EXPECT_FALSE(Shown(hex));
        EXPECT_TRUE(Shown(GetDlgItem(dialog, IDC_VALUE_DATA)));
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    };
    EXPECT_FALSE(f.doc->EditValue(box.PathOf(L"K"), L"s", newName, newData, newType));

    user.onDialog = [&](UINT, HWND dialog) {
        HWND hex = GetDlgItem(dialog, IDC_VALUE_HEX);
        HexEditCtrl* control = HexEditCtrl::From(hex);
        ASSERT_NE(control, nullptr);
        size_t page = control->VisibleLines();
        ASSERT_GT(page, 1u);
        Press(hex, VK_END, false, true);
        EXPECT_EQ(control->Model().Caret(), 4000u);
        size_t caretLine = 4000 / HexEditModel::kBytesPerLine;
        EXPECT_GE(caretLine, control->TopLine());
        EXPECT_LT(caretLine, control->TopLine() + page) << "the end in view";
        Press(hex, VK_PRIOR);
        caretLine = control->Model().Caret() / HexEditModel::kBytesPerLine;
        EXPECT_GE(caretLine, control->TopLine());
        EXPECT_LT(caretLine, control->TopLine() + page);
        Press(hex, VK_HOME, false, true);
        EXPECT_EQ(control->TopLine(), 0u);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    };
    EXPECT_FALSE(f.doc->EditValue(box.PathOf(L"K"), L"long", newName, newData, newType));
}
