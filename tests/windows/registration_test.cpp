// Registration of Tarnwell.dll: the keys it writes, their removal, the per-user variant and
// the rollback of a registration that fails halfway.
#include "ExpectedRegistry.h"
#include "Registration.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <iterator>

namespace {

using tarnwell_com::RegistryEntry;

// A private classes root under HKCU, deleted again after each test.
class ScratchRoot : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &root, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override
    {
        RegCloseKey(root);
        RegDeleteTreeW(HKEY_CURRENT_USER, kPath);
    }
    static constexpr const wchar_t *kPath = L"Software\\TarnwellRegistrationTest";
    HKEY root = nullptr;
    const std::wstring dll = L"C:\\Program Files\\Tarnwell\\Tarnwell.dll";
};

TEST_F(ScratchRoot, RegisterWritesTheContractAndUnregisterRemovesIt)
{
    ASSERT_EQ(tarnwell_com::RegisterServer(root, dll), S_OK);
    EXPECT_EQ(expected_registry::Differences(root, dll), std::vector<std::string>());
    ASSERT_EQ(tarnwell_com::UnregisterServer(root), S_OK);
    EXPECT_EQ(expected_registry::PresentKeys(root), std::vector<std::string>());
    // Removing what is already gone is not an error.
    EXPECT_EQ(tarnwell_com::UnregisterServer(root), S_OK);
}

TEST_F(ScratchRoot, ReregistrationDropsStaleKeysAndMovesThePath)
{
    ASSERT_EQ(tarnwell_com::RegisterServer(root, L"C:\\old\\Tarnwell.dll"), S_OK);
    const RegistryEntry stale{L"CLSID\\{90C59B87-BE49-4995-B14E-828A8C534B42}\\LocalServer32", L"",
                              L"C:\\old\\tarnwell.exe"};
    ASSERT_EQ(tarnwell_com::WriteRegistryEntry(root, stale), ERROR_SUCCESS);

    ASSERT_EQ(tarnwell_com::RegisterServer(root, dll), S_OK);
    EXPECT_EQ(expected_registry::Differences(root, dll), std::vector<std::string>());
}

TEST_F(ScratchRoot, UnregisterLeavesWhatBelongsToOthers)
{
    ASSERT_EQ(tarnwell_com::RegisterServer(root, dll), S_OK);
    const RegistryEntry otherVersion{
        L"TypeLib\\{64756CDF-C4FE-4EA7-AFB1-637D877C289D}\\2.0\\0\\win64", L"", L"C:\\v2.dll"};
    ASSERT_EQ(tarnwell_com::WriteRegistryEntry(root, otherVersion), ERROR_SUCCESS);
    // Another product took the ProgID over.
    const RegistryEntry takenProgId{L"Tarnwell.FlowClass\\CLSID", L"",
                                    L"{11111111-2222-3333-4444-555555555555}"};
    ASSERT_EQ(tarnwell_com::WriteRegistryEntry(root, takenProgId), ERROR_SUCCESS);

    ASSERT_EQ(tarnwell_com::UnregisterServer(root), S_OK);
    EXPECT_EQ(expected_registry::PresentKeys(root),
              (std::vector<std::string>{"Tarnwell.FlowClass",
                                        "TypeLib\\{64756CDF-C4FE-4EA7-AFB1-637D877C289D}"}));
    EXPECT_EQ(expected_registry::SubkeyCount(
                  root, L"TypeLib\\{64756CDF-C4FE-4EA7-AFB1-637D877C289D}\\1.0"),
              0u);
}

