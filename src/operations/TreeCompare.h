// Comparing two trees of keys, each read through a key source (the live
// registry, a registry script read as a tree, a snapshot file ...). Each
// side is read once, key by key; names are merged in the registry's case
// rule, so memory grows with a key's width and the tree's depth, never with
// the tree. Rows leave in batches through a sink. Window-free.
#pragma once

#include "base/WorkerThread.h"
#include "registry/KeySource.h"

#include <windows.h>
#include <string>
#include <vector>

enum class DiffKind
{
    KeyOnlyLeft,
    KeyOnlyRight,
    ValueOnlyLeft,
    ValueOnlyRight,
    TypeDiffers,
    DataDiffers,
    Equal,
};
constexpr int kDiffKinds = 7;
// "Key only left" ... "Equal".
const wchar_t* DiffKindText(DiffKind kind) noexcept;

struct CompareOptions
{
    bool subKeys = true;   // "Include sub-keys"
    bool data = true;      // "Compare data"; off: only which names exist
    bool equalToo = false; // "Show equal items too"
};

// One difference. path is relative to the two compared keys ("" for the
// keys themselves, "A\B" below them), spelled as the left side spells it
// (as the right does for what only the right has).
struct DiffRow
{
    DiffKind kind = DiffKind::Equal;
    bool isKey = false;
    std::wstring path;
    std::wstring name;      // a value's name (left spelling); a key row: the key's own name
    std::wstring rightName; // the right side's spelling, when it differs only in case
    DWORD leftType = REG_NONE;
    DWORD rightType = REG_NONE;
    std::vector<BYTE> leftData;
    std::vector<BYTE> rightData;

    bool SpelledDifferently() const noexcept { return !rightName.empty(); }
};

struct CompareTotals
{
    DWORD leftKeys = 0;  // keys read on the left
    DWORD rightKeys = 0; // and on the right
    DWORD counts[kDiffKinds] = {};
    DWORD spelledDifferently = 0;
    DWORD unreadable = 0;
    std::vector<std::wstring> unreadablePaths; // "left: A\B (reason)" - the first kMaxListed
    static constexpr size_t kMaxListed = 1000;
    bool startFailed = false; // one of the compared keys could not be opened at all
    bool cancelled = false;

    DWORD Differences() const noexcept;
    // Whether the sides are the same, as far as both could be read.
    bool Same() const noexcept { return Differences() == 0 && unreadable == 0 && !startFailed && !cancelled; }
};

class ICompareSink
{
  public:
    virtual ~ICompareSink() = default;
    virtual void Rows(std::vector<DiffRow>&& rows) = 0;
    // The relative path being compared, now and then.
    virtual void Progress(const std::wstring& path) { (void)path; }
};

struct CompareSide
{
    const KeySource& source;
    std::wstring path;
};

// Compares left.path with right.path on the calling thread until done or
// stopped.
CompareTotals CompareTrees(const CompareSide& left, const CompareSide& right, const CompareOptions& options,
                           const zv::StopToken& stop, ICompareSink& sink);

// The status text at the end of a compare.
std::wstring CompareEndReport(const CompareTotals& totals);
