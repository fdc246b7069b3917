// The hex-dump editor's model: bytes, caret, selection and edits.
#include "app/HexEditModel.h"

#include "base/Strings.h"
#include "registry/ValueText.h"

#include <algorithm>
#include <cwctype>

namespace
{
} // namespace

void HexEditModel::SetBytes(std::vector<BYTE> bytes)
{
    m_bytes = std::move(bytes);
    m_caret = m_anchor = 0;
    m_lowDigit = false;
    m_modified = false;
}

void HexEditModel::SetArea(Area area) noexcept
{
    m_area = area;
    m_lowDigit = false;
}

void HexEditModel::SelectAll() noexcept
{
    m_anchor = 0;
    m_caret = m_bytes.size();
    m_lowDigit = false;
}

void HexEditModel::MoveTo(size_t position, bool extend) noexcept
{
    m_caret = std::min(position, m_bytes.size());
    m_lowDigit = false;
    if (!extend)
        Collapse();
}

void HexEditModel::MoveLeft(bool extend) noexcept
{
    if (!extend && HasSelection())
    {
        MoveTo(SelectionStart(), false);
        return;
    }
    if (m_area == Area::Hex && !extend && m_lowDigit)
    {
        m_lowDigit = false;
        return;
    }
    if (m_caret == 0)
        return;
    size_t to = m_caret - 1;
    MoveTo(to, extend);
    // Digit by digit: from the first digit of a byte to the second of the one before.
    if (m_area == Area::Hex && !extend && to < m_bytes.size())
        m_lowDigit = true;
}

void HexEditModel::MoveRight(bool extend) noexcept
{
    if (!extend && HasSelection())
    {
        MoveTo(SelectionEnd(), false);
        return;
    }
    if (m_area == Area::Hex && !extend && !m_lowDigit && m_caret < m_bytes.size())
    {
        m_lowDigit = true;
        return;
    }
    MoveTo(m_caret + 1, extend);
}

void HexEditModel::MoveLines(long long lines, bool extend) noexcept
{
    long long to = static_cast<long long>(m_caret) + lines * static_cast<long long>(kBytesPerLine);
    // Up past the first line stays in its column; down past the end goes
    // to the end, after the last byte.
    if (to < 0)
        to = static_cast<long long>(m_caret % kBytesPerLine);
    if (to > static_cast<long long>(m_bytes.size()))
        to = static_cast<long long>(m_bytes.size());
    bool low = m_lowDigit;
    MoveTo(static_cast<size_t>(to), extend);
    if (!extend && m_caret < m_bytes.size())
        m_lowDigit = low;
}

void HexEditModel::MoveToLineStart(bool extend) noexcept
{
    MoveTo(m_caret - m_caret % kBytesPerLine, extend);
}

void HexEditModel::MoveToLineEnd(bool extend) noexcept
{
    size_t end = m_caret - m_caret % kBytesPerLine + kBytesPerLine - 1;
    // The end of the data is a place of its own, after the last byte.
    MoveTo(std::min(end, m_bytes.size()), extend);
}

void HexEditModel::DeleteSelection()
{
    if (!HasSelection())
        return;
    size_t start = SelectionStart();
    m_bytes.erase(m_bytes.begin() + static_cast<ptrdiff_t>(start),
                  m_bytes.begin() + static_cast<ptrdiff_t>(SelectionEnd()));
    m_caret = m_anchor = start;
    m_lowDigit = false;
    m_modified = true;
}

bool HexEditModel::Type(wchar_t character)
{
    if (m_area == Area::Hex)
    {
        int digit = zv::HexDigitValue(character);
        if (digit < 0)
            return false;
        // A selection is replaced by what is typed, in either mode.
        bool replacing = HasSelection();
        if (replacing)
            DeleteSelection();
        m_modified = true;
        if (!m_lowDigit)
        {
            // The first digit: a new byte in insert mode (or at the end),
            // the high half of the byte there in overwrite mode.
            if (!m_overwrite || replacing || m_caret == m_bytes.size())
                m_bytes.insert(m_bytes.begin() + static_cast<ptrdiff_t>(m_caret),
                               static_cast<BYTE>(digit << 4));
            else
                m_bytes[m_caret] = static_cast<BYTE>((digit << 4) | (m_bytes[m_caret] & 0x0F));
            m_lowDigit = true;
        }
        else
        {
            m_bytes[m_caret] = static_cast<BYTE>((m_bytes[m_caret] & 0xF0) | digit);
            ++m_caret;
            m_lowDigit = false;
        }
        Collapse();
        return true;
    }
    if (character > 0xFF || character < 0x20)
        return false;
    Put({static_cast<BYTE>(character)});
    return true;
}

