// An OLE data source: formats given at once (cached global memory) or
// rendered on request, put on the clipboard or handed to drag and drop; and
// helpers to read global memory from any data object.
#pragma once

#include "base/ComObject.h"
#include "base/Handles.h"

#include <objidl.h>
#include <vector>

// Created with one reference: the creator's, to hand to a com_ptr.
class COleDataSource : public zv::ComObject<IDataObject>
{
  public:
    COleDataSource();

    // Takes ownership of memory, offered as format right away.
    void CacheGlobalData(CLIPFORMAT format, HGLOBAL memory);
    // Offers format; the data is made by OnRenderData when asked for.
    void DelayRenderData(CLIPFORMAT format);
    // Puts this source on the clipboard (the clipboard holds a reference).
    bool SetClipboard();
    // Runs the drag-and-drop loop; returns the effect the target chose.
    DWORD DoDragDrop(DWORD allowedEffects);

    // Delayed rendering. OnRenderData gets a medium to fill (its tymed may be
    // TYMED_NULL: choose one); the default renders global memory through
    // OnRenderGlobalData. memory is null (allocate) or the caller's block.
    virtual bool OnRenderData(const FORMATETC& format, STGMEDIUM& medium);
    virtual bool OnRenderGlobalData(const FORMATETC& format, HGLOBAL& memory);

    // IDataObject
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP QueryGetData(FORMATETC* format) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    STDMETHODIMP SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override;
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override;
    STDMETHODIMP DUnadvise(DWORD) override;
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override;

  protected:
    ~COleDataSource() override;

  private:
    HRESULT GetDataNow(const FORMATETC& format, STGMEDIUM& medium);
    HRESULT GetDataHereNow(const FORMATETC& format, STGMEDIUM& medium);
    struct Entry
    {
        FORMATETC format;
        zv::unique_hglobal memory; // null for delayed rendering
        bool delayed;
    };
    Entry* Find(const FORMATETC& format);
    std::vector<Entry> m_entries;
};

// A copy of the data object's global memory in format (the caller owns it), or null.
HGLOBAL GetGlobalData(IDataObject* data, CLIPFORMAT format);
bool IsDataAvailable(IDataObject* data, CLIPFORMAT format);
// Allocates movable global memory holding bytes (plus zero-filled slack).
HGLOBAL GlobalFromBytes(const void* bytes, size_t size);
