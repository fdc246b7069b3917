// The compare walk: both sides key by key, names merged in case-blind order.
#include "operations/TreeCompare.h"

#include "base/Strings.h"

#include <algorithm>

namespace
{
constexpr size_t kBatchRows = 256;
constexpr DWORD kProgressEvery = 1000;

struct ReadValue
{
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

bool NameLess(const std::wstring& a, const std::wstring& b)
{
    return zv::CompareNoCase(a, b) < 0;
}

std::wstring Joined(const std::wstring& path, const std::wstring& name)
{
    return path.empty() ? name : path + L'\\' + name;
}

class Comparer
{
  public:
    Comparer(const CompareOptions& options, const zv::StopToken& stop, ICompareSink& sink)
        : m_options(options), m_stop(stop), m_sink(sink)
    {
    }

    // Compares the open keys left and right at the relative path; false when stopped.
    bool Pair(const SourceKey& left, const SourceKey& right, const std::wstring& path)
    {
        if (m_stop.StopRequested())
        {
            totals.cancelled = true;
            return false;
        }
        if (totals.leftKeys++ % kProgressEvery == 0)
        {
            Flush();
            m_sink.Progress(path);
        }
        ++totals.rightKeys;
        CompareValues(left, right, path);
        if (!m_options.subKeys)
            return true;
        std::vector<std::wstring> leftNames, rightNames;
        bool leftRead = ReadNames(left, leftNames, L"left", path);
        bool rightRead = ReadNames(right, rightNames, L"right", path);
        if (!leftRead || !rightRead)
            return true; // what one side lacks cannot be told from what it could not list
        size_t l = 0, r = 0;
        while (l < leftNames.size() || r < rightNames.size())
        {
            int order = l == leftNames.size()    ? 1
                        : r == rightNames.size() ? -1
                                                 : zv::CompareNoCase(leftNames[l], rightNames[r]);
            if (order < 0)
                AddKey(DiffKind::KeyOnlyLeft, path, leftNames[l++], {});
            else if (order > 0)
                AddKey(DiffKind::KeyOnlyRight, path, rightNames[r++], {});
            else if (!Children(left, right, path, leftNames[l++], rightNames[r++]))
                return false;
        }
        return true;
    }

    void Flush()
    {
        if (!m_batch.empty())
            m_sink.Rows(std::move(m_batch));
        m_batch.clear();
    }

    void NoteUnreadable(const wchar_t* side, const std::wstring& path, LONG error)
    {
        ++totals.unreadable;
        if (totals.unreadablePaths.size() < CompareTotals::kMaxListed)
            totals.unreadablePaths.push_back(zv::Format(L"%s: %s (error %ld)", side,
                                                        path.empty() ? L"(the compared key)" : path.c_str(),
                                                        static_cast<long>(error)));
    }

    CompareTotals totals;

  private:
    bool Children(const SourceKey& left, const SourceKey& right, const std::wstring& path,
                  const std::wstring& leftName, const std::wstring& rightName)
    {
        std::wstring childPath = Joined(path, leftName);
        std::wstring spelling = leftName == rightName ? std::wstring() : rightName;
        if (!spelling.empty())
            ++totals.spelledDifferently;
        LONG error = ERROR_SUCCESS;
        SourceKey leftChild = left.OpenSubKey(leftName.c_str(), KeyUse::SubKeys | KeyUse::Values, error);
        if (!leftChild)
        {
            NoteUnreadable(L"left", childPath, error);
            return true;
        }
        SourceKey rightChild = right.OpenSubKey(rightName.c_str(), KeyUse::SubKeys | KeyUse::Values, error);
        if (!rightChild)
        {
            NoteUnreadable(L"right", Joined(path, rightName), error);
            return true;
        }
        ++totals.counts[static_cast<int>(DiffKind::Equal)];
        if (m_options.equalToo || !spelling.empty())
            AddKey(DiffKind::Equal, path, leftName, spelling, false);
        return Pair(leftChild, rightChild, childPath);
    }

