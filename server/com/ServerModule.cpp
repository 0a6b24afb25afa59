#include "ServerModule.h"

#include <atomic>

namespace tarnwell_com {
namespace {

HMODULE g_module = nullptr;
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

} // namespace

void SetModule(HMODULE module)
{
    g_module = module;
}

HMODULE Module()
{
    return g_module;
}

std::wstring ModulePath()
{
    // Paths may exceed MAX_PATH; grow until the name fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(g_module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        if (path.size() >= 32768)
            return {};
        path.resize(path.size() * 2);
    }
}

void ObjectCreated()
{
    ++g_objects;
}

void ObjectDestroyed()
{
    --g_objects;
}

void LockServer()
{
    ++g_locks;
}

bool UnlockServer()
{
    long locks = g_locks.load();
    while (locks > 0)
        if (g_locks.compare_exchange_weak(locks, locks - 1))
            return true;
    return false;
}

bool CanUnload()
{
    return g_objects.load() == 0 && g_locks.load() == 0;
}

} // namespace tarnwell_com
