// HexEditModel: what the hex-dump editor edits, without a window. The bytes,
// the caret (a byte and, in the hex column, which of its two digits), the
// selection, insert or overwrite, and every edit a user makes with keys,
// mouse and clipboard; the layout of a line (offset, eight hex pairs, eight
// characters) that the window draws and hit-tests with.
#pragma once

#include <windows.h>
#include <cstddef>
#include <string>
#include <vector>

class HexEditModel
{
  public:
    static constexpr size_t kBytesPerLine = 8;
    enum class Area
    {
        Hex,
        Text
    };

    // New bytes: caret at the start, nothing selected, not modified.
    void SetBytes(std::vector<BYTE> bytes);
    const std::vector<BYTE>& Bytes() const noexcept { return m_bytes; }
    // Whether an edit changed the bytes since SetBytes (a change undone by
    // hand still counts).
    bool Modified() const noexcept { return m_modified; }

    size_t Caret() const noexcept { return m_caret; }
    // In the hex column: whether the caret is on the second digit of its byte.
    bool OnLowDigit() const noexcept { return m_lowDigit; }
    Area CaretArea() const noexcept { return m_area; }
    void SetArea(Area area) noexcept;
    bool Overwrite() const noexcept { return m_overwrite; }
    void ToggleOverwrite() noexcept { m_overwrite = !m_overwrite; }

    bool HasSelection() const noexcept { return m_anchor != m_caret; }
    // The selected bytes as [start, end).
    size_t SelectionStart() const noexcept { return m_anchor < m_caret ? m_anchor : m_caret; }
    size_t SelectionEnd() const noexcept { return m_anchor < m_caret ? m_caret : m_anchor; }
    void SelectAll() noexcept;

    // Caret movement; extend keeps the selection's other end where it is.
    void MoveTo(size_t position, bool extend) noexcept;
    // Left and right: by a digit in the hex column, by a byte in the text
    // column or when extending.
    void MoveLeft(bool extend) noexcept;
    void MoveRight(bool extend) noexcept;
    // Up and down by lines (a page is several).
    void MoveLines(long long lines, bool extend) noexcept;
    void MoveToLineStart(bool extend) noexcept;
    void MoveToLineEnd(bool extend) noexcept;

    // A typed character: a hex digit in the hex column, any character that
    // is one byte (up to U+00FF) in the text column. False when it is none
    // of these, and nothing changes.
    bool Type(wchar_t character);
    // Backspace: the selection, else the byte before the caret.
    bool DeleteBack();
    // Delete: the selection, else the byte at the caret.
    bool DeleteForward();

    // The selection as the clipboard gets it: hex pairs ("de ad be ef") or
    // the characters the text column shows.
    std::wstring SelectionAsHex() const;
    std::wstring SelectionAsText() const;
    // Puts bytes in at the caret: in place of the selection, or over the
    // bytes at the caret in overwrite mode. The caret ends after them.
    void Put(const std::vector<BYTE>& bytes);
    // Pasted text read as hex pairs (blanks, commas and line breaks between
    // them, a "0x" before each allowed) or as characters of one byte each.
    // False when it cannot be read so; problem then says why.
    static bool ReadPastedHex(const std::wstring& text, std::vector<BYTE>& bytes, std::wstring& problem);
    static bool ReadPastedText(const std::wstring& text, std::vector<BYTE>& bytes, std::wstring& problem);

    // "Offset 0x0010 (16) of 22 bytes, Insert" or, with a selection,
    // "Selected 4 bytes at 0x0010 of 22 bytes, Overwrite".
    std::wstring StatusLine() const;

    // --- Layout, in character cells ---
    // Lines the bytes take, with the line where a caret after the last byte
    // goes.
    size_t LineCount() const noexcept;
    // Hex digits of the offset column: 4, more for larger data.
    int OffsetDigits() const noexcept;
    // The first cell of the hex pair of column i (0..7) and of the character i.
    int HexCell(size_t i) const noexcept;
    int TextCell(size_t i) const noexcept;
    // Cells a whole line takes.
    int LineCells() const noexcept;
    // The text of a line: offset, pairs and characters, blanks between.
    std::wstring LineText(size_t line) const;
    // The character the text column shows for a byte ('.' for a control byte).
    static wchar_t ShownCharacter(BYTE byte) noexcept;
    // The caret's place for a click at a cell of a line; false when the cell
    // is in the offset column (the caret then goes to the line's start).
    bool HitTest(size_t line, int cell, size_t& position, Area& area, bool& lowDigit) const noexcept;

  private:
    void DeleteSelection();
    void Collapse() noexcept { m_anchor = m_caret; }

    std::vector<BYTE> m_bytes;
    size_t m_caret = 0;
    size_t m_anchor = 0;
    bool m_lowDigit = false;
    Area m_area = Area::Hex;
    bool m_overwrite = false;
    bool m_modified = false;
};
