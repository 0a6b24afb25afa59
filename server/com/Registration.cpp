#include "Registration.h"

#include "Tarnwell_h.h"

namespace tarnwell_com {
namespace {

constexpr const wchar_t *kProgId = L"Tarnwell.FlowClass";
// The type-library marshaler, so the dual interface crosses apartments without a proxy DLL.
constexpr const wchar_t *kTypeLibMarshaler = L"{00020424-0000-0000-C000-000000000046}";

std::wstring GuidText(REFGUID guid)
{
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring ClassKey()
{
    return L"CLSID\\" + GuidText(CLSID_FlowClass);
}

std::wstring InterfaceKey()
{
    return L"Interface\\" + GuidText(IID__FlowClass);
}

std::wstring LibraryKey()
{
    return L"TypeLib\\" + GuidText(LIBID_Tarnwell);
}

std::wstring Directory(const std::wstring &path)
{
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

HRESULT FromStatus(LSTATUS status)
{
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

// Deletes root\key with everything below it; a missing key counts as deleted.
LSTATUS DeleteTree(HKEY root, const std::wstring &key)
{
    const LSTATUS status = RegDeleteTreeW(root, key.c_str());
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

// Reads the default value of root\key; empty when missing.
std::wstring DefaultValue(HKEY root, const std::wstring &key)
{
    wchar_t text[64] = {};
    DWORD size = sizeof(text) - sizeof(wchar_t);
    if (RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS)
        return {};
    return text;
}

bool HasSubkeys(HKEY root, const std::wstring &key)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    DWORD subkeys = 0;
    const LSTATUS status = RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, &subkeys, nullptr,
                                            nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(opened);
    return status == ERROR_SUCCESS && subkeys > 0;
}

} // namespace

std::vector<RegistryEntry> RegistryEntries(const std::wstring &dllPath)
{
    const std::wstring clsid = GuidText(CLSID_FlowClass);
    const std::wstring libid = GuidText(LIBID_Tarnwell);
    const std::wstring classKey = ClassKey();
    const std::wstring interfaceKey = InterfaceKey();
    const std::wstring libraryKey = LibraryKey() + L"\\1.0";
    return {
        {classKey, L"", kProgId},
        {classKey + L"\\InprocServer32", L"", dllPath},
        {classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {classKey + L"\\ProgID", L"", kProgId},
        {kProgId, L"", L"FlowClass"},
        {std::wstring(kProgId) + L"\\CLSID", L"", clsid},
        {interfaceKey, L"", L"_FlowClass"},
        {interfaceKey + L"\\ProxyStubClsid32", L"", kTypeLibMarshaler},
        {interfaceKey + L"\\TypeLib", L"", libid},
        {interfaceKey + L"\\TypeLib", L"Version", L"1.0"},
        {libraryKey, L"", L"Tarnwell"},
        {libraryKey + L"\\FLAGS", L"", L"0"},
        {libraryKey + L"\\HELPDIR", L"", Directory(dllPath)},
        {libraryKey + L"\\409\\win64", L"", dllPath},
        // Wine's type-library marshaler looks only under the neutral locale.
        {libraryKey + L"\\0\\win64", L"", dllPath},
    };
}

LSTATUS WriteRegistryEntry(HKEY root, const RegistryEntry &entry)
{
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(root, entry.key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    const auto bytes = static_cast<DWORD>((entry.value.size() + 1) * sizeof(wchar_t));
    status = RegSetValueExW(key, entry.name.empty() ? nullptr : entry.name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE *>(entry.value.c_str()), bytes);
    RegCloseKey(key);
    return status;
}

HRESULT RegisterServer(HKEY root, const std::wstring &dllPath, const RegistryWriter &write)
{
    if (dllPath.empty())
        return E_INVALIDARG;
    // Start clean so keys left by an older registration cannot survive next to ours.
    HRESULT hr = UnregisterServer(root);
    if (FAILED(hr))
        return hr;
    for (const RegistryEntry &entry : RegistryEntries(dllPath)) {
        const LSTATUS status = write(root, entry);
        if (status != ERROR_SUCCESS) {
            UnregisterServer(root);
            hr = FromStatus(status);
            return SUCCEEDED(hr) ? E_FAIL : hr;
        }
    }
    return S_OK;
}

HRESULT UnregisterServer(HKEY root)
{
    const std::wstring progIdClass = DefaultValue(root, std::wstring(kProgId) + L"\\CLSID");
    const bool progIdIsOurs = progIdClass.empty() || progIdClass == GuidText(CLSID_FlowClass);

    LSTATUS failed = ERROR_SUCCESS;
    auto remove = [&](const std::wstring &key) {
        const LSTATUS status = DeleteTree(root, key);
        if (status != ERROR_SUCCESS && failed == ERROR_SUCCESS)
            failed = status;
    };
    remove(ClassKey());
    if (progIdIsOurs)
        remove(kProgId);
    remove(InterfaceKey());
    // Only our version of the library; the LIBID key goes once no other version is left.
    remove(LibraryKey() + L"\\1.0");
    if (!HasSubkeys(root, LibraryKey()))
        remove(LibraryKey());
    return FromStatus(failed);
}

HRESULT OpenClassesRoot(RegistrationScope scope, HKEY *root)
{
    if (!root)
        return E_POINTER;
    *root = nullptr;
    const HKEY hive = scope == RegistrationScope::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    return FromStatus(RegCreateKeyExW(hive, L"Software\\Classes", 0, nullptr,
                                      REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, root,
                                      nullptr));
}

} // namespace tarnwell_com