bool HexEditModel::DeleteBack()
{
    if (HasSelection())
    {
        DeleteSelection();
        return true;
    }
    // On the second digit the byte under the caret is the one begun.
    size_t at = m_caret;
    if (!m_lowDigit)
    {
        if (at == 0)
            return false;
        --at;
    }
    m_bytes.erase(m_bytes.begin() + static_cast<ptrdiff_t>(at));
    m_caret = m_anchor = at;
    m_lowDigit = false;
    m_modified = true;
    return true;
}

bool HexEditModel::DeleteForward()
{
    if (HasSelection())
    {
        DeleteSelection();
        return true;
    }
    if (m_caret >= m_bytes.size())
        return false;
    m_bytes.erase(m_bytes.begin() + static_cast<ptrdiff_t>(m_caret));
    m_lowDigit = false;
    Collapse();
    m_modified = true;
    return true;
}

std::wstring HexEditModel::SelectionAsHex() const
{
    size_t start = SelectionStart();
    return BytesToHex(m_bytes.data() + start, SelectionEnd() - start);
}

std::wstring HexEditModel::SelectionAsText() const
{
    std::wstring text;
    for (size_t i = SelectionStart(); i < SelectionEnd(); ++i)
        text += ShownCharacter(m_bytes[i]);
    return text;
}

void HexEditModel::Put(const std::vector<BYTE>& bytes)
{
    // A selection is replaced, in either mode.
    bool replacing = HasSelection();
    if (replacing)
        DeleteSelection();
    if (bytes.empty())
        return;
    auto at = m_bytes.begin() + static_cast<ptrdiff_t>(m_caret);
    if (m_overwrite && !replacing)
    {
        size_t over = std::min(bytes.size(), m_bytes.size() - m_caret);
        std::copy(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(over), at);
        m_bytes.insert(m_bytes.end(), bytes.begin() + static_cast<ptrdiff_t>(over), bytes.end());
    }
    else
        m_bytes.insert(at, bytes.begin(), bytes.end());
    m_caret += bytes.size();
    m_lowDigit = false;
    Collapse();
    m_modified = true;
}

bool HexEditModel::ReadPastedHex(const std::wstring& text, std::vector<BYTE>& bytes, std::wstring& problem)
{
    bytes.clear();
    size_t i = 0;
    auto separator = [](wchar_t c) {
        return c == L' ' || c == L'\t' || c == L',' || c == L'\r' || c == L'\n';
    };
    while (i < text.size())
    {
        if (separator(text[i]))
        {
            ++i;
            continue;
        }
        if (text[i] == L'0' && i + 1 < text.size() && (text[i + 1] == L'x' || text[i + 1] == L'X'))
            i += 2;
        int high = i < text.size() ? zv::HexDigitValue(text[i]) : -1;
        int low = i + 1 < text.size() ? zv::HexDigitValue(text[i + 1]) : -1;
        if (high < 0 || low < 0 || (i + 2 < text.size() && !separator(text[i + 2])))
        {
            problem = L"The clipboard holds no hex bytes: pairs of hex digits (0-9, a-f) are expected, as in "
                      L"\"de ad be ef\".";
            bytes.clear();
            return false;
        }
        bytes.push_back(static_cast<BYTE>(high << 4 | low));
        i += 2;
    }
    if (bytes.empty())
    {
        problem = L"The clipboard holds no hex bytes.";
        return false;
    }
    return true;
}

