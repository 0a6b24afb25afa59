#include "ClassFactory.h"

#include "FlowClassObject.h"
#include "ServerModule.h"

namespace tarnwell_com {

HRESULT FlowClassFactory::Create(REFIID riid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    return Guarded([&]() -> HRESULT {
        auto *factory = new FlowClassFactory;
        const HRESULT hr = factory->QueryInterface(riid, object);
        factory->Release();
        return hr;
    });
}

FlowClassFactory::FlowClassFactory()
{
    ObjectCreated();
}

FlowClassFactory::~FlowClassFactory()
{
    ObjectDestroyed();
}

HRESULT STDMETHODCALLTYPE FlowClassFactory::QueryInterface(REFIID riid, void **object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *object = static_cast<IClassFactory *>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE FlowClassFactory::AddRef()
{
    return ++refs_;
}

ULONG STDMETHODCALLTYPE FlowClassFactory::Release()
{
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE FlowClassFactory::CreateInstance(IUnknown *outer, REFIID riid,
                                                           void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return FlowClassObject::Create(riid, object);
}

HRESULT STDMETHODCALLTYPE FlowClassFactory::LockServer(BOOL lock)
{
    if (lock) {
        tarnwell_com::LockServer();
        return S_OK;
    }
    // An unbalanced unlock must not drive the count below zero, or a later lock would no
    // longer keep the DLL loaded.
    return UnlockServer() ? S_OK : E_UNEXPECTED;
}

} // namespace tarnwell_com
