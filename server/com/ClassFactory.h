#pragma once

#include <windows.h>

#include <atomic>

namespace tarnwell_com {

// Creates FlowClass objects. Each instance counts as a live object of the DLL.
class FlowClassFactory final : public IClassFactory
{
public:
    // Makes a factory and returns its riid interface.
    static HRESULT Create(REFIID riid, void **object);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID riid, void **object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    FlowClassFactory();
    ~FlowClassFactory();
    FlowClassFactory(const FlowClassFactory &) = delete;
    FlowClassFactory &operator=(const FlowClassFactory &) = delete;

    std::atomic<ULONG> refs_{1};
};

} // namespace tarnwell_com
