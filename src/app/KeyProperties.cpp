// The Key Properties page: the background count and the key's class and time.
#include "app/KeyProperties.h"

#include "base/Strings.h"
#include "operations/SubKeyCount.h"
#include "registry/EzReg.h"

#include "resource.h"

#include <ctime>
#include <iterator>
#include <memory>
#include <new>

CKeyProperties::CKeyProperties() : CPropertyPage(IDD_KEY_PROPERTIES) {}

CKeyProperties::~CKeyProperties()
{
    m_closing = true;
    m_count.Stop();
}

bool CKeyProperties::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    CountFormat = zv::LoadResString(IDS_SUBKEY_COUNT);
    m_count = StartSubKeyCount(m_hWnd, kCountMessage, PageKeyPath);
    ::SetDlgItemTextW(m_hWnd, IDC_KEY_PATH, PageKeyPath.c_str());
    ::SetDlgItemTextW(m_hWnd, IDC_KEY_VALUES, KeyValuesText(PageKeyPath).c_str());
    ::SetDlgItemTextW(m_hWnd, IDC_KEY_CLASS, KeyClassText(PageKeyPath).c_str());
    CEzReg key(PageKeyPath);
    std::wstring time = LastWriteText(key.LastWriteTime());
    ::SetDlgItemTextW(m_hWnd, IDC_KEY_TIME,
                      zv::Format(zv::LoadResString(IDS_LAST_MODIFIED).c_str(), time.c_str()).c_str());
    return true;
}

bool CKeyProperties::IsCounting() const
{
    return m_count.IsRunning();
}

LRESULT CKeyProperties::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kCountMessage)
    {
        if (!m_closing)
            ::SetDlgItemTextW(m_hWnd, IDC_KEY_COUNT,
                              zv::Format(CountFormat.c_str(), static_cast<int>(wParam)).c_str());
        return TRUE;
    }
    if (message == WM_DESTROY)
    {
        // The count stops at its next check point; whatever it sends while
        // it is being stopped is answered and ignored.
        m_closing = true;
        m_count.Stop();
    }
    return CPropertyPage::WindowProc(message, wParam, lParam);
}

void ShowKeyProperties(HWND parent, const std::wstring& path)
{
    CKeyProperties page;
    page.PageKeyPath = path;
    CPropertySheet sheet(L"Key Properties", parent);
    sheet.AddPage(&page);
    sheet.DoModal();
}

std::wstring KeyClassText(const std::wstring& path)
{
    CEzReg key(path);
    std::wstring name = key.ClassName();
    if (name.empty())
        name = L"empty";
    return zv::Format(zv::LoadResString(IDS_CLASS_NAME).c_str(), name.c_str());
}

std::wstring KeyValuesText(const std::wstring& path)
{
    CEzReg key(path);
    if (!key.Open(KEY_QUERY_VALUE) || !key.Key)
        return L"The values cannot be read";
    // Names and sizes only: the data itself is not needed for its size.
    std::unique_ptr<wchar_t[]> name(new (std::nothrow) wchar_t[kMaxValueNameChars]);
    if (!name)
        return L"The values cannot be read";
    unsigned long long count = 0, bytes = 0;
    LONG result = ERROR_SUCCESS;
    for (DWORD index = 0;; ++index)
    {
        DWORD length = kMaxValueNameChars, size = 0;
        result = RegEnumValueW(key.Key, index, name.get(), &length, nullptr, nullptr, nullptr, &size);
        if (result != ERROR_SUCCESS)
            break;
        ++count;
        bytes += size;
    }
    if (result != ERROR_NO_MORE_ITEMS)
        return zv::Counted(count, L"value", L"values") + L" read, then the listing failed";
    if (!count)
        return L"No values";
    return zv::Counted(count, L"value", L"values") + L", " + zv::Counted(bytes, L"byte", L"bytes") +
           L" of data";
}

std::wstring LastWriteText(const FILETIME& written)
{
    const wchar_t invalid[] = L"Invalid DateTime";
    SYSTEMTIME universal, local;
    if (!FileTimeToSystemTime(&written, &universal) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local) || local.wYear < 1900)
        return invalid;
    std::tm tm = {};
    tm.tm_year = local.wYear - 1900;
    tm.tm_mon = local.wMonth - 1;
    tm.tm_mday = local.wDay;
    tm.tm_hour = local.wHour;
    tm.tm_min = local.wMinute;
    tm.tm_sec = local.wSecond;
    tm.tm_isdst = -1;
    // Valid only when the calendar fields survive a round trip (no gap of a
    // daylight-saving change, no field out of range).
    std::tm check = tm;
    if (std::mktime(&check) == static_cast<std::time_t>(-1) || check.tm_year != tm.tm_year ||
        check.tm_mon != tm.tm_mon || check.tm_mday != tm.tm_mday || check.tm_hour != tm.tm_hour ||
        check.tm_min != tm.tm_min || check.tm_sec != tm.tm_sec)
        return invalid;
    tm.tm_wday = check.tm_wday;
    tm.tm_yday = check.tm_yday;
    wchar_t text[128] = {};
    if (!wcsftime(text, std::size(text), L"%c", &tm))
        return invalid;
    return text;
}