    void CompareValues(const SourceKey& left, const SourceKey& right, const std::wstring& path)
    {
        std::vector<ReadValue> leftValues, rightValues;
        bool leftRead = ReadValues(left, leftValues, L"left", path);
        bool rightRead = ReadValues(right, rightValues, L"right", path);
        if (!leftRead || !rightRead)
            return;
        size_t l = 0, r = 0;
        while (l < leftValues.size() || r < rightValues.size())
        {
            int order = l == leftValues.size() ? 1
                        : r == rightValues.size()
                            ? -1
                            : zv::CompareNoCase(leftValues[l].name, rightValues[r].name);
            DiffRow row;
            row.path = path;
            if (order < 0)
            {
                row.kind = DiffKind::ValueOnlyLeft;
                Take(leftValues[l++], row.name, row.leftType, row.leftData);
            }
            else if (order > 0)
            {
                row.kind = DiffKind::ValueOnlyRight;
                Take(rightValues[r++], row.name, row.rightType, row.rightData);
            }
            else
            {
                ReadValue& a = leftValues[l++];
                ReadValue& b = rightValues[r++];
                row.kind = !m_options.data    ? DiffKind::Equal
                           : a.type != b.type ? DiffKind::TypeDiffers
                           : a.data != b.data ? DiffKind::DataDiffers
                                              : DiffKind::Equal;
                if (a.name != b.name)
                {
                    row.rightName = b.name;
                    ++totals.spelledDifferently;
                }
                Take(a, row.name, row.leftType, row.leftData);
                std::wstring unused;
                Take(b, unused, row.rightType, row.rightData);
                if (row.kind == DiffKind::Equal && !m_options.equalToo && !row.SpelledDifferently())
                {
                    ++totals.counts[static_cast<int>(DiffKind::Equal)];
                    continue;
                }
            }
            Add(std::move(row));
        }
    }

    static void Take(ReadValue& value, std::wstring& name, DWORD& type, std::vector<BYTE>& data)
    {
        name = std::move(value.name);
        type = value.type;
        data = std::move(value.data);
    }

    // All of a key's values, sorted by name; false (and noted) when the
    // listing could not be read to its end.
    bool ReadValues(const SourceKey& key, std::vector<ReadValue>& values, const wchar_t* side,
                    const std::wstring& path)
    {
        for (DWORD index = 0;; ++index)
        {
            LONG result = key.ValueAt(index, m_value);
            if (result == ERROR_NO_MORE_ITEMS)
                break;
            if (result != ERROR_SUCCESS)
            {
                NoteUnreadable(side, path, result);
                return false;
            }
            values.push_back({std::wstring(m_value.Name()), m_value.type,
                              std::vector<BYTE>(m_value.Bytes(), m_value.Bytes() + m_value.size)});
        }
        std::sort(values.begin(), values.end(),
                  [](const ReadValue& a, const ReadValue& b) { return NameLess(a.name, b.name); });
        return true;
    }

    bool ReadNames(const SourceKey& key, std::vector<std::wstring>& names, const wchar_t* side,
                   const std::wstring& path)
    {
        for (DWORD index = 0;; ++index)
        {
            LONG result = key.SubKeyAt(index, m_child);
            if (result == ERROR_NO_MORE_ITEMS)
                break;
            if (result != ERROR_SUCCESS)
            {
                NoteUnreadable(side, path, result);
                return false;
            }
            names.emplace_back(m_child.Name());
        }
        std::sort(names.begin(), names.end(), NameLess);
        return true;
    }

    void AddKey(DiffKind kind, const std::wstring& path, const std::wstring& name, std::wstring rightName,
                bool count = true)
    {
        DiffRow row;
        row.kind = kind;
        row.isKey = true;
        row.path = path;
        row.name = name;
        row.rightName = std::move(rightName);
        if (count)
            ++totals.counts[static_cast<int>(kind)];
        m_batch.push_back(std::move(row));
        if (m_batch.size() >= kBatchRows)
            Flush();
    }

