#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The registry footprint Tarnwell.dll promises, written out here from the published
// identifiers rather than taken from the server's code.
namespace expected_registry {

// Our top keys below a classes root.
const std::vector<std::wstring> &TopKeys();

// Every way the trees below root differ from a registration of dllPath: missing or wrong
// values and any key or value too many. Empty when they match.
std::vector<std::string> Differences(HKEY root, const std::wstring &dllPath);

// Those of TopKeys() that exist below root.
std::vector<std::string> PresentKeys(HKEY root);

// Number of direct subkeys of root\key (0 when missing).
DWORD SubkeyCount(HKEY root, const std::wstring &key);

} // namespace expected_registry
