// The COM base: one reference count rule, the interface table, identity, and
// methods that never let an exception out.
#include "base/ComObject.h"

#include <gtest/gtest.h>
#include <ole2.h>
#include <stdexcept>

namespace
{
class CTwoFaces final : public zv::ComObject<IDropSource, IEnumString>
{
  public:
    explicit CTwoFaces(bool& destroyed) : m_destroyed(destroyed) {}
    STDMETHODIMP QueryContinueDrag(BOOL, DWORD) noexcept override { return S_OK; }
    STDMETHODIMP GiveFeedback(DWORD) noexcept override
    {
        return zv::ComCall([]() -> HRESULT { throw std::runtime_error("inside a method"); });
    }
    STDMETHODIMP Next(ULONG, LPOLESTR*, ULONG*) noexcept override
    {
        return zv::ComCall([]() -> HRESULT { throw std::bad_alloc(); });
    }
    STDMETHODIMP Skip(ULONG) noexcept override { return S_OK; }
    STDMETHODIMP Reset() noexcept override { return S_OK; }
    STDMETHODIMP Clone(IEnumString**) noexcept override { return E_NOTIMPL; }

  private:
    ~CTwoFaces() override { m_destroyed = true; }
    bool& m_destroyed;
};
} // namespace

TEST(ComObject, StartsWithTheCreatorsReferenceAndAnswersItsTable)
{
    bool destroyed = false;
    zv::com_ptr<CTwoFaces> object = zv::MakeCom<CTwoFaces>(destroyed);
    EXPECT_EQ(object->ReferenceCount(), 1);

    IUnknown* viaSource = nullptr;
    IUnknown* viaEnum = nullptr;
    IDropSource* source = nullptr;
    IEnumString* strings = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_IDropSource, reinterpret_cast<void**>(&source)), S_OK);
    ASSERT_EQ(object->QueryInterface(IID_IEnumString, reinterpret_cast<void**>(&strings)), S_OK);
    ASSERT_EQ(source->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&viaSource)), S_OK);
    ASSERT_EQ(strings->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&viaEnum)), S_OK);
    EXPECT_EQ(viaSource, viaEnum) << "one identity whichever interface asks";
    EXPECT_EQ(object->ReferenceCount(), 5);

    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(object->QueryInterface(IID_IDropTarget, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

    source->Release();
    strings->Release();
    viaSource->Release();
    EXPECT_EQ(viaEnum->Release(), 1u);
    EXPECT_FALSE(destroyed);
    object.reset();
    EXPECT_TRUE(destroyed);
}

TEST(ComObject, AnExceptionInAMethodBecomesAnErrorResult)
{
    bool destroyed = false;
    zv::com_ptr<CTwoFaces> object = zv::MakeCom<CTwoFaces>(destroyed);
    EXPECT_EQ(object->GiveFeedback(0), E_UNEXPECTED);
    EXPECT_EQ(object->Next(1, nullptr, nullptr), E_OUTOFMEMORY);
}
