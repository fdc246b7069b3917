// The command-line compare and the sides it names.
#include "operations/CompareCommand.h"

#include "base/Strings.h"
#include "operations/DifferenceScript.h"
#include "operations/KeyTreeSource.h"
#include "operations/RegScriptParser.h"
#include "operations/SnapshotFile.h"
#include "registry/LiveRegistry.h"
#include "registry/RegistryPath.h"

namespace
{
bool IsSwitch(const std::wstring& argument, std::wstring_view name)
{
    return argument.size() > 1 && (argument[0] == L'-' || argument[0] == L'/') &&
           zv::EqualsNoCase(std::wstring_view(argument).substr(1), name);
}

bool IsFile(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The key every operation of a script lies in or below: the longest path
// all their keys share, whole names only.
std::wstring CommonKey(const std::vector<ScriptOperation>& operations)
{
    std::wstring common;
    bool first = true;
    for (const ScriptOperation& operation : operations)
    {
        if (operation.kind == ScriptOperation::SkipLine)
            continue;
        const std::wstring& key = operation.key;
        if (first)
        {
            common = key;
            first = false;
            continue;
        }
        while (!common.empty() && !IsSameOrUnder(key, common))
        {
            size_t slash = common.rfind(L'\\');
            common = slash == std::wstring::npos ? std::wstring() : common.substr(0, slash);
        }
    }
    return common;
}
} // namespace

CompareCommand ScanCompareCommand(const std::vector<std::wstring>& arguments)
{
    CompareCommand command;
    for (size_t i = 0; i < arguments.size(); ++i)
    {
        const std::wstring& argument = arguments[i];
        if (IsSwitch(argument, L"compare"))
        {
            command.requested = true;
            if (i + 2 >= arguments.size())
                command.problem = L"/compare needs two sides: /compare <left> <right>";
            else
            {
                command.left = arguments[i + 1];
                command.right = arguments[i + 2];
                i += 2;
            }
        }
        else if (IsSwitch(argument, L"out"))
        {
            if (i + 1 < arguments.size())
                command.outFile = arguments[++i];
            else
                command.problem = L"/out needs the file to write: /out <file.reg>";
        }
        else if (IsSwitch(argument, L"reverse"))
            command.reverse = true;
        else if (IsSwitch(argument, L"log"))
        {
            command.logging = true;
            if (i + 1 < arguments.size() && arguments[i + 1][0] != L'/' && arguments[i + 1][0] != L'-')
                command.logFile = arguments[++i];
        }
        else if (command.requested && command.problem.empty())
            command.problem = L"\"" + argument + L"\" is not understood with /compare.";
    }
    return command;
}

OpenedSide OpenCompareSide(const std::wstring& text)
{
    OpenedSide side;
    if (IsFile(text))
    {
        auto snapshot = std::make_unique<SnapshotFileSource>();
        std::wstring error;
        if (snapshot->Load(text, error))
        {
            side.path = snapshot->SavedPath();
            side.owned = std::move(snapshot);
        }
        else
        {
            // A snapshot that is damaged says so; anything else may be a script.
            if (error.find(L"not a snapshot") == std::wstring::npos)
            {
                side.problem = error;
                return side;
            }
            ScriptParseResult parsed = ParseRegScriptFile(text);
            if (!parsed.ok)
            {
                side.problem = text + L" is neither a snapshot nor a registry script: " + parsed.error;
                return side;
            }
            side.path = CommonKey(parsed.operations);
            side.owned = std::make_unique<KeyTreeSource>(parsed.operations);
            if (side.path.empty())
            {
                side.problem = text + L" names no key of one root to compare.";
                return side;
            }
        }
        side.source = side.owned.get();
        return side;
    }
    if (!ParseRegistryPath(text, side.path) || side.path.empty())
    {
        side.problem = L"\"" + text + L"\" is no registry location and no file.";
        return side;
    }
    side.source = &LiveRegistry();
    return side;
}

int RunCompareCommand(const CompareCommand& command, std::vector<std::wstring>& report)
{
    if (!command.problem.empty())
    {
        report.push_back(command.problem);
        return kCompareError;
    }
    OpenedSide left = OpenCompareSide(command.left);
    OpenedSide right = OpenCompareSide(command.right);
    for (const OpenedSide* side : {&left, &right})
        if (!side->problem.empty())
        {
            report.push_back(side->problem);
            return kCompareError;
        }
    CompareSide leftSide{*left.source, left.path}, rightSide{*right.source, right.path};
    CompareTotals totals;
    if (command.outFile.empty())
    {
        class Quiet final : public ICompareSink
        {
          public:
            void Rows(std::vector<DiffRow>&&) override {}
        } quiet;
        totals = CompareTrees(leftSide, rightSide, {}, {}, quiet);
    }
    else
    {
        ExportReport written;
        const CompareSide& from = command.reverse ? rightSide : leftSide;
        const CompareSide& to = command.reverse ? leftSide : rightSide;
        if (!ExportDifference(from, to, command.outFile, {}, totals, written))
        {
            report.push_back(command.outFile + L" could not be written.");
            return kCompareError;
        }
        if (!written.IsComplete())
            report.push_back(written.Message(command.outFile));
    }
    report.push_back(CompareEndReport(totals));
    for (const std::wstring& path : totals.unreadablePaths)
        report.push_back(L"Not compared: " + path);
    if (totals.startFailed || totals.unreadable)
        return kCompareError;
    return totals.Differences() == 0 ? kCompareSame : kCompareDifferent;
}
