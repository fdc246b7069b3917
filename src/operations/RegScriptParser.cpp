// The registry script grammar: header, sections, value lines, continuations.
#include "operations/RegScriptParser.h"

#include "base/Strings.h"

#include <cstring>

namespace
{
const wchar_t kHeader5[] = L"Windows Registry Editor Version 5.00";
const wchar_t kHeader4[] = L"REGEDIT4";

struct Fault
{
    std::wstring text;
};

std::wstring_view TrimLeft(std::wstring_view text)
{
    size_t start = 0;
    while (start < text.size() && (text[start] == L' ' || text[start] == L'\t'))
        ++start;
    return text.substr(start);
}

std::wstring_view TrimRight(std::wstring_view text)
{
    size_t end = text.size();
    while (end > 0 && (text[end - 1] == L' ' || text[end - 1] == L'\t'))
        --end;
    return text.substr(0, end);
}

bool StartsNoCase(std::wstring_view text, std::wstring_view prefix)
{
    return text.size() >= prefix.size() && zv::EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

int HexDigit(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

// The root's name in the program's form, or empty for an unknown spelling.
std::wstring RootName(std::wstring_view word)
{
    static const struct
    {
        const wchar_t* spelling;
        const wchar_t* root;
    } kRoots[] = {{L"HKEY_LOCAL_MACHINE", L"LOCAL_MACHINE"},
                  {L"HKLM", L"LOCAL_MACHINE"},
                  {L"HKEY_CURRENT_USER", L"CURRENT_USER"},
                  {L"HKCU", L"CURRENT_USER"},
                  {L"HKEY_CLASSES_ROOT", L"CLASSES_ROOT"},
                  {L"HKCR", L"CLASSES_ROOT"},
                  {L"HKEY_USERS", L"USERS"},
                  {L"HKU", L"USERS"},
                  {L"HKEY_CURRENT_CONFIG", L"CURRENT_CONFIG"},
                  {L"HKCC", L"CURRENT_CONFIG"}};
    for (const auto& entry : kRoots)
        if (zv::EqualsNoCase(word, entry.spelling))
            return entry.root;
    return {};
}

// The key path of a section's text (without brackets and "-").
std::wstring SectionKey(std::wstring_view text)
{
    if (text.find(L'\0') != std::wstring_view::npos)
        throw Fault{L"a key name holds a NUL character."};
    size_t slash = text.find(L'\\');
    std::wstring_view word = text.substr(0, slash);
    std::wstring root = RootName(word);
    if (root.empty())
        throw Fault{L"unknown root \"" + std::wstring(word) + L"\"."};
    std::wstring path = root;
    if (slash == std::wstring_view::npos)
        return path;
    std::wstring_view rest = text.substr(slash + 1);
    if (!rest.empty() && rest.back() == L'\\')
        rest.remove_suffix(1); // a trailing backslash names the same key
    size_t depth = 0;
    while (!rest.empty())
    {
        size_t next = rest.find(L'\\');
        std::wstring_view name = rest.substr(0, next);
        if (name.empty())
            throw Fault{L"a key path with an empty key name (\"\\\\\")."};
        if (name.size() > kMaxKeyNameChars)
            throw Fault{L"a key name longer than 255 characters."};
        if (++depth > kMaxKeyDepth)
            throw Fault{L"keys nested deeper than the registry allows (512 levels)."};
        path += L'\\';
        path += name;
        rest = next == std::wstring_view::npos ? std::wstring_view() : rest.substr(next + 1);
    }
    return path;
}

// A quoted string at text[at] (the opening quote); at moves past the closing one.
std::wstring QuotedString(std::wstring_view text, size_t& at)
{
    std::wstring out;
    for (size_t i = at + 1; i < text.size(); ++i)
    {
        wchar_t c = text[i];
        if (c == L'"')
        {
            at = i + 1;
            return out;
        }
        if (c == L'\\' && i + 1 < text.size())
        {
            wchar_t next = text[i + 1];
            if (next == L'\\' || next == L'"')
            {
                out += next;
                ++i;
                continue;
            }
            if (next == L'r' || next == L'n')
            {
                out += next == L'r' ? L'\r' : L'\n';
                ++i;
                continue;
            }
        }
        out += c;
    }
    throw Fault{L"a string without its closing quote."};
}

std::vector<BYTE> HexBytes(std::wstring_view list)
{
    std::vector<BYTE> bytes;
    list = TrimRight(TrimLeft(list));
    if (list.empty())
        return bytes;
    bytes.reserve(list.size() / 3 + 1);
    size_t at = 0;
    while (at <= list.size())
    {
        size_t comma = list.find(L',', at);
        std::wstring_view token =
            TrimRight(TrimLeft(list.substr(at, comma == std::wstring_view::npos ? comma : comma - at)));
        if (token.size() != 2)
            throw Fault{token.size() == 1 ? L"a hex byte with a single digit."
                                          : L"a hex byte list with a missing or "
                                            L"overlong byte."};
        int high = HexDigit(token[0]), low = HexDigit(token[1]);
        if (high < 0 || low < 0)
            throw Fault{L"a hex byte with a character that is no hex digit."};
        bytes.push_back(static_cast<BYTE>(high * 16 + low));
        if (comma == std::wstring_view::npos)
            break;
        at = comma + 1;
    }
    return bytes;
}

// Text of 8-bit bytes (an old-format file's string types) as UTF-16 bytes.
std::vector<BYTE> WidenAnsiBytes(const std::vector<BYTE>& bytes)
{
    if (bytes.empty())
        return bytes;
    int chars = MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(bytes.data()),
                                    static_cast<int>(bytes.size()), nullptr, 0);
    std::vector<BYTE> wide(static_cast<size_t>(chars) * sizeof(wchar_t));
    MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(bytes.data()),
                        static_cast<int>(bytes.size()), reinterpret_cast<wchar_t*>(wide.data()), chars);
    return wide;
}

// Parses the data after "=" into op; false for "-" (delete).
void ValueData(std::wstring_view data, bool oldFormat, ScriptOperation& op)
{
    data = TrimRight(TrimLeft(data));
    if (data == L"-")
    {
        op.kind = ScriptOperation::DeleteValue;
        return;
    }
    op.kind = ScriptOperation::SetValue;
    if (!data.empty() && data.front() == L'"')
    {
        size_t at = 0;
        std::wstring text = QuotedString(data, at);
        if (!TrimLeft(data.substr(at)).empty())
            throw Fault{L"text after a string's closing quote."};
        op.type = REG_SZ;
        op.data.resize((text.size() + 1) * sizeof(wchar_t));
        std::memcpy(op.data.data(), text.c_str(), op.data.size());
        return;
    }
    if (StartsNoCase(data, L"dword:"))
    {
        std::wstring_view digits = TrimLeft(data.substr(6));
        if (digits.empty() || digits.size() > 8)
            throw Fault{digits.empty() ? L"a dword without digits."
                                       : L"a dword with more than 8 hex digits."};
        DWORD value = 0;
        for (wchar_t c : digits)
        {
            int digit = HexDigit(c);
            if (digit < 0)
                throw Fault{L"a dword with a character that is no hex digit."};
            value = value * 16 + static_cast<DWORD>(digit);
        }
        op.type = REG_DWORD;
        op.data.resize(4);
        std::memcpy(op.data.data(), &value, 4);
        return;
    }
    if (StartsNoCase(data, L"hex:"))
    {
        op.type = REG_BINARY;
        op.data = HexBytes(data.substr(4));
        return;
    }
    if (StartsNoCase(data, L"hex("))
    {
        size_t close = data.find(L')');
        if (close == std::wstring_view::npos || close + 1 >= data.size() || data[close + 1] != L':')
            throw Fault{L"a hex(type) without \"):\"."};
        std::wstring_view number = data.substr(4, close - 4);
        if (number.empty() || number.size() > 8)
            throw Fault{L"a hex(type) with a bad type number."};
        DWORD type = 0;
        for (wchar_t c : number)
        {
            int digit = HexDigit(c);
            if (digit < 0)
                throw Fault{L"a hex(type) with a bad type number."};
            type = type * 16 + static_cast<DWORD>(digit);
        }
        op.type = type;
        op.data = HexBytes(data.substr(close + 2));
        if (oldFormat && (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ))
            op.data = WidenAnsiBytes(op.data);
        return;
    }
    throw Fault{L"value data of no known form (\"text\", dword:, hex:, hex(type):, or - to delete)."};
}

class Parser
{
  public:
    explicit Parser(CRegScriptReader& reader) : m_reader(reader) {}

