#include "FlowClassObject.h"

#include "ServerModule.h"

namespace tarnwell_com {
namespace {

// Loads the type library embedded in this DLL (resource TYPELIB 1) without touching the
// registry, so late binding works whether or not the library is registered.
HRESULT LoadTypeInfo(ITypeInfo **dispatchInfo, ITypeInfo **interfaceInfo)
{
    *dispatchInfo = nullptr;
    *interfaceInfo = nullptr;
    const std::wstring path = ModulePath();
    if (path.empty())
        return HRESULT_FROM_WIN32(GetLastError());

    ITypeLib *library = nullptr;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
    if (FAILED(hr))
        return hr;
    ITypeInfo *dispatch = nullptr;
    hr = library->GetTypeInfoOfGuid(IID__FlowClass, &dispatch);
    library->Release();
    if (FAILED(hr))
        return hr;

    // For a dual interface the library returns the dispatch description; ITypeInfo::Invoke
    // needs the vtable one, reached through the special index -1.
    ITypeInfo *vtable = nullptr;
    HREFTYPE ref = 0;
    if (SUCCEEDED(dispatch->GetRefTypeOfImplType(-1, &ref)))
        dispatch->GetRefTypeInfo(ref, &vtable);
    if (!vtable) {
        vtable = dispatch;
        vtable->AddRef();
    }
    *dispatchInfo = dispatch;
    *interfaceInfo = vtable;
    return S_OK;
}

} // namespace

HRESULT FlowClassObject::Create(REFIID riid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    return Guarded([&]() -> HRESULT {
        ITypeInfo *dispatchInfo = nullptr;
        ITypeInfo *interfaceInfo = nullptr;
        HRESULT hr = LoadTypeInfo(&dispatchInfo, &interfaceInfo);
        if (FAILED(hr))
            return hr;
        FlowClassObject *created = nullptr;
        try {
            created = new FlowClassObject(dispatchInfo, interfaceInfo);
        } catch (...) {
            dispatchInfo->Release();
            interfaceInfo->Release();
            throw;
        }
        hr = created->QueryInterface(riid, object);
        created->Release();
        return hr;
    });
}

FlowClassObject::FlowClassObject(ITypeInfo *dispatchInfo, ITypeInfo *interfaceInfo)
    : dispatchInfo_(dispatchInfo), interfaceInfo_(interfaceInfo)
{
    ObjectCreated();
}

FlowClassObject::~FlowClassObject()
{
    dispatchInfo_->Release();
    interfaceInfo_->Release();
    ObjectDestroyed();
}

HRESULT STDMETHODCALLTYPE FlowClassObject::QueryInterface(REFIID riid, void **object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, IID__FlowClass)) {
        *object = static_cast<_FlowClass *>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE FlowClassObject::AddRef()
{
    return ++refs_;
}

ULONG STDMETHODCALLTYPE FlowClassObject::Release()
{
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE FlowClassObject::GetTypeInfoCount(UINT *count)
{
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FlowClassObject::GetTypeInfo(UINT index, LCID, ITypeInfo **info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    dispatchInfo_->AddRef();
    *info = dispatchInfo_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FlowClassObject::GetIDsOfNames(REFIID riid, LPOLESTR *names, UINT count,
                                                         LCID, DISPID *ids)
{
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids)
        return E_POINTER;
    return interfaceInfo_->GetIDsOfNames(names, count, ids);
}

HRESULT STDMETHODCALLTYPE FlowClassObject::Invoke(DISPID id, REFIID riid, LCID, WORD flags,
                                                  DISPPARAMS *params, VARIANT *result,
                                                  EXCEPINFO *exception, UINT *argError)
{
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    // The type information reads the argument arrays by their counts without checking them.
    if (!params || (params->cArgs > 0 && !params->rgvarg) ||
        (params->cNamedArgs > 0 && !params->rgdispidNamedArgs) ||
        params->cNamedArgs > params->cArgs)
        return E_INVALIDARG;
    // The type information checks the argument count, converts each argument to double and
    // calls CalcFlow through the vtable.
    return interfaceInfo_->Invoke(static_cast<_FlowClass *>(this), id, flags, params, result,
                                  exception, argError);
}

HRESULT STDMETHODCALLTYPE FlowClassObject::CalcFlow(double Meter, double Plate, double SpecGravity,
                                                    double Temp, double Pressure, double Difference,
                                                    double *Result)
{
    if (!Result)
        return E_POINTER;
    return Guarded([&]() -> HRESULT {
        *Result = flow_.CalcFlow(Meter, Plate, SpecGravity, Temp, Pressure, Difference);
        return S_OK;
    });
}

} // namespace tarnwell_com
