// Writing a compare's rows as the script that applies them.
#include "operations/DifferenceScript.h"

namespace
{
std::wstring Joined(const std::wstring& path, const std::wstring& name)
{
    return path.empty() ? name : path + L'\\' + name;
}

bool HasLineBreak(const std::wstring& text)
{
    return text.find_first_of(L"\r\n") != std::wstring::npos;
}

class DifferenceWriter final : public ICompareSink
{
  public:
    DifferenceWriter(const CompareSide& from, const CompareSide& to, CExportOutput& output)
        : m_from(from), m_to(to), m_output(output)
    {
    }

    void Rows(std::vector<DiffRow>&& rows) override
    {
        for (const DiffRow& row : rows)
            Write(row);
    }

  private:
    void Write(const DiffRow& row)
    {
        std::wstring key = Joined(m_from.path, row.path);
        if (HasLineBreak(key))
            return; // its section was reported when the key itself came
        if (row.isKey)
        {
            WriteKey(row, key);
            return;
        }
        switch (row.kind)
        {
        case DiffKind::ValueOnlyLeft:
            DeleteValue(key, row.name);
            break;
        case DiffKind::ValueOnlyRight:
            SetValue(key, row.name, row.rightType, row.rightData);
            break;
        case DiffKind::TypeDiffers:
        case DiffKind::DataDiffers:
        case DiffKind::Equal:
            // A spelling that differs in case only is made by a delete and a
            // set: the registry keeps the spelling of a name it has.
            if (row.SpelledDifferently())
            {
                DeleteValue(key, row.name);
                SetValue(key, row.rightName, row.rightType, row.rightData);
            }
            else if (row.kind != DiffKind::Equal)
                SetValue(key, row.name, row.rightType, row.rightData);
            break;
        default:
            break;
        }
    }

    void WriteKey(const DiffRow& row, const std::wstring& parent)
    {
        std::wstring target = Joined(parent, row.name);
        if (row.kind == DiffKind::Equal && !row.SpelledDifferently())
            return;
        if (HasLineBreak(row.name) || HasLineBreak(row.rightName))
        {
            m_output.Report.NoteUnwritable(target);
            return;
        }
        m_section.clear();
        if (row.kind == DiffKind::KeyOnlyLeft || row.kind == DiffKind::Equal)
        {
            m_output.Append(L"\r\n[-HKEY_");
            m_output.Append(target);
            m_output.Append(L"]\r\n");
        }
        if (row.kind == DiffKind::KeyOnlyRight || row.kind == DiffKind::Equal)
        {
            // The whole tree the other side has, under this side's path (a
            // case-only rename: deleted above and made again as spelled there).
            const std::wstring& name = row.kind == DiffKind::Equal ? row.rightName : row.name;
            std::wstring writtenAs = Joined(parent, name);
            WriteTreeSection(m_to.source, Joined(Joined(m_to.path, row.path), name), m_output, &writtenAs);
            m_output.Append(L"\r\n");
        }
    }

    void Section(const std::wstring& key)
    {
        if (m_section == key)
            return;
        m_output.Append(L"\r\n[HKEY_");
        m_output.Append(key);
        m_output.Append(L"]");
        m_section = key;
    }

    void DeleteValue(const std::wstring& key, const std::wstring& name)
    {
        Section(key);
        m_line.assign(L"\r\n");
        m_line += name.empty() ? L"@" : L"\"" + EscapeRegText(name) + L"\"";
        m_line += L"=-";
        m_output.Append(m_line);
    }

    void SetValue(const std::wstring& key, const std::wstring& name, DWORD type,
                  const std::vector<BYTE>& data)
    {
        Section(key);
        m_line.assign(L"\r\n");
        AppendValueLine(name, type, data.data(), static_cast<DWORD>(data.size()), m_line);
        m_output.Append(m_line);
        ++m_output.Report.values;
    }

    const CompareSide& m_from;
    const CompareSide& m_to;
    CExportOutput& m_output;
    std::wstring m_section; // the key whose section is open
    std::wstring m_line;
};
} // namespace

CompareTotals WriteDifference(const CompareSide& from, const CompareSide& to, const zv::StopToken& stop,
                              CExportOutput& output)
{
    DifferenceWriter writer(from, to, output);
    CompareOptions options; // sub-keys and data: the script must be whole
    return CompareTrees(from, to, options, stop, writer);
}

bool ExportDifference(const CompareSide& from, const CompareSide& to, const std::wstring& filePath,
                      const zv::StopToken& stop, CompareTotals& totals, ExportReport& report)
{
    return WriteScriptFile(
        filePath, [&](CExportOutput& output) { totals = WriteDifference(from, to, stop, output); }, &report,
        false);
}
