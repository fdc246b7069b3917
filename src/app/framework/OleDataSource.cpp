// OLE data source with cached and delayed formats.
#include "app/framework/OleDataSource.h"

#include <ole2.h>
#include <shlobj.h>
#include <cstring>

namespace
{
// The drag source's feedback: default cursors, cancel on Escape, drop on release.
class CDropSource final : public zv::ComObject<IDropSource>
{
  public:
    STDMETHODIMP QueryContinueDrag(BOOL escape, DWORD keys) noexcept override
    {
        if (escape)
            return DRAGDROP_S_CANCEL;
        if (!(keys & (MK_LBUTTON | MK_RBUTTON)))
            return DRAGDROP_S_DROP;
        return S_OK;
    }
    STDMETHODIMP GiveFeedback(DWORD) noexcept override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

bool SameFormat(const FORMATETC& a, const FORMATETC& b)
{
    return a.cfFormat == b.cfFormat && (a.tymed & b.tymed) != 0 &&
           (a.dwAspect == b.dwAspect || b.dwAspect == 0);
}

HGLOBAL CopyGlobal(HGLOBAL source)
{
    SIZE_T size = GlobalSize(source);
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size ? size : 1);
    if (!copy)
        return nullptr;
    void* from = GlobalLock(source);
    void* to = GlobalLock(copy);
    if (from && to && size)
        std::memcpy(to, from, size);
    if (from)
        GlobalUnlock(source);
    if (to)
        GlobalUnlock(copy);
    return copy;
}
} // namespace

COleDataSource::COleDataSource() = default;
COleDataSource::~COleDataSource() = default;

COleDataSource::Entry* COleDataSource::Find(const FORMATETC& format)
{
    for (Entry& entry : m_entries)
        if (SameFormat(entry.format, format))
            return &entry;
    return nullptr;
}

