// Background sub-key count.
#include "operations/SubKeyCount.h"

#include "registry/LiveRegistry.h"

namespace
{
void CountBelow(const SourceKey& key, DWORD& count, const CountProgress& progress, const zv::StopToken& stop)
{
    SubKeyEntry child; // one per level: progress names the child after its sub-tree
    for (DWORD index = 0; !stop.StopRequested(); ++index)
    {
        LONG result = key.SubKeyAt(index, child);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            break;
        ++count;
        if (SourceKey sub = key.OpenSubKey(child.name, KeyUse::SubKeys, result))
            CountBelow(sub, count, progress, stop);
        if (count % kCountReportEvery == 0 && progress && !progress(count, child.name))
            break;
    }
}
void CountTree(const SourceKey& key, KeyTreeCount& count, SubKeyEntry& child, const zv::StopToken& stop)
{
    KeyInfo info;
    if (stop.StopRequested() || key.Info(info) != ERROR_SUCCESS)
        return;
    count.values += info.values;
    // At most as many names as the key said it has: a listing that grows
    // meanwhile cannot keep the count going.
    for (DWORD i = 0; i < info.subKeys && !stop.StopRequested(); ++i)
    {
        LONG result = key.SubKeyAt(i, child);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            break;
        ++count.keys;
        // A link is counted as the one key it is: what it points to lives elsewhere.
        if (SourceKey sub = key.OpenSubKey(child.name, KeyUse::SubKeys | KeyUse::Info, result))
            CountTree(sub, count, child, stop);
    }
}
} // namespace

KeyTreeCount CountKeyTree(const KeySource& source, const std::wstring& path, const zv::StopToken& stop)
{
    KeyTreeCount count;
    LONG error = ERROR_SUCCESS;
    if (SourceKey key = source.Open(path, KeyUse::SubKeys | KeyUse::Info, error, LinkRule::Itself))
    {
        SubKeyEntry child;
        CountTree(key, count, child, stop);
    }
    return count;
}

KeyTreeCount CountKeyTree(const std::wstring& path, const zv::StopToken& stop)
{
    return CountKeyTree(LiveRegistry(), path, stop);
}

DWORD CountKeysBelow(const KeySource& source, const std::wstring& path, DWORD& count,
                     const CountProgress& progress, const zv::StopToken& stop)
{
    LONG error = ERROR_SUCCESS;
    if (SourceKey key = source.Open(path, KeyUse::SubKeys, error))
        CountBelow(key, count, progress, stop);
    return count;
}

zv::WorkerThread StartSubKeyCount(HWND window, UINT message, std::wstring path)
{
    return zv::StartWorkerThread(
        [window, message, path = std::move(path)](const zv::StopToken& stop) -> unsigned {
            DWORD count = 0;
            bool windowGone = false;
            CountKeysBelow(
                LiveRegistry(), path, count,
                [&](DWORD now, const wchar_t* name) {
                    if (stop.StopRequested() || !IsWindow(window))
                    {
                        windowGone = true;
                        return false;
                    }
                    SendMessageW(window, message, now, reinterpret_cast<LPARAM>(name));
                    return true;
                },
                stop);
            if (!windowGone && !stop.StopRequested() && IsWindow(window))
                SendMessageW(window, message, count, 0);
            return 0;
        });
}
