// Bytes as text with escapes for what is no plain character, and back.
#include "registry/ValueText.h"

#include "base/Strings.h"

std::wstring BytesToEscapedText(const BYTE* data, size_t length)
{
    std::wstring text;
    text.reserve(length / 2 + 4);
    size_t units = length / 2;
    auto unitAt = [&](size_t i) { return static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8)); };
    auto isHex = [](wchar_t c) { return zv::HexDigitValue(c) >= 0; };
    for (size_t i = 0; i < units; ++i)
    {
        wchar_t unit = unitAt(i);
        if (unit == 0)
            text += L"\\0";
        else if (unit == 9)
            text += L"\\t";
        else if (unit == L'\\')
        {
            // A backslash the reader would take for the start of an escape
            // is written as an escape of its own.
            wchar_t next = i + 1 < units ? unitAt(i + 1) : 0;
            bool escapeFollows = next == L'0' || next == L't' ||
                                 ((next == L'x' || next == L'X') && i + 3 < units && isHex(unitAt(i + 2)) &&
                                  isHex(unitAt(i + 3)));
            text += escapeFollows ? L"\\x5c" : L"\\";
        }
        else
            text += unit;
    }
    // A last odd byte becomes a \xHH escape at the very end, which the reverse
    // conversion reads back as that single byte.
    if (length % 2)
        text += zv::Format(L"\\x%02x", data[length - 1]);
    return text;
}

namespace
{
// Reads one escaped unit at text[pos]; returns characters used. finalByte is set
// for a \xHH escape that ends the text (one byte, not a unit).
size_t ReadEscapedUnit(std::wstring_view text, size_t pos, wchar_t& unit, bool& finalByte)
{
    finalByte = false;
    wchar_t c = text[pos];
    if (c == L'\\' && pos + 1 < text.size())
    {
        wchar_t n = text[pos + 1];
        if (n == L'0')
        {
            unit = 0;
            return 2;
        }
        if (n == L't')
        {
            unit = 9;
            return 2;
        }
        if ((n == L'x' || n == L'X') && pos + 3 < text.size() && zv::HexDigitValue(text[pos + 2]) >= 0 &&
            zv::HexDigitValue(text[pos + 3]) >= 0)
        {
            unit = static_cast<wchar_t>(zv::HexDigitValue(text[pos + 2]) * 16 +
                                        zv::HexDigitValue(text[pos + 3]));
            finalByte = pos + 4 == text.size();
            return 4;
        }
    }
    unit = c;
    return 1;
}
} // namespace

void EscapedTextToBytes(std::wstring_view text, BYTE* buffer, DWORD& size)
{
    DWORD produced = 0;
    size_t pos = 0;
    while (pos < text.size() && produced < size)
    {
        wchar_t unit;
        bool finalByte;
        pos += ReadEscapedUnit(text, pos, unit, finalByte);
        buffer[produced++] = static_cast<BYTE>(unit & 0xFF);
        if (finalByte)
            break;
        if (produced < size)
            buffer[produced++] = static_cast<BYTE>(unit >> 8);
    }
    size = produced;
}

std::vector<BYTE> EscapedTextToBytes(std::wstring_view text)
{
    std::vector<BYTE> bytes(text.size() * 2);
    DWORD size = static_cast<DWORD>(bytes.size());
    if (size)
        EscapedTextToBytes(text, bytes.data(), size);
    bytes.resize(size);
    return bytes;
}
