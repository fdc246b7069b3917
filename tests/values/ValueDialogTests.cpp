// The Edit Value dialog driven as a user drives it, and what its flows write:
// exact bytes for every editable type, nothing when nothing changed, the
// bytes of a renamed value untouched, numbers that are no numbers refused.
#include "app/Hints.h"
#include "base/Strings.h"
#include "registry/NumberFormat.h"
#include "support/DocumentFixture.h"
#include "support/RegistrySandbox.h"
#include "support/ScriptedPrompts.h"
#include "support/Screenshots.h"
#include "app/ValueConversions.h"

#include "resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace
{
std::wstring Text(HWND dialog, int id)
{
    wchar_t text[1024] = {};
    GetDlgItemTextW(dialog, id, text, 1024);
    return text;
}

void Click(HWND dialog, int id)
{
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void Spin(HWND dialog, int delta)
{
    NMUPDOWN spin = {};
    spin.hdr.hwndFrom = GetDlgItem(dialog, IDC_VALUE_SPIN);
    spin.hdr.idFrom = IDC_VALUE_SPIN;
    spin.hdr.code = UDN_DELTAPOS;
    spin.iDelta = delta;
    SendMessageW(dialog, WM_NOTIFY, IDC_VALUE_SPIN, reinterpret_cast<LPARAM>(&spin));
}

bool Visible(HWND dialog, int id)
{
    return (GetWindowLongW(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

std::vector<BYTE> Raw(const RegistrySandbox& box, const wchar_t* name, DWORD* type = nullptr)
{
    DWORD t = 0;
    std::vector<BYTE> data;
    EXPECT_TRUE(box.ReadValue(L"K", name, t, data)) << zv::ToUtf8(name);
    if (type)
        *type = t;
    return data;
}

std::vector<BYTE> Units(std::wstring_view text)
{
    std::vector<BYTE> bytes(text.size() * 2);
    std::memcpy(bytes.data(), text.data(), bytes.size());
    return bytes;
}

// Edits name on K: the dialog gets drive(dialog), then OK.
bool Edit(DocumentFixture& f, ScriptedPrompts& user, const RegistrySandbox& box, const std::wstring& name,
          const std::function<void(HWND)>& drive)
{
    user.onDialog = [&](UINT id, HWND dialog) {
        ASSERT_EQ(id, static_cast<UINT>(IDD_VALUE));
        drive(dialog);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    std::wstring newName, newData;
    DWORD newType = 0;
    bool written = f.doc->EditValue(box.PathOf(L"K"), name, newName, newData, newType);
    user.onDialog = nullptr;
    return written;
}
} // namespace

TEST(ValueDialog, WritesExactBytesForEveryEditableType)
{
    RegistrySandbox box;
    SetNumberFormatIndex(0);
    struct Case
    {
        const wchar_t* name;
        DWORD type;
        int button;
        const wchar_t* text;
        std::vector<BYTE> bytes;
    } cases[] = {
        {L"sz", REG_SZ, IDC_TYPE_SZ, L"hello", Units(std::wstring(L"hello\0", 6))},
        {L"exp", REG_EXPAND_SZ, IDC_TYPE_EXPAND, L"%TEMP%\\x", Units(std::wstring(L"%TEMP%\\x\0", 9))},
        {L"dw", REG_DWORD, IDC_TYPE_DWORD, L"305419896", Bytes({0x78, 0x56, 0x34, 0x12})},
        {L"qw", REG_QWORD, IDC_TYPE_QWORD, L"0x0102030405060708", Bytes({8, 7, 6, 5, 4, 3, 2, 1})},
        {L"bin", REG_BINARY, IDC_TYPE_BINARY, L"de ad be ef 00", Bytes({0xde, 0xad, 0xbe, 0xef, 0})},
        {L"none", REG_NONE, IDC_TYPE_NONE, L"01 02", Bytes({1, 2})},
    };
    ScriptedPrompts user;
    DocumentFixture f;
    for (const Case& c : cases)
    {
        box.SetString(L"K", c.name, L"start");
        ASSERT_TRUE(Edit(f, user, box, c.name, [&](HWND dialog) {
            Click(dialog, c.button);
            SetDlgItemTextW(dialog, IDC_VALUE_DATA, c.text);
        })) << zv::ToUtf8(c.name);
        DWORD type = 0;
        EXPECT_EQ(Raw(box, c.name, &type), c.bytes) << zv::ToUtf8(c.name);
        EXPECT_EQ(type, c.type);
    }
    box.SetString(L"K", L"multi", L"start");
    ASSERT_TRUE(Edit(f, user, box, L"multi", [&](HWND dialog) {
        Click(dialog, IDC_TYPE_MULTI);
        EXPECT_TRUE(Visible(dialog, IDC_VALUE_MULTI));
        EXPECT_FALSE(Visible(dialog, IDC_VALUE_DATA));
        SetDlgItemTextW(dialog, IDC_VALUE_MULTI, L"one\r\ntwo");
    }));
    EXPECT_EQ(Raw(box, L"multi"), Units(std::wstring(L"one\0two\0\0", 9)));
}

TEST(ValueDialog, OkWithoutChangesWritesNothingAndARenameKeepsEveryByte)
{
    RegistrySandbox box;
    // Data whose text forms lose something: a string with a NUL inside, a
    // multi-string with an empty string in it, a DWORD of three bytes.
    std::vector<BYTE> embedded = Units(std::wstring(L"ab\0cd\0", 6));
    std::vector<BYTE> oddMulti = Units(std::wstring(L"x\0\0y\0\0", 6));
    std::vector<BYTE> shortDword = Bytes({1, 2, 3});
    box.SetValue(L"K", L"Embedded", REG_SZ, embedded);
    box.SetValue(L"K", L"OddMulti", REG_MULTI_SZ, oddMulti);
    box.SetValue(L"K", L"Short", REG_DWORD, shortDword);
    ScriptedPrompts user;
    DocumentFixture f;
    for (const wchar_t* name : {L"Embedded", L"OddMulti", L"Short"})
        EXPECT_FALSE(Edit(f, user, box, name, [](HWND) {})) << "nothing changed, nothing written";
    EXPECT_EQ(Raw(box, L"Embedded"), embedded);
    EXPECT_EQ(Raw(box, L"OddMulti"), oddMulti);
    EXPECT_EQ(Raw(box, L"Short"), shortDword);

    for (auto [from, to] : {std::pair{L"Embedded", L"Embedded2"}, std::pair{L"OddMulti", L"ODDMULTI"},
                            std::pair{L"Short", L"Shorter"}})
        ASSERT_TRUE(
            Edit(f, user, box, from, [&](HWND dialog) { SetDlgItemTextW(dialog, IDC_VALUE_NAME, to); }));
    EXPECT_EQ(Raw(box, L"Embedded2"), embedded);
    EXPECT_EQ(Raw(box, L"ODDMULTI"), oddMulti);
    EXPECT_EQ(Raw(box, L"Shorter"), shortDword);
    std::vector<std::wstring> names = box.ValueNames(L"K");
    EXPECT_EQ(std::count(names.begin(), names.end(), L"ODDMULTI"), 1)
        << "a case-only rename shows the new case";
    EXPECT_EQ(std::count(names.begin(), names.end(), L"Embedded"), 0);
}

TEST(ValueDialog, ATakenNameAndTextThatIsNoNumberReopenTheDialog)
{
    RegistrySandbox box;
    box.SetDword(L"K", L"a", 1);
    box.SetDword(L"K", L"b", 2);
    ScriptedPrompts user;
    DocumentFixture f;
    int shown = 0;
    user.Answer(IDOK); // A value named "B" already exists.
    user.onDialog = [&](UINT, HWND dialog) {
        ++shown;
        if (shown == 1)
            SetDlgItemTextW(dialog, IDC_VALUE_NAME, L"B");
        else
        {
            EXPECT_EQ(Text(dialog, IDC_VALUE_NAME), L"B") << "the user's entries come back";
            SetDlgItemTextW(dialog, IDC_VALUE_NAME, L"c");
        }
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    std::wstring newName, newData;
    DWORD newType = 0;
    ASSERT_TRUE(f.doc->EditValue(box.PathOf(L"K"), L"a", newName, newData, newType));
    EXPECT_EQ(shown, 2);
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(user.Boxes()[0].text, L"A value named \"B\" already exists.");
    EXPECT_EQ(newName, L"c");
    EXPECT_EQ(Raw(box, L"b"), Bytes({2, 0, 0, 0})) << "the other value is untouched";

    // "abc" for a DWORD, and a number past 32 bits: said, and nothing written.
    user.Clear();
    user.Answer(IDOK);
    user.Answer(IDOK);
    int attempts = 0;
    user.onDialog = [&](UINT, HWND dialog) {
        SetDlgItemTextW(dialog, IDC_VALUE_DATA, L"abc");
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        ++attempts;
        EXPECT_TRUE(IsWindow(dialog)) << "the dialog stays open";
        SetDlgItemTextW(dialog, IDC_VALUE_DATA, L"-10000000009");
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    };
    EXPECT_FALSE(f.doc->EditValue(box.PathOf(L"K"), L"b", newName, newData, newType));
    ASSERT_EQ(user.Boxes().size(), 2u);
    EXPECT_EQ(user.Boxes()[0].text, L"\"abc\" is not a number.");
    EXPECT_EQ(user.Boxes()[1].text, L"-10000000009 does not fit in 32 bits.");
    EXPECT_EQ(Raw(box, L"b"), Bytes({2, 0, 0, 0}));
}

TEST(ValueDialog, ConversionsBaseSwitchSpinAndInformationLines)
{
    RegistrySandbox box;
    box.SetString(L"K", L"s", L"ab");
    box.SetDword(L"K", L"d", 10);
    SetNumberFormatIndex(1);
    ScriptedPrompts user;
    DocumentFixture f;
    user.onDialog = [&](UINT, HWND dialog) {
        Click(dialog, IDC_TYPE_BINARY);
        EXPECT_EQ(Text(dialog, IDC_VALUE_DATA), L"61 00 62 00");
        Click(dialog, IDC_TYPE_SZ);
        EXPECT_EQ(Text(dialog, IDC_VALUE_DATA), L"ab");
        // Eight bytes read as a date; seven or nine do not.
        Click(dialog, IDC_TYPE_BINARY);
        SetDlgItemTextW(dialog, IDC_VALUE_DATA, L"00 80 3e d5 de b1 9d 01");
        EXPECT_TRUE(Visible(dialog, IDC_VALUE_INFO));
        SetDlgItemTextW(dialog, IDC_VALUE_DATA, L"00 80 3e d5 de b1 9d");
        EXPECT_FALSE(Visible(dialog, IDC_VALUE_INFO));
        SetDlgItemTextW(dialog, IDC_VALUE_DATA, L"00 80 3e d5 de b1 9d 01 02");
        EXPECT_FALSE(Visible(dialog, IDC_VALUE_INFO));
        Click(dialog, IDC_TYPE_EXPAND);
        SetDlgItemTextW(dialog, IDC_VALUE_DATA, L"%ZORVANE_DIALOG%");
        EXPECT_EQ(Text(dialog, IDC_VALUE_INFO), L"Expands to: here");
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    };
    SetEnvironmentVariableW(L"ZORVANE_DIALOG", L"here");
    std::wstring newName, newData;
    DWORD newType = 0;
    EXPECT_FALSE(f.doc->EditValue(box.PathOf(L"K"), L"s", newName, newData, newType));

    user.onDialog = [&](UINT, HWND dialog) {
        EXPECT_TRUE(Visible(dialog, IDC_VALUE_SPIN));
        EXPECT_EQ(Text(dialog, IDC_VALUE_DATA), L"0x0000000a");
        Click(dialog, IDC_DECIMAL);
        EXPECT_EQ(Text(dialog, IDC_VALUE_DATA), L"10");
        Click(dialog, IDC_HEXADECIMAL);
        EXPECT_EQ(Text(dialog, IDC_VALUE_DATA), L"0x0000000a");
        SetDlgItemTextW(dialog, IDC_VALUE_DATA, L"0x00000000");
        Spin(dialog, -1);
        EXPECT_EQ(Text(dialog, IDC_VALUE_DATA), L"0xffffffff");
        Spin(dialog, 1);
        EXPECT_EQ(Text(dialog, IDC_VALUE_DATA), L"0x00000000");
        // Typed in hexadecimal without the prefix: OK reads it as hexadecimal.
        SetDlgItemTextW(dialog, IDC_VALUE_DATA, L"20");
        Click(dialog, IDC_TYPE_QWORD);
        EXPECT_FALSE(Visible(dialog, IDC_VALUE_SPIN));
        Click(dialog, IDC_TYPE_DWORD);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    ASSERT_TRUE(f.doc->EditValue(box.PathOf(L"K"), L"d", newName, newData, newType));
    EXPECT_EQ(Raw(box, L"d"), Bytes({0x20, 0, 0, 0}));
    EXPECT_EQ(newData, L"0x00000020") << "shown as the registry now holds it";
    SetNumberFormatIndex(0);
}

TEST(ValueDialog, NewValueProposesTheDefaultThenNumberedNamesAndTellsTheViews)
{
    RegistrySandbox box;
    box.CreateKey(L"K");
    ScriptedPrompts user;
    DocumentFixture f;
    std::vector<std::wstring> proposed;
    user.onDialog = [&](UINT, HWND dialog) {
        proposed.push_back(Text(dialog, IDC_VALUE_NAME));
        SetDlgItemTextW(dialog, IDC_VALUE_DATA, L"x");
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    for (int i = 0; i < 4; ++i)
        f.doc->NewValue(box.PathOf(L"K"));
    EXPECT_EQ(proposed, (std::vector<std::wstring>{L"", L"New Value", L"New Value 1", L"New Value 2"}));
    ASSERT_FALSE(f.second.hints.empty());
    EXPECT_EQ(f.second.hints.back().hint, kHintValuesChanged);
}

TEST(ValueDialogTexts, DateLineIsOneConversionToLocalTime)
{
    // 2026-12-10 01:02:03 UTC as a FILETIME, little-endian.
    SYSTEMTIME utc = {2026, 12, 4, 10, 1, 2, 3, 0};
    FILETIME time;
    ASSERT_TRUE(SystemTimeToFileTime(&utc, &time));
    BYTE bytes[8];
    std::memcpy(bytes, &time, 8);
    std::wstring hex;
    for (int i = 0; i < 8; ++i)
        hex += (i ? L" " : L"") + zv::Format(L"%02x", bytes[i]);
    SYSTEMTIME local;
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local));
    // One run of this test is in a zone half an hour off the hour, where
    // converting twice (or not at all) shows in the minutes.
    if (GetEnvironmentVariableW(L"ZORVANE_SHIFTED_TZ", nullptr, 0) > 0)
    {
        ASSERT_EQ(local.wMinute, 32) << "the time zone of this run did not take effect";
    }
    std::optional<std::wstring> reading = DateTimeReading(hex);
    ASSERT_TRUE(reading.has_value());
    EXPECT_NE(reading->find(zv::Format(L"%02d:%02d:%02d", local.wHour, local.wMinute, local.wSecond)),
              std::wstring::npos)
        << zv::ToUtf8(*reading);
    EXPECT_NE(reading->find(L"2026"), std::wstring::npos);
    EXPECT_FALSE(DateTimeReading(hex.substr(0, 20)).has_value());
}

TEST(ValueDialog, PicturesOfTheDialogForBinaryAndQwordData)
{
    RegistrySandbox box;
    box.SetValue(L"K", L"Binary", REG_BINARY, {0x00, 0x5c, 0x74, 0xff, 0x10, 0x20, 0x30, 0x40, 0x50});
    box.SetValue(L"K", L"Qword", REG_QWORD, {8, 7, 6, 5, 4, 3, 2, 1});
    ScriptedPrompts user;
    DocumentFixture f;
    for (const wchar_t* name : {L"Binary", L"Qword"})
    {
        bool saved = false;
        user.onDialog = [&](UINT, HWND dialog) {
            SetWindowPos(dialog, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
            saved = SaveWindowPicture(dialog, std::wstring(L"edit-value-") + name);
            bool bytes = std::wstring(name) == L"Binary";
            EXPECT_EQ(IsWindowVisible(GetDlgItem(dialog, IDC_VALUE_HEX)) != FALSE, bytes);
            EXPECT_EQ(IsWindowVisible(GetDlgItem(dialog, IDC_VALUE_DATA)) != FALSE, !bytes);
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        };
        std::wstring newName, newData;
        DWORD newType = 0;
        EXPECT_FALSE(f.doc->EditValue(box.PathOf(L"K"), name, newName, newData, newType));
        EXPECT_TRUE(saved) << "no picture of the dialog for " << zv::ToUtf8(name);
    }
}

TEST(ValueDialog, TheFocusGoesToWhatIsEditedFirstAndANewValueIsTitledSo)
{
    RegistrySandbox box;
    box.SetString(L"K", L"s", L"some text");
    box.SetValue(L"K", L"m", REG_MULTI_SZ, Units(std::wstring(L"a\0b\0\0", 5)));
    ScriptedPrompts user;
    DocumentFixture f;
    auto seen = [](HWND dialog, int field, const wchar_t* title) {
        wchar_t caption[64] = {};
        GetWindowTextW(dialog, caption, 64);
        EXPECT_STREQ(caption, title);
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, field)) << "focus on " << field;
        DWORD start = 0, end = 0;
        SendMessageW(GetDlgItem(dialog, field), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, static_cast<DWORD>(GetWindowTextLengthW(GetDlgItem(dialog, field)))) << "all selected";
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    };
    std::wstring newName, newData;
    DWORD newType = 0;
    user.onDialog = [&](UINT, HWND dialog) { seen(dialog, IDC_VALUE_DATA, L"Edit Value"); };
    f.doc->EditValue(box.PathOf(L"K"), L"s", newName, newData, newType);
    user.onDialog = [&](UINT, HWND dialog) { seen(dialog, IDC_VALUE_MULTI, L"Edit Value"); };
    f.doc->EditValue(box.PathOf(L"K"), L"m", newName, newData, newType);
    user.onDialog = [&](UINT, HWND dialog) { seen(dialog, IDC_VALUE_NAME, L"New Value"); };
    f.doc->NewValue(box.PathOf(L"K"));
}

TEST(ValueDialog, BytesThatAreNoHexAndChangesThatWouldLoseDataAreSaidFirst)
{
    RegistrySandbox box;
    std::vector<BYTE> long22(22);
    for (size_t i = 0; i < long22.size(); ++i)
        long22[i] = static_cast<BYTE>(i + 1);
    box.SetValue(L"K", L"bin", REG_BINARY, long22);
    box.SetValue(L"K", L"m", REG_MULTI_SZ, Units(std::wstring(L"a\0\0", 3)));
    box.SetValue(L"K", L"q", REG_QWORD, Bytes({42, 0, 0, 0, 0, 0, 0, 0}));
    SetNumberFormatIndex(0);
    ScriptedPrompts user;
    DocumentFixture f;

    // Text that is no hex, or a digit without its pair: refused with the reason.
    for (const wchar_t* bad : {L"zz", L"0a 1", L"1"})
    {
        user.Clear();
        user.Answer(IDOK);
        int opened = 0;
        user.onDialog = [&](UINT, HWND dialog) {
            if (++opened == 1)
            {
                SetDlgItemTextW(dialog, IDC_VALUE_DATA, bad);
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            }
        };
        std::wstring newName, newData;
        DWORD newType = 0;
        EXPECT_FALSE(f.doc->EditValue(box.PathOf(L"K"), L"bin", newName, newData, newType));
        ASSERT_EQ(user.Boxes().size(), 1u) << zv::ToUtf8(bad);
        EXPECT_NE(user.Boxes()[0].text.find(L"hex digit"), std::wstring::npos)
            << zv::ToUtf8(user.Boxes()[0].text);
        EXPECT_EQ(Raw(box, L"bin"), long22) << "nothing written for " << zv::ToUtf8(bad);
    }

    // Binary of 22 bytes to DWORD: asked first; No keeps the type and the bytes.
    user.Clear();
    user.Answer(IDNO);
    ASSERT_FALSE(Edit(f, user, box, L"bin", [&](HWND dialog) {
        Click(dialog, IDC_TYPE_DWORD);
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_TYPE_BINARY), static_cast<UINT>(BST_CHECKED));
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_TYPE_DWORD), static_cast<UINT>(BST_UNCHECKED));
    })) << "OK with the data as it was writes nothing";
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(user.Boxes()[0].text.rfind(L"REG_DWORD keeps only the first 4 of the 22 bytes.", 0), 0u)
        << zv::ToUtf8(user.Boxes()[0].text);
    EXPECT_EQ(Raw(box, L"bin"), long22);
    user.Answer(IDYES);
    ASSERT_TRUE(Edit(f, user, box, L"bin", [&](HWND dialog) { Click(dialog, IDC_TYPE_DWORD); }));
    DWORD type = 0;
    EXPECT_EQ(Raw(box, L"bin", &type), Bytes({1, 2, 3, 4}));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));

    // A multi-string's empty line: said before OK writes.
    user.Clear();
    user.Answer(IDNO);
    user.Answer(IDYES);
    int oks = 0;
    user.onDialog = [&](UINT, HWND dialog) {
        SetDlgItemTextW(dialog, IDC_VALUE_MULTI, L"a\r\n\r\nb");
        ++oks;
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); // No: the dialog stays
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); // Yes: written
    };
    std::wstring newName, newData;
    ASSERT_TRUE(f.doc->EditValue(box.PathOf(L"K"), L"m", newName, newData, type));
    EXPECT_EQ(oks, 1);
    ASSERT_EQ(user.Boxes().size(), 2u);
    EXPECT_NE(user.Boxes()[0].text.find(L"empty lines cannot be kept"), std::wstring::npos);
    EXPECT_EQ(Raw(box, L"m"), Units(std::wstring(L"a\0b\0\0", 5)));
    user.onDialog = nullptr;

    // QWORD data offers decimal and hexadecimal, as DWORD data does.
    user.Clear();
    user.onDialog = [&](UINT, HWND dialog) {
        EXPECT_TRUE(Visible(dialog, IDC_DECIMAL));
        EXPECT_TRUE(Visible(dialog, IDC_HEXADECIMAL));
        EXPECT_EQ(Text(dialog, IDC_VALUE_DATA), L"42");
        CheckRadioButton(dialog, IDC_DECIMAL, IDC_HEXADECIMAL, IDC_HEXADECIMAL); // as a click does
        Click(dialog, IDC_HEXADECIMAL);
        EXPECT_EQ(Text(dialog, IDC_VALUE_DATA), L"0x000000000000002a");
        SetDlgItemTextW(dialog, IDC_VALUE_DATA, L"ff");
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    ASSERT_TRUE(f.doc->EditValue(box.PathOf(L"K"), L"q", newName, newData, type));
    EXPECT_EQ(Raw(box, L"q"), Bytes({0xff, 0, 0, 0, 0, 0, 0, 0})) << "typed in hexadecimal";
}