void COleDataSource::CacheGlobalData(CLIPFORMAT format, HGLOBAL memory)
{
    FORMATETC f = {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    if (Entry* existing = Find(f))
    {
        existing->memory.reset(memory);
        existing->delayed = false;
        return;
    }
    m_entries.push_back({f, zv::unique_hglobal(memory), false});
}

void COleDataSource::DelayRenderData(CLIPFORMAT format)
{
    FORMATETC f = {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    if (Find(f))
        return;
    m_entries.push_back({f, zv::unique_hglobal(), true});
}

bool COleDataSource::SetClipboard()
{
    return SUCCEEDED(OleSetClipboard(this));
}

DWORD COleDataSource::DoDragDrop(DWORD allowedEffects)
{
    zv::com_ptr<CDropSource> source = zv::MakeCom<CDropSource>();
    DWORD effect = DROPEFFECT_NONE;
    HRESULT hr = ::DoDragDrop(this, source.get(), allowedEffects, &effect);
    return hr == DRAGDROP_S_DROP ? effect : DROPEFFECT_NONE;
}

bool COleDataSource::OnRenderData(const FORMATETC& format, STGMEDIUM& medium)
{
    if (medium.tymed == TYMED_NULL && (format.tymed & TYMED_HGLOBAL))
        medium.tymed = TYMED_HGLOBAL;
    if (medium.tymed != TYMED_HGLOBAL)
        return false;
    HGLOBAL memory = medium.hGlobal;
    if (!OnRenderGlobalData(format, memory))
        return false;
    medium.hGlobal = memory;
    return true;
}

bool COleDataSource::OnRenderGlobalData(const FORMATETC&, HGLOBAL&)
{
    return false;
}

STDMETHODIMP COleDataSource::GetData(FORMATETC* format, STGMEDIUM* medium)
{
    if (!format || !medium)
        return E_INVALIDARG;
    return zv::ComCall([&] { return GetDataNow(*format, *medium); });
}

HRESULT COleDataSource::GetDataNow(const FORMATETC& requested, STGMEDIUM& out)
{
    const FORMATETC* format = &requested;
    STGMEDIUM* medium = &out;
    Entry* entry = Find(*format);
    if (!entry)
        return DV_E_FORMATETC;
    std::memset(medium, 0, sizeof(*medium));
    if (!entry->delayed)
    {
        HGLOBAL copy = CopyGlobal(entry->memory.get());
        if (!copy)
            return E_OUTOFMEMORY;
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = copy;
        return S_OK;
    }
    medium->tymed = TYMED_NULL;
    if (!OnRenderData(*format, *medium))
    {
        std::memset(medium, 0, sizeof(*medium));
        return DV_E_FORMATETC;
    }
    return S_OK;
}

STDMETHODIMP COleDataSource::GetDataHere(FORMATETC* format, STGMEDIUM* medium)
{
    if (!format || !medium || medium->tymed != TYMED_HGLOBAL || !medium->hGlobal)
        return DV_E_TYMED;
    return zv::ComCall([&] { return GetDataHereNow(*format, *medium); });
}

HRESULT COleDataSource::GetDataHereNow(const FORMATETC& requested, STGMEDIUM& out)
{
    const FORMATETC* format = &requested;
    STGMEDIUM* medium = &out;
    Entry* entry = Find(*format);
    if (!entry)
        return DV_E_FORMATETC;
    if (!entry->delayed)
    {
        SIZE_T need = GlobalSize(entry->memory.get());
        if (GlobalSize(medium->hGlobal) < need)
            return STG_E_MEDIUMFULL;
        void* from = GlobalLock(entry->memory.get());
        void* to = GlobalLock(medium->hGlobal);
        if (from && to)
            std::memcpy(to, from, need);
        if (from)
            GlobalUnlock(entry->memory.get());
        if (to)
            GlobalUnlock(medium->hGlobal);
        return S_OK;
    }
    HGLOBAL memory = medium->hGlobal;
    return OnRenderGlobalData(*format, memory) && memory == medium->hGlobal ? S_OK : STG_E_MEDIUMFULL;
}

STDMETHODIMP COleDataSource::QueryGetData(FORMATETC* format)
{
    if (!format)
        return E_INVALIDARG;
    return Find(*format) ? S_OK : DV_E_FORMATETC;
}

STDMETHODIMP COleDataSource::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out)
{
    if (out)
        out->ptd = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP COleDataSource::SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release)
{
    // Drop targets tell the source things this way (the shell's preferred
    // effect, for one); keep global memory, refuse the rest.
    if (!format || !medium || medium->tymed != TYMED_HGLOBAL)
        return E_NOTIMPL;
    return zv::ComCall([&] {
        HGLOBAL memory = release ? medium->hGlobal : CopyGlobal(medium->hGlobal);
        if (!memory)
            return E_OUTOFMEMORY;
        CacheGlobalData(format->cfFormat, memory);
        if (release)
            medium->hGlobal = nullptr;
        return S_OK;
    });
}

STDMETHODIMP COleDataSource::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (direction != DATADIR_GET)
        return E_NOTIMPL;
    return zv::ComCall([&] {
        std::vector<FORMATETC> formats;
        for (const Entry& entry : m_entries)
            formats.push_back(entry.format);
        return SHCreateStdEnumFmtEtc(static_cast<UINT>(formats.size()), formats.data(), out);
    });
}

STDMETHODIMP COleDataSource::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

STDMETHODIMP COleDataSource::DUnadvise(DWORD)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

STDMETHODIMP COleDataSource::EnumDAdvise(IEnumSTATDATA**)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

HGLOBAL GetGlobalData(IDataObject* data, CLIPFORMAT format)
{
    if (!data)
        return nullptr;
    FORMATETC f = {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (FAILED(data->GetData(&f, &medium)))
        return nullptr;
    HGLOBAL copy = nullptr;
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal)
        copy = CopyGlobal(medium.hGlobal);
    ReleaseStgMedium(&medium);
    return copy;
}

bool IsDataAvailable(IDataObject* data, CLIPFORMAT format)
{
    if (!data)
        return false;
    FORMATETC f = {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    return data->QueryGetData(&f) == S_OK;
}

HGLOBAL GlobalFromBytes(const void* bytes, size_t size)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size ? size : 1);
    if (!memory)
        return nullptr;
    if (size)
    {
        void* p = GlobalLock(memory);
        if (!p)
        {
            GlobalFree(memory);
            return nullptr;
        }
        std::memcpy(p, bytes, size);
        GlobalUnlock(memory);
    }
    return memory;
}