    void Add(DiffRow&& row)
    {
        ++totals.counts[static_cast<int>(row.kind)];
        m_batch.push_back(std::move(row));
        if (m_batch.size() >= kBatchRows)
            Flush();
    }

    const CompareOptions& m_options;
    const zv::StopToken& m_stop;
    ICompareSink& m_sink;
    std::vector<DiffRow> m_batch;
    ValueEntry m_value;
    SubKeyEntry m_child;
};
} // namespace

const wchar_t* DiffKindText(DiffKind kind) noexcept
{
    switch (kind)
    {
    case DiffKind::KeyOnlyLeft:
        return L"Key only left";
    case DiffKind::KeyOnlyRight:
        return L"Key only right";
    case DiffKind::ValueOnlyLeft:
        return L"Value only left";
    case DiffKind::ValueOnlyRight:
        return L"Value only right";
    case DiffKind::TypeDiffers:
        return L"Type differs";
    case DiffKind::DataDiffers:
        return L"Data differs";
    case DiffKind::Equal:
        break;
    }
    return L"Equal";
}

DWORD CompareTotals::Differences() const noexcept
{
    DWORD sum = 0;
    for (int kind = 0; kind < kDiffKinds; ++kind)
        if (kind != static_cast<int>(DiffKind::Equal))
            sum += counts[kind];
    return sum;
}

CompareTotals CompareTrees(const CompareSide& left, const CompareSide& right, const CompareOptions& options,
                           const zv::StopToken& stop, ICompareSink& sink)
{
    Comparer comparer(options, stop, sink);
    KeyUse use = KeyUse::SubKeys | KeyUse::Values;
    LONG error = ERROR_SUCCESS;
    SourceKey leftKey = left.source.Open(left.path, use, error);
    if (!leftKey)
        comparer.NoteUnreadable(L"left", left.path, error);
    SourceKey rightKey = right.source.Open(right.path, use, error);
    if (!rightKey)
        comparer.NoteUnreadable(L"right", right.path, error);
    if (leftKey && rightKey)
        comparer.Pair(leftKey, rightKey, std::wstring());
    else
        comparer.totals.startFailed = true;
    comparer.Flush();
    return comparer.totals;
}

std::wstring CompareEndReport(const CompareTotals& totals)
{
    if (totals.startFailed)
        return L"The compare could not start: " + (totals.unreadablePaths.empty()
                                                       ? std::wstring(L"a side could not be opened.")
                                                       : totals.unreadablePaths.front() + L".");
    std::wstring text = totals.cancelled ? L"Compare cancelled. " : L"";
    text += L"Compared " + zv::Counted(totals.leftKeys, L"key", L"keys") + L" on the left and " +
            zv::Counted(totals.rightKeys, L"key", L"keys") + L" on the right: ";
    DWORD differences = totals.Differences();
    if (differences == 0)
        text += L"no differences";
    else
    {
        text += zv::Counted(differences, L"difference", L"differences") + L" (";
        bool first = true;
        for (int kind = 0; kind < kDiffKinds; ++kind)
        {
            if (kind == static_cast<int>(DiffKind::Equal) || totals.counts[kind] == 0)
                continue;
            text += (first ? L"" : L", ") + zv::Format(L"%s %lu", DiffKindText(static_cast<DiffKind>(kind)),
                                                       static_cast<unsigned long>(totals.counts[kind]));
            first = false;
        }
        text += L")";
    }
    text += L".";
    if (totals.spelledDifferently)
        text += L" " + zv::Counted(totals.spelledDifferently, L"name is", L"names are") +
                L" spelled differently (case only).";
    if (totals.unreadable)
        text += L" " + zv::Counted(totals.unreadable, L"key", L"keys") +
                (totals.unreadable == 1 ? L" could not be read and was not compared."
                                        : L" could not be read and were not compared.");
    return text;
}