TEST(ValueConversions, LossIsFoundByTheBytesAndEmptyLinesByTheirPlace)
{
    EXPECT_FALSE(TypeChangeLoss(REG_BINARY, REG_DWORD, {L"01 02 03 04", L""}).has_value());
    EXPECT_TRUE(TypeChangeLoss(REG_BINARY, REG_DWORD, {L"01 02 03 04 05", L""}).has_value());
    EXPECT_TRUE(TypeChangeLoss(REG_BINARY, REG_QWORD, {L"01 02 03 04 05 06 07 08 09", L""}).has_value());
    EXPECT_FALSE(TypeChangeLoss(REG_BINARY, REG_QWORD, {L"1 2 3", L""}).has_value())
        << "text that is no hex has no bytes to lose: OK refuses it";
    EXPECT_FALSE(TypeChangeLoss(REG_SZ, REG_BINARY, {L"ab", L""}).has_value());
    EXPECT_FALSE(TypeChangeLoss(REG_DWORD, REG_QWORD, {L"20", L""}).has_value());
    EXPECT_FALSE(DropsEmptyLines(L"a\r\nb"));
    EXPECT_FALSE(DropsEmptyLines(L"a\r\nb\r\n")) << "a last line break drops nothing";
    EXPECT_TRUE(DropsEmptyLines(L"a\r\n\r\nb"));
    EXPECT_TRUE(DropsEmptyLines(L"\r\na"));
    EXPECT_FALSE(DropsEmptyLines(L""));
    EXPECT_FALSE(DropsEmptyLines(L"\r\n")) << "a line break alone is an empty list, nothing dropped";
}

