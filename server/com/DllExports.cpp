// The DLL's exported entry points (listed in Tarnwell.def).
#include "ClassFactory.h"
#include "Registration.h"
#include "ServerModule.h"
#include "Tarnwell_h.h"

#include <cwctype>

using namespace tarnwell_com;

namespace {

HRESULT RegisterIn(RegistrationScope scope, bool install)
{
    return Guarded([&]() -> HRESULT {
        HKEY root = nullptr;
        HRESULT hr = OpenClassesRoot(scope, &root);
        if (FAILED(hr))
            return hr;
        if (install) {
            const std::wstring path = ModulePath();
            hr = path.empty() ? HRESULT_FROM_WIN32(GetLastError()) : RegisterServer(root, path);
        } else {
            hr = UnregisterServer(root);
        }
        RegCloseKey(root);
        return hr;
    });
}

bool IsUserScope(LPCWSTR commandLine)
{
    const wchar_t *expected = L"user";
    for (; *expected; ++expected, ++commandLine)
        if (std::towlower(*commandLine) != *expected)
            return false;
    return *commandLine == L'\0';
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        SetModule(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID *object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_FlowClass))
        return CLASS_E_CLASSNOTAVAILABLE;
    return FlowClassFactory::Create(riid, object);
}

STDAPI DllCanUnloadNow()
{
    return CanUnload() ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer()
{
    return RegisterIn(RegistrationScope::Machine, true);
}

STDAPI DllUnregisterServer()
{
    return RegisterIn(RegistrationScope::Machine, false);
}

// regsvr32 /n /i:user registers for the current user only (no administrator rights needed);
// without a command line it is the same as DllRegisterServer.
extern "C" HRESULT WINAPI DllInstall(BOOL install, LPCWSTR commandLine)
{
    if (!commandLine || !*commandLine)
        return RegisterIn(RegistrationScope::Machine, install != FALSE);
    if (IsUserScope(commandLine))
        return RegisterIn(RegistrationScope::User, install != FALSE);
    return E_INVALIDARG;
}
