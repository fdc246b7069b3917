// The registry script grammar: header, sections, value lines, continuations.
#include "operations/RegScriptParser.h"

#include "base/Strings.h"
#include "registry/RootKeys.h"

#include <cstring>

namespace
{
const wchar_t kHeader5[] = L"Windows Registry Editor Version 5.00";
const wchar_t kHeader4[] = L"REGEDIT4";

// A fault that refuses the whole file.
struct Fault
{
    std::wstring text;
};
// A fault of one value line: the line is skipped, the rest of the file stands.
struct LineFault
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

// The root's name in the program's form, or empty for an unknown spelling.
std::wstring ScriptRootName(std::wstring_view word)
{
    int root = RootIndexFromHkeyName(word);
    return root < 0 ? std::wstring() : RootName(root);
}

// The key path of a section's text (without brackets and "-").
std::wstring SectionKey(std::wstring_view text)
{
    if (text.find(L'\0') != std::wstring_view::npos)
        throw Fault{L"a key name holds a NUL character."};
    size_t slash = text.find(L'\\');
    std::wstring_view word = text.substr(0, slash);
    std::wstring root = ScriptRootName(word);
    if (root.empty())
        throw Fault{L"unknown root \"" + std::wstring(word) + L"\"."};
    std::wstring path = root;
    if (slash == std::wstring_view::npos)
        return path;
    std::wstring_view rest = text.substr(slash + 1);
    size_t depth = 0;
    while (!rest.empty())
    {
        size_t next = rest.find(L'\\');
        std::wstring_view name = rest.substr(0, next);
        rest = next == std::wstring_view::npos ? std::wstring_view() : rest.substr(next + 1);
        // An empty name between two backslashes (or a trailing one) names
        // nothing: the registry's own parser skips it, and so do we.
        if (name.empty())
            continue;
        if (name.size() > kMaxKeyNameChars)
            throw Fault{L"a key name longer than 255 characters."};
        if (++depth > kMaxKeyDepth)
            throw Fault{L"keys nested deeper than the registry allows (512 levels)."};
        path += L'\\';
        path += name;
    }
    return path;
}

// A quoted string at text[at] (the opening quote); at moves past the closing
// one. Only the escapes the export writes are known; any other one, and a
// NUL, mean text its author cannot have meant, so the line is skipped.
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
        if (c == L'\0')
            throw LineFault{L"a NUL character inside a quoted string."};
        if (c == L'\\' && i + 1 < text.size())
        {
            wchar_t next = text[++i];
            if (next == L'\\' || next == L'"')
                out += next;
            else if (next == L'r')
                out += L'\r';
            else if (next == L'n')
                out += L'\n';
            else if (next == L'\0')
                throw LineFault{L"a NUL character inside a quoted string."};
            else
                throw LineFault{L"an unknown escape \"\\" + std::wstring(1, next) +
                                L"\" inside a quoted string (known: \\\\, \\\", \\r and \\n)."};
            continue;
        }
        out += c;
    }
    throw LineFault{L"a string without its closing quote."};
}

// text up to a comment (";" and what follows it), without blanks at the end.
std::wstring_view WithoutComment(std::wstring_view text)
{
    size_t semicolon = text.find(L';');
    if (semicolon != std::wstring_view::npos)
        text = text.substr(0, semicolon);
    return TrimRight(text);
}

