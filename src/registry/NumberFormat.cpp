// In-memory numeric format and its printf formats.
#include "registry/NumberFormat.h"

#include <atomic>

namespace
{
std::atomic<int> g_index{0};
std::atomic<const wchar_t*> g_dwordFormat{L"%u"};
} // namespace

int NumberFormatIndex() noexcept
{
    return g_index.load();
}

void SetNumberFormatIndex(int index) noexcept
{
    g_index = index;
    g_dwordFormat = index == 0 ? L"%u" : index == 1 ? L"0x%08lx" : L"0x%08lX";
}

const wchar_t* DwordFormat() noexcept
{
    return g_dwordFormat.load();
}

const wchar_t* QwordFormat() noexcept
{
    int index = g_index.load();
    return index == 0 ? L"%I64u" : index == 1 ? L"0x%I64x" : L"0x%016I64X";
}
