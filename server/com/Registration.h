#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tarnwell_com {

// One registry value below a classes root (HKLM\Software\Classes or HKCU\Software\Classes).
// An empty name is the key's default value.
struct RegistryEntry
{
    std::wstring key;
    std::wstring name;
    std::wstring value;
};

// Everything registration writes for the DLL at dllPath: the class, the ProgID, the interface
// and the type library, and nothing else.
std::vector<RegistryEntry> RegistryEntries(const std::wstring &dllPath);

// Creates entry.key below root and sets the string value.
LSTATUS WriteRegistryEntry(HKEY root, const RegistryEntry &entry);

using RegistryWriter = std::function<LSTATUS(HKEY root, const RegistryEntry &entry)>;

// Writes all entries below root after clearing any earlier registration. If any write fails
// every key of ours is removed again and the error is returned: no half registration stays.
HRESULT RegisterServer(HKEY root, const std::wstring &dllPath,
                       const RegistryWriter &write = WriteRegistryEntry);

// Removes every key registration writes. Keys that are already gone are not an error; a
// ProgID that now names another class is left alone.
HRESULT UnregisterServer(HKEY root);

enum class RegistrationScope { Machine, User };

// Opens (creating if needed) the classes root of the scope with write access.
HRESULT OpenClassesRoot(RegistrationScope scope, HKEY *root);

} // namespace tarnwell_com
