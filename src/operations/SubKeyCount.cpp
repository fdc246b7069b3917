// Background sub-key count.
#include "operations/SubKeyCount.h"

#include "registry/EzReg.h"

zv::WorkerThread StartSubKeyCount(HWND window, UINT message, std::wstring path)
{
    return zv::StartWorkerThread(
        [window, message, path = std::move(path)](const zv::StopToken& stop) -> unsigned {
            CEzReg reader(path);
            DWORD count = 0;
            bool windowGone = false;
            reader.CountSubKeys(
                count,
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
