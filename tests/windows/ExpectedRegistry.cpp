#include "ExpectedRegistry.h"

#include "TestSupport.h"

#include <map>

namespace expected_registry {
namespace {

const std::wstring kClsid = L"{90C59B87-BE49-4995-B14E-828A8C534B42}";
const std::wstring kIid = L"{1CDFAC62-44C1-48B2-9B6B-9DF6FBA9563A}";
const std::wstring kLibid = L"{64756CDF-C4FE-4EA7-AFB1-637D877C289D}";
const std::wstring kProgId = L"Tarnwell.FlowClass";

std::wstring Lower(std::wstring text)
{
    for (wchar_t &c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

struct Value
{
    std::wstring data;
    bool path = false; // compared as a file path
    bool any = false;  // only its presence matters
};

// key path (lower case) -> value name (lower case, empty for default) -> value.
using Tree = std::map<std::wstring, std::map<std::wstring, Value>>;

Tree Contract(const std::wstring &dllPath)
{
    const std::wstring dir = dllPath.substr(0, dllPath.find_last_of(L"\\/"));
    const std::wstring clsid = L"clsid\\" + Lower(kClsid);
    const std::wstring iface = L"interface\\" + Lower(kIid);
    const std::wstring lib = L"typelib\\" + Lower(kLibid);
    const std::wstring progId = Lower(kProgId);
    Tree t;
    t[clsid][L""] = {L"", false, true};
    t[clsid + L"\\inprocserver32"][L""] = {dllPath, true};
    t[clsid + L"\\inprocserver32"][L"threadingmodel"] = {L"Apartment"};
    t[clsid + L"\\progid"][L""] = {kProgId};
    t[progId][L""] = {L"", false, true};
    t[progId + L"\\clsid"][L""] = {kClsid};
    t[iface][L""] = {L"_FlowClass"};
    t[iface + L"\\proxystubclsid32"][L""] = {L"{00020424-0000-0000-C000-000000000046}"};
    t[iface + L"\\typelib"][L""] = {kLibid};
    t[iface + L"\\typelib"][L"version"] = {L"1.0"};
    t[lib];
    t[lib + L"\\1.0"][L""] = {L"Tarnwell"};
    t[lib + L"\\1.0\\flags"][L""] = {L"0"};
    t[lib + L"\\1.0\\helpdir"][L""] = {dir, true};
    t[lib + L"\\1.0\\409"];
    t[lib + L"\\1.0\\409\\win64"][L""] = {dllPath, true};
    t[lib + L"\\1.0\\0"];
    t[lib + L"\\1.0\\0\\win64"][L""] = {dllPath, true};
    return t;
}

void Collect(HKEY root, const std::wstring &path, Tree &out)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    auto &values = out[Lower(path)];
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        BYTE data[2048];
        DWORD size = sizeof(data) - sizeof(wchar_t);
        DWORD type = 0;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        std::wstring text;
        if (type == REG_SZ)
            text.assign(reinterpret_cast<const wchar_t *>(data), size / sizeof(wchar_t));
        while (!text.empty() && text.back() == L'\0')
            text.pop_back();
        values[Lower(std::wstring(name, nameLength))] = {text};
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        Collect(root, path + L"\\" + std::wstring(name, nameLength), out);
    }
    RegCloseKey(key);
}

} // namespace

const std::vector<std::wstring> &TopKeys()
{
    static const std::vector<std::wstring> keys = {L"CLSID\\" + kClsid, kProgId,
                                                   L"Interface\\" + kIid, L"TypeLib\\" + kLibid};
    return keys;
}

std::vector<std::string> Differences(HKEY root, const std::wstring &dllPath)
{
    const Tree expected = Contract(dllPath);
    Tree actual;
    for (const std::wstring &top : TopKeys())
        Collect(root, top, actual);

    std::vector<std::string> problems;
    for (const auto &[key, values] : expected) {
        const auto found = actual.find(key);
        if (found == actual.end()) {
            problems.push_back("missing key " + Narrow(key));
            continue;
        }
        for (const auto &[name, value] : values) {
            const auto v = found->second.find(name);
            const std::string where = Narrow(key) + " [" + Narrow(name) + "]";
            if (v == found->second.end())
                problems.push_back("missing value " + where);
            else if (value.any)
                continue;
            else if (value.path ? ComparablePath(v->second.data) != ComparablePath(value.data)
                                : Lower(v->second.data) != Lower(value.data))
                problems.push_back("wrong value " + where + ": " + Narrow(v->second.data));
        }
        for (const auto &[name, value] : found->second)
            if (!values.count(name))
                problems.push_back("extra value " + Narrow(key) + " [" + Narrow(name) + "]");
    }
    for (const auto &[key, values] : actual)
        if (!expected.count(key))
            problems.push_back("extra key " + Narrow(key));
    return problems;
}

std::vector<std::string> PresentKeys(HKEY root)
{
    std::vector<std::string> present;
    for (const std::wstring &top : TopKeys()) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, top.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
            RegCloseKey(key);
            present.push_back(Narrow(top));
        }
    }
    return present;
}

DWORD SubkeyCount(HKEY root, const std::wstring &key)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return 0;
    DWORD count = 0;
    RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(opened);
    return count;
}

} // namespace expected_registry