    ScriptParseResult Run(const std::function<void(ULONGLONG, ULONGLONG)>& progress)
    {
        ScriptParseResult result;
        std::wstring line;
        try
        {
            m_line = 1;
            if (!m_reader.NextLine(line))
                throw Fault{m_reader.Failed() ? m_reader.Error() : L"the file is empty."};
            m_line = m_reader.LineNumber();
            std::wstring_view header = TrimRight(line);
            if (!header.empty() && header.front() == 0xFEFF)
                header.remove_prefix(1);
            if (header == kHeader5)
                m_oldFormat = false;
            else if (header == kHeader4)
                m_oldFormat = true;
            else
                throw Fault{L"the file has no known header (\"Windows Registry Editor Version 5.00\" or "
                            L"\"REGEDIT4\")."};
            size_t count = 0;
            while (NextLogicalLine(line))
            {
                Line(line, result.operations);
                if (progress && ++count % 4096 == 0)
                    progress(m_reader.BytesRead(), m_reader.TotalBytes());
            }
            if (m_reader.Failed())
                throw Fault{m_reader.Error()};
        }
        catch (const Fault& fault)
        {
            result.operations.clear();
            result.operations.shrink_to_fit();
            result.errorLine = m_line;
            // The reader's own messages name their line already.
            result.error =
                m_reader.Failed() ? m_reader.Error() : zv::Format(L"Line %zu: ", m_line) + fault.text;
            result.encoding = m_reader.Encoding();
            return result;
        }
        result.ok = true;
        result.encoding = m_reader.Encoding();
        return result;
    }