TEST(ValueDialog, AKeyAnotherProgramDeletedWhileTheDialogWasOpenIsSaidToBeGone)
{
    RegistrySandbox box;
    box.SetString(L"K", L"a", L"old");
    ScriptedPrompts user;
    DocumentFixture f;
    user.Answer(IDOK);
    EXPECT_FALSE(Edit(f, user, box, L"a", [&](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_VALUE_DATA, L"new");
        RegDeleteTreeW(HKEY_CURRENT_USER, (box.SubKey() + L"\\K").c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, (box.SubKey() + L"\\K").c_str());
    }));
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(user.Boxes()[0].text,
              box.PathOf(L"K") +
                  L" does not exist: another program may have deleted it. Nothing was written.");
    EXPECT_FALSE(box.Exists(L"K")) << "nothing made the key again";
}

TEST(ValueConversions, NumbersReadInEitherBaseStopAtTheFirstOtherCharacterAndHoldAtTheLargest)
{
    EXPECT_EQ(ReadDwordInBase(L"  42x", false), 42u);
    EXPECT_EQ(ReadDwordInBase(L"0x2A", true), 42u);
    EXPECT_EQ(ReadDwordInBase(L"1f", false), 1u) << "a hex digit ends a decimal number";
    EXPECT_EQ(ReadDwordInBase(L"4294967295", false), 0xFFFFFFFFu);
    EXPECT_EQ(ReadDwordInBase(L"4294967296", false), 0xFFFFFFFFu);
    EXPECT_EQ(ReadDwordInBase(L"123456789012", true), 0xFFFFFFFFu);
    EXPECT_EQ(ReadQwordInBase(L"18446744073709551615", false), ~0ull);
    EXPECT_EQ(ReadQwordInBase(L"18446744073709551616", false), ~0ull);
    EXPECT_EQ(ReadQwordInBase(L"0xffffffffffffffff", true), ~0ull);
    EXPECT_EQ(ReadQwordInBase(L"4294967296", false), 0x100000000ull);
}
