#pragma once

#include <windows.h>

#include <new>
#include <string>

// Process-wide state of Tarnwell.dll: its module handle and the object and lock counts that
// DllCanUnloadNow reports.
namespace tarnwell_com {

void SetModule(HMODULE module);
HMODULE Module();

// Full path of the DLL as Windows loaded it; empty when it cannot be read.
std::wstring ModulePath();

// Every live COM object of this DLL (class factories included) is counted, so the DLL stays
// loaded while a client holds any pointer into it.
void ObjectCreated();
void ObjectDestroyed();
void LockServer();
// False when there was no lock to release.
bool UnlockServer();
bool CanUnload();

// Runs f and turns any C++ exception into an HRESULT: nothing may unwind across a COM call.
template <class F> HRESULT Guarded(F &&f) noexcept
{
    try {
        return f();
    } catch (const std::bad_alloc &) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

} // namespace tarnwell_com
