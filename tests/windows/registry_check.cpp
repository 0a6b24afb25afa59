// Checks the registry after regsvr32 has (un)registered Tarnwell.dll, and that a class
// registered per machine can be created by ProgID.
//
//   registry_check present|absent machine|user <Tarnwell.dll>
#include "ExpectedRegistry.h"
#include "Tarnwell_h.h"
#include "TestSupport.h"

#include <cstdio>
#include <cstring>

namespace {

int Fail(const std::string &why)
{
    std::printf("registry_check: %s\n", why.c_str());
    return 1;
}

int CheckActivation()
{
    Apartment apartment;
    CLSID clsid{};
    HRESULT hr = CLSIDFromProgID(L"Tarnwell.FlowClass", &clsid);
    if (FAILED(hr) || !IsEqualCLSID(clsid, CLSID_FlowClass))
        return Fail("ProgID does not resolve to the FlowClass CLSID");
    Ref<_FlowClass> flow;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__FlowClass, flow.putVoid());
    if (FAILED(hr))
        return Fail("CoCreateInstance failed: " + std::to_string(hr));
    double result = 0;
    hr = flow->CalcFlow(4.026, 2.0, 0.6, 60, 500, 3.6, &result);
    if (hr != S_OK || !(result > 0))
        return Fail("CalcFlow on the created object failed");
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4 || (std::strcmp(argv[1], "present") && std::strcmp(argv[1], "absent")) ||
        (std::strcmp(argv[2], "machine") && std::strcmp(argv[2], "user"))) {
        std::fprintf(stderr, "usage: registry_check present|absent machine|user <dll>\n");
        return 2;
    }
    const bool present = std::strcmp(argv[1], "present") == 0;
    const bool machine = std::strcmp(argv[2], "machine") == 0;
    const std::wstring dll = Widen(argv[3]);

    HKEY roots[2] = {};
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0, nullptr, 0, KEY_READ, nullptr,
                    &roots[0], nullptr);
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0, KEY_READ, nullptr,
                    &roots[1], nullptr);
    HKEY scope = machine ? roots[0] : roots[1];
    HKEY other = machine ? roots[1] : roots[0];

    int failures = 0;
    if (present) {
        for (const std::string &problem : expected_registry::Differences(scope, dll))
            failures += Fail(problem);
        // Windows merges the user's classes into HKEY_CLASSES_ROOT; Wine shows only the
        // machine's there, so creation by ProgID is checked for the machine scope alone.
        if (!failures && machine)
            failures += CheckActivation();
    } else {
        for (const std::string &key : expected_registry::PresentKeys(scope))
            failures += Fail("still registered: " + key);
    }
    // Either way the other scope is never touched.
    for (const std::string &key : expected_registry::PresentKeys(other))
        failures += Fail("registered in the other scope: " + key);
    if (failures == 0)
        std::printf("registry_check: %s %s ok\n", argv[1], argv[2]);
    return failures == 0 ? 0 : 1;
}