  private:
    // A line, joined with the lines that continue it (a hex list ending in "\").
    bool NextLogicalLine(std::wstring& line)
    {
        if (!m_reader.NextLine(line))
            return false;
        m_line = m_reader.LineNumber();
        while (Continues(line))
        {
            line = std::wstring(TrimRight(line));
            line.pop_back();
            std::wstring next;
            if (!m_reader.NextLine(next))
            {
                if (m_reader.Failed())
                    throw Fault{m_reader.Error()};
                throw Fault{L"a continued line at the end of the file."};
            }
            line += TrimLeft(next);
        }
        return true;
    }

    static bool Continues(const std::wstring& line)
    {
        std::wstring_view text = TrimRight(line);
        if (text.empty() || text.back() != L'\\')
            return false;
        // Only hex lists continue; a section or a string may end in "\".
        std::wstring_view start = TrimLeft(text);
        if (start.empty() || start.front() == L'[' || start.front() == L';')
            return false;
        size_t equals = ValueEquals(start);
        if (equals == std::wstring_view::npos)
            return false;
        return StartsNoCase(TrimLeft(start.substr(equals + 1)), L"hex");
    }

    // Where the "=" after a value's name is, or npos.
    static size_t ValueEquals(std::wstring_view text)
    {
        size_t at = 0;
        if (!text.empty() && text.front() == L'@')
            at = 1;
        else if (!text.empty() && text.front() == L'"')
        {
            try
            {
                QuotedString(text, at);
            }
            catch (const Fault&)
            {
                return std::wstring_view::npos;
            }
        }
        else
            return std::wstring_view::npos;
        while (at < text.size() && (text[at] == L' ' || text[at] == L'\t'))
            ++at;
        return at < text.size() && text[at] == L'=' ? at : std::wstring_view::npos;
    }

    void Line(const std::wstring& raw, std::vector<ScriptOperation>& operations)
    {
        std::wstring_view text = TrimLeft(raw);
        if (TrimRight(text).empty() || text.front() == L';')
            return;
        if (text.front() == L'[')
        {
            std::wstring_view section = TrimRight(text);
            size_t close = section.rfind(L']');
            if (close == std::wstring_view::npos)
                throw Fault{L"a section line without \"]\"."};
            std::wstring_view inside = section.substr(1, close - 1);
            ScriptOperation op;
            op.line = m_line;
            op.kind = ScriptOperation::CreateKey;
            if (!inside.empty() && inside.front() == L'-')
            {
                op.kind = ScriptOperation::DeleteKey;
                inside.remove_prefix(1);
            }
            op.key = SectionKey(inside);
            if (op.kind == ScriptOperation::DeleteKey && op.key.find(L'\\') == std::wstring::npos)
                throw Fault{L"a root key cannot be deleted."};
            m_deleting = op.kind == ScriptOperation::DeleteKey;
            m_key = op.key;
            operations.push_back(std::move(op));
            return;
        }
        if (text.front() != L'@' && text.front() != L'"')
            throw Fault{L"a line that is neither a section, a value nor a comment."};
        if (m_key.empty())
            throw Fault{L"a value line before any section."};
        ScriptOperation op;
        op.line = m_line;
        op.key = m_key;
        size_t at = 1;
        if (text.front() == L'"')
        {
            at = 0;
            op.name = QuotedString(text, at);
            if (op.name.empty())
                throw Fault{L"an empty value name in quotes (the default value is written @)."};
            if (op.name.find(L'\0') != std::wstring::npos)
                throw Fault{L"a value name holds a NUL character."};
        }
        while (at < text.size() && (text[at] == L' ' || text[at] == L'\t'))
            ++at;
        if (at >= text.size() || text[at] != L'=')
            throw Fault{L"a value name without \"=\" after it."};
        ValueData(text.substr(at + 1), m_oldFormat, op);
        // Values of a key the file deletes have nothing to go to.
        if (m_deleting)
            return;
        operations.push_back(std::move(op));
    }

    CRegScriptReader& m_reader;
    size_t m_line = 0;
    bool m_oldFormat = false;
    bool m_deleting = false;
    std::wstring m_key;
};
} // namespace

ScriptParseResult ParseRegScript(CRegScriptReader& reader,
                                 const std::function<void(ULONGLONG, ULONGLONG)>& progress)
{
    return Parser(reader).Run(progress);
}

ScriptParseResult ParseRegScriptFile(const std::wstring& path)
{
    CRegScriptReader reader;
    if (!reader.Open(path))
    {
        ScriptParseResult result;
        result.error = reader.Error();
        return result;
    }
    return ParseRegScript(reader);
}

ScriptParseResult ParseRegScriptText(const std::wstring& text)
{
    CRegScriptReader reader;
    reader.OpenText(text);
    return ParseRegScript(reader);
}

bool LooksLikeRegScript(const std::wstring& text)
{
    std::wstring_view start = TrimLeft(text);
    if (!start.empty() && start.front() == 0xFEFF)
        start.remove_prefix(1);
    return start.substr(0, std::size(kHeader5) - 1) == kHeader5 ||
           start.substr(0, std::size(kHeader4) - 1) == kHeader4;
}