std::vector<BYTE> HexBytes(std::wstring_view list)
{
    std::vector<BYTE> bytes;
    list = TrimLeft(WithoutComment(list));
    // One comma after the last byte is what some writers leave.
    if (!list.empty() && list.back() == L',')
        list = TrimRight(list.substr(0, list.size() - 1));
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
            throw LineFault{token.size() == 1 ? L"a hex byte with a single digit."
                                              : L"a hex byte list with a missing or overlong byte."};
        int high = zv::HexDigitValue(token[0]), low = zv::HexDigitValue(token[1]);
        if (high < 0 || low < 0)
            throw LineFault{L"a hex byte with a character that is no hex digit."};
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
    if (WithoutComment(data) == L"-")
    {
        op.kind = ScriptOperation::DeleteValue;
        return;
    }
    op.kind = ScriptOperation::SetValue;
    if (!data.empty() && data.front() == L'"')
    {
        size_t at = 0;
        std::wstring text = QuotedString(data, at);
        if (!WithoutComment(TrimLeft(data.substr(at))).empty())
            throw LineFault{L"text after a string's closing quote."};
        op.type = REG_SZ;
        op.data.resize((text.size() + 1) * sizeof(wchar_t));
        std::memcpy(op.data.data(), text.c_str(), op.data.size());
        return;
    }
    if (StartsNoCase(data, L"dword:"))
    {
        std::wstring_view digits = TrimLeft(WithoutComment(data.substr(6)));
        if (digits.empty() || digits.size() > 8)
            throw LineFault{digits.empty() ? L"a dword without digits."
                                           : L"a dword with more than 8 hex digits."};
        DWORD value = 0;
        for (wchar_t c : digits)
        {
            int digit = zv::HexDigitValue(c);
            if (digit < 0)
                throw LineFault{L"a dword with a character that is no hex digit."};
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
            throw LineFault{L"a hex(type) without \"):\"."};
        std::wstring_view number = data.substr(4, close - 4);
        if (number.empty() || number.size() > 8)
            throw LineFault{L"a hex(type) with a bad type number."};
        DWORD type = 0;
        for (wchar_t c : number)
        {
            int digit = zv::HexDigitValue(c);
            if (digit < 0)
                throw LineFault{L"a hex(type) with a bad type number."};
            type = type * 16 + static_cast<DWORD>(digit);
        }
        op.type = type;
        op.data = HexBytes(data.substr(close + 2));
        if (oldFormat && (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ))
            op.data = WidenAnsiBytes(op.data);
        return;
    }
    throw LineFault{L"value data of no known form (\"text\", dword:, hex:, hex(type):, or - to delete)."};
}

// The longest part of a skipped line the preview shows.
constexpr size_t kSkippedTextChars = 200;

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
                bool brokenBefore = m_brokenByCr;
                m_brokenByCr = false;
                try
                {
                    Line(line, result.operations);
                }
                catch (const LineFault& fault)
                {
                    Skip(line, fault.text, brokenBefore, result.operations);
                }
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
    // Lists a value line that is written nowhere, with why.
    void Skip(const std::wstring& line, std::wstring reason, bool brokenBefore,
              std::vector<ScriptOperation>& operations)
    {
        if (m_deleting)
            return; // values of a key the file deletes go nowhere anyway
        if (brokenBefore)
            reason = L"the rest of a line that a carriage return alone broke inside a quoted string.";
        else if (m_reader.LastEndedByLoneCr() && reason == L"a string without its closing quote.")
        {
            // The line ends in a CR alone inside its string: that CR ends the
            // line here, and what follows it is the broken line's rest.
            reason = L"a carriage return alone inside a quoted string (it ends the line there).";
            m_brokenByCr = true;
        }
        ScriptOperation op;
        op.kind = ScriptOperation::SkipLine;
        op.line = m_line;
        op.key = m_key;
        std::wstring_view text = TrimRight(TrimLeft(line));
        op.name.assign(text.substr(0, kSkippedTextChars));
        if (text.size() > kSkippedTextChars)
            op.name += L"...";
        op.reason = std::move(reason);
        operations.push_back(std::move(op));
    }

    // A line, joined with the lines that continue it (a hex list ending in
    // "\"). Blank and comment lines inside a continuation are passed over;
    // a section or value line, or the end of the file, ends it. The join
    // appends in place, so it takes time in proportion to the text.
    bool NextLogicalLine(std::wstring& line)
    {
        if (!m_pending.empty())
        {
            line.swap(m_pending);
            m_pending.clear();
            m_line = m_pendingLine;
        }
        else
        {
            if (!m_reader.NextLine(line))
                return false;
            m_line = m_reader.LineNumber();
        }
        if (!Continues(line))
            return true;
        for (;;)
        {
            while (!line.empty() && (line.back() == L' ' || line.back() == L'\t'))
                line.pop_back();
            line.pop_back(); // the backslash
            std::wstring_view start;
            for (;;)
            {
                if (!m_reader.NextLine(m_next))
                {
                    if (m_reader.Failed())
                        throw Fault{m_reader.Error()};
                    return true; // the data so far, as the platform reads it
                }
                start = TrimLeft(m_next);
                if (!TrimRight(start).empty() && start.front() != L';')
                    break;
            }
            if (start.front() == L'[' || start.front() == L'"' || start.front() == L'@')
            {
                // The list ended without its last byte line: that line is
                // the next one to read, never part of this value.
                m_pending.swap(m_next);
                m_pendingLine = m_reader.LineNumber();
                return true;
            }
            line.append(start);
            std::wstring_view end = TrimRight(start);
            if (end.empty() || end.back() != L'\\')
                return true;
        }
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
            catch (const LineFault&)
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
            throw LineFault{L"a line that is neither a section, a value nor a comment."};
        if (m_key.empty())
            throw LineFault{L"a value line before any section."};
        ScriptOperation op;
        op.line = m_line;
        op.key = m_key;
        size_t at = 1;
        if (text.front() == L'"')
        {
            at = 0;
            op.name = QuotedString(text, at); // "" names the default value, as @ does
        }
        while (at < text.size() && (text[at] == L' ' || text[at] == L'\t'))
            ++at;
        if (at >= text.size() || text[at] != L'=')
            throw LineFault{L"a value name without \"=\" after it."};
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
    bool m_brokenByCr = false; // the last line was broken by a CR inside a string
    std::wstring m_key;
    std::wstring m_next;    // a continuation line being read
    std::wstring m_pending; // a line read ahead, to be read next
    size_t m_pendingLine = 0;
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