bool HexEditModel::ReadPastedText(const std::wstring& text, std::vector<BYTE>& bytes, std::wstring& problem)
{
    bytes.clear();
    for (wchar_t c : text)
    {
        if (c > 0xFF)
        {
            problem = zv::Format(L"The character U+%04X is more than one byte: the text column takes only "
                                 L"characters up to U+00FF.",
                                 static_cast<unsigned>(c));
            bytes.clear();
            return false;
        }
        bytes.push_back(static_cast<BYTE>(c));
    }
    if (bytes.empty())
    {
        problem = L"The clipboard holds no text.";
        return false;
    }
    return true;
}

std::wstring HexEditModel::StatusLine() const
{
    std::wstring size = zv::Counted(m_bytes.size(), L"byte", L"bytes");
    const wchar_t* mode = m_overwrite ? L"Overwrite" : L"Insert";
    if (HasSelection())
        return zv::Format(L"Selected %s at 0x%0*llx of %s, %s",
                          zv::Counted(SelectionEnd() - SelectionStart(), L"byte", L"bytes").c_str(),
                          OffsetDigits(), static_cast<unsigned long long>(SelectionStart()), size.c_str(),
                          mode);
    return zv::Format(L"Offset 0x%0*llx (%llu) of %s, %s", OffsetDigits(),
                      static_cast<unsigned long long>(m_caret), static_cast<unsigned long long>(m_caret),
                      size.c_str(), mode);
}

size_t HexEditModel::LineCount() const noexcept
{
    return m_bytes.size() / kBytesPerLine + 1;
}

int HexEditModel::OffsetDigits() const noexcept
{
    int digits = 4;
    for (size_t last = m_bytes.size() >> 16; last; last >>= 4)
        ++digits;
    return digits;
}

int HexEditModel::HexCell(size_t i) const noexcept
{
    // The offset, two blanks, then the pairs with a blank between.
    return OffsetDigits() + 2 + static_cast<int>(i) * 3;
}

int HexEditModel::TextCell(size_t i) const noexcept
{
    return HexCell(kBytesPerLine) + 1 + static_cast<int>(i);
}

int HexEditModel::LineCells() const noexcept
{
    return TextCell(kBytesPerLine);
}

wchar_t HexEditModel::ShownCharacter(BYTE byte) noexcept
{
    return byte < 0x20 || byte == 0x7F || (byte >= 0x80 && byte < 0xA0) ? L'.' : static_cast<wchar_t>(byte);
}

std::wstring HexEditModel::LineText(size_t line) const
{
    size_t first = line * kBytesPerLine;
    std::wstring text(static_cast<size_t>(LineCells()), L' ');
    std::wstring offset = zv::Format(L"%0*llx", OffsetDigits(), static_cast<unsigned long long>(first));
    text.replace(0, offset.size(), offset);
    static const wchar_t digits[] = L"0123456789abcdef";
    for (size_t i = 0; i < kBytesPerLine && first + i < m_bytes.size(); ++i)
    {
        BYTE byte = m_bytes[first + i];
        text[static_cast<size_t>(HexCell(i))] = digits[byte >> 4];
        text[static_cast<size_t>(HexCell(i)) + 1] = digits[byte & 15];
        text[static_cast<size_t>(TextCell(i))] = ShownCharacter(byte);
    }
    return text;
}

bool HexEditModel::HitTest(size_t line, int cell, size_t& position, Area& area, bool& lowDigit) const noexcept
{
    size_t first = line * kBytesPerLine;
    lowDigit = false;
    area = m_area;
    if (first > m_bytes.size())
    {
        position = m_bytes.size();
        return true;
    }
    auto clamp = [&](size_t i) { return std::min(first + i, m_bytes.size()); };
    if (cell < HexCell(0) - 1)
    {
        position = first;
        return false;
    }
    if (cell < TextCell(0) - 1)
    {
        area = Area::Hex;
        int into = cell - HexCell(0);
        if (into < 0)
            into = 0;
        size_t i = std::min(static_cast<size_t>(into / 3), kBytesPerLine - 1);
        position = clamp(i);
        lowDigit = into % 3 == 1 && position < m_bytes.size();
        return true;
    }
    area = Area::Text;
    int into = std::max(0, cell - TextCell(0));
    position = clamp(std::min(static_cast<size_t>(into), kBytesPerLine));
    return true;
}