// A write that fails at any point of the registration leaves none of our keys behind and
// reports the failure.
TEST_F(ScratchRoot, FailedWriteRollsEverythingBack)
{
    const size_t writes = tarnwell_com::RegistryEntries(dll).size();
    ASSERT_GT(writes, 0u);
    for (size_t failAt = 0; failAt < writes; ++failAt) {
        SCOPED_TRACE("write " + std::to_string(failAt) + " fails");
        size_t count = 0;
        auto failing = [&](HKEY r, const RegistryEntry &entry) -> LSTATUS {
            if (count++ == failAt)
                return ERROR_ACCESS_DENIED;
            return tarnwell_com::WriteRegistryEntry(r, entry);
        };
        EXPECT_EQ(tarnwell_com::RegisterServer(root, dll, failing),
                  HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
        EXPECT_EQ(expected_registry::PresentKeys(root), std::vector<std::string>());
    }
}

// Through the DLL's own exports, against the real classes roots of the Wine prefix.
class DllExports : public ::testing::Test
{
protected:
    void SetUp() override
    {
        module = LoadLibraryW(DllPath().c_str());
        ASSERT_NE(module, nullptr) << "cannot load " << Narrow(DllPath());
        registerServer = Export<Entry>("DllRegisterServer");
        unregisterServer = Export<Entry>("DllUnregisterServer");
        install = Export<Install>("DllInstall");
        ASSERT_TRUE(registerServer && unregisterServer && install);
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0, KEY_READ, &machine),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0, KEY_READ,
                                  nullptr, &user, nullptr),
                  ERROR_SUCCESS);
        // Each test starts from an unregistered prefix.
        ASSERT_EQ(expected_registry::PresentKeys(machine), std::vector<std::string>());
        ASSERT_EQ(expected_registry::PresentKeys(user), std::vector<std::string>());
    }
    void TearDown() override
    {
        if (unregisterServer)
            unregisterServer();
        if (install)
            install(FALSE, L"user");
        RegCloseKey(machine);
        RegCloseKey(user);
        if (module)
            FreeLibrary(module);
    }
    template <class F> F Export(const char *name)
    {
        return reinterpret_cast<F>(reinterpret_cast<void *>(GetProcAddress(module, name)));
    }

    using Entry = HRESULT(WINAPI *)();
    using Install = HRESULT(WINAPI *)(BOOL, LPCWSTR);
    HMODULE module = nullptr;
    Entry registerServer = nullptr;
    Entry unregisterServer = nullptr;
    Install install = nullptr;
    HKEY machine = nullptr;
    HKEY user = nullptr;
};

// Keys that hold many entries of all programs: registration adds exactly one key to each.
void SharedKeyCounts(HKEY root, DWORD (&counts)[4])
{
    const wchar_t *keys[] = {L"", L"CLSID", L"Interface", L"TypeLib"};
    for (int i = 0; i < 4; ++i)
        counts[i] = expected_registry::SubkeyCount(root, keys[i]);
}

TEST_F(DllExports, RegisterServerWritesOurKeysOnlyAndUnregisterRemovesThem)
{
    DWORD before[4], during[4], after[4];
    SharedKeyCounts(machine, before);

    ASSERT_EQ(registerServer(), S_OK);
    EXPECT_EQ(expected_registry::Differences(machine, DllPath()), std::vector<std::string>());
    SharedKeyCounts(machine, during);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(during[i], before[i] + 1) << "shared key " << i;
    EXPECT_EQ(expected_registry::PresentKeys(user), std::vector<std::string>());

    ASSERT_EQ(unregisterServer(), S_OK);
    EXPECT_EQ(expected_registry::PresentKeys(machine), std::vector<std::string>());
    SharedKeyCounts(machine, after);
    EXPECT_TRUE(std::equal(std::begin(before), std::end(before), std::begin(after)));
}

TEST_F(DllExports, InstallForUserWritesBelowTheCurrentUserOnly)
{
    ASSERT_EQ(install(TRUE, L"user"), S_OK);
    EXPECT_EQ(expected_registry::Differences(user, DllPath()), std::vector<std::string>());
    EXPECT_EQ(expected_registry::PresentKeys(machine), std::vector<std::string>());

    ASSERT_EQ(install(FALSE, L"User"), S_OK);
    EXPECT_EQ(expected_registry::PresentKeys(user), std::vector<std::string>());
}

TEST_F(DllExports, InstallRejectsAnUnknownScopeWithoutWriting)
{
    EXPECT_EQ(install(TRUE, L"everyone"), E_INVALIDARG);
    EXPECT_EQ(install(TRUE, L"users"), E_INVALIDARG);
    EXPECT_EQ(expected_registry::PresentKeys(machine), std::vector<std::string>());
    EXPECT_EQ(expected_registry::PresentKeys(user), std::vector<std::string>());
}

} // namespace

int main(int argc, char **argv)
{
    return RunTests(argc, argv, "registration_test <Tarnwell.dll>", 1);
}
