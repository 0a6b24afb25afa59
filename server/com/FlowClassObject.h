#pragma once

#include "FlowClass.h"
#include "Tarnwell_h.h"

#include <atomic>

namespace tarnwell_com {

// The COM face of FlowClass: _FlowClass for early binding, IDispatch driven by the type
// information embedded in this DLL for late binding. It only forwards to FlowClass.
class FlowClassObject final : public _FlowClass
{
public:
    // Makes a new object (its engine state at zero) and returns its riid interface.
    static HRESULT Create(REFIID riid, void **object);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo **info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR *names, UINT count, LCID lcid,
                                            DISPID *ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                     DISPPARAMS *params, VARIANT *result, EXCEPINFO *exception,
                                     UINT *argError) override;

    HRESULT STDMETHODCALLTYPE CalcFlow(double Meter, double Plate, double SpecGravity, double Temp,
                                       double Pressure, double Difference, double *Result) override;

private:
    FlowClassObject(ITypeInfo *dispatchInfo, ITypeInfo *interfaceInfo);
    ~FlowClassObject();
    FlowClassObject(const FlowClassObject &) = delete;
    FlowClassObject &operator=(const FlowClassObject &) = delete;

    std::atomic<ULONG> refs_{1};
    ITypeInfo *dispatchInfo_;  // what GetTypeInfo hands out (TKIND_DISPATCH)
    ITypeInfo *interfaceInfo_; // the vtable side of the dual interface, which Invoke calls
    FlowClass flow_;
};

} // namespace tarnwell_com
