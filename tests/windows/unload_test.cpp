// Tarnwell.dll loaded directly, without registration: the class factory, the object's
// reference counting and DllCanUnloadNow.
//
//   unload_test <Tarnwell.dll> [gtest flags]
#include "Tarnwell_h.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

class Dll : public ::testing::Test
{
protected:
    void SetUp() override
    {
        module = LoadLibraryW(DllPath().c_str());
        ASSERT_NE(module, nullptr);
        getClassObject = reinterpret_cast<GetClassObject>(
            reinterpret_cast<void *>(GetProcAddress(module, "DllGetClassObject")));
        canUnloadNow = reinterpret_cast<CanUnloadNow>(
            reinterpret_cast<void *>(GetProcAddress(module, "DllCanUnloadNow")));
        ASSERT_TRUE(getClassObject && canUnloadNow);
        ASSERT_EQ(canUnloadNow(), S_OK) << "an earlier test leaked an object";
    }
    void TearDown() override
    {
        if (module)
            FreeLibrary(module);
    }
    void Factory(Ref<IClassFactory> &factory)
    {
        ASSERT_EQ(getClassObject(CLSID_FlowClass, IID_IClassFactory, factory.putVoid()), S_OK);
    }

    using GetClassObject = HRESULT(WINAPI *)(REFCLSID, REFIID, void **);
    using CanUnloadNow = HRESULT(WINAPI *)();
    Apartment apartment;
    HMODULE module = nullptr;
    GetClassObject getClassObject = nullptr;
    CanUnloadNow canUnloadNow = nullptr;
};

TEST_F(Dll, CanUnloadOnlyWhenNoObjectFactoryOrLockLives)
{
    Ref<IClassFactory> factory;
    Factory(factory);
    EXPECT_EQ(canUnloadNow(), S_FALSE);

    Ref<_FlowClass> flow;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID__FlowClass, flow.putVoid()), S_OK);
    factory.reset();
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "object alive";
    flow.reset();
    EXPECT_EQ(canUnloadNow(), S_OK);

    Factory(factory);
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "server locked";
    Factory(factory);
    ASSERT_EQ(factory->LockServer(FALSE), S_OK);
    // An unlock without a lock is refused and does not unbalance the count.
    EXPECT_EQ(factory->LockServer(FALSE), E_UNEXPECTED);
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "server locked again";
    Factory(factory);
    ASSERT_EQ(factory->LockServer(FALSE), S_OK);
    factory.reset();
    EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(Dll, ClassObjectRequestsThatCannotBeServed)
{
    void *out = reinterpret_cast<void *>(1);
    EXPECT_EQ(getClassObject(IID__FlowClass, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(getClassObject(CLSID_FlowClass, IID_IClassFactory, nullptr), E_POINTER);
    out = reinterpret_cast<void *>(1);
    EXPECT_EQ(getClassObject(CLSID_FlowClass, IID_IDispatch, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);

    Ref<IClassFactory> factory;
    Factory(factory);
    Ref<IUnknown> outer;
    factory->QueryInterface(IID_IUnknown, outer.putVoid());
    out = reinterpret_cast<void *>(1);
    EXPECT_EQ(factory->CreateInstance(outer.get(), IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID__FlowClass, nullptr), E_POINTER);
    outer.reset();
    factory.reset();
    // None of the refused requests left an object behind.
    EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(Dll, ObjectLivesExactlyAsLongAsItsReferences)
{
    Ref<IClassFactory> factory;
    Factory(factory);
    _FlowClass *flow = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID__FlowClass, reinterpret_cast<void **>(&flow)),
              S_OK);
    factory.reset();

    EXPECT_EQ(flow->AddRef(), 2u);
    IDispatch *dispatch = nullptr;
    ASSERT_EQ(flow->QueryInterface(IID_IDispatch, reinterpret_cast<void **>(&dispatch)), S_OK);
    EXPECT_EQ(dispatch->Release(), 2u);
    EXPECT_EQ(flow->Release(), 1u);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    EXPECT_EQ(flow->Release(), 0u);
    EXPECT_EQ(canUnloadNow(), S_OK);
}

// Late binding works from the type library inside the DLL, registered or not.
TEST_F(Dll, LateBindingNeedsNoRegistration)
{
    Ref<IClassFactory> factory;
    Factory(factory);
    Ref<IDispatch> dispatch;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, dispatch.putVoid()), S_OK);
    LPOLESTR name = const_cast<LPOLESTR>(L"CalcFlow");
    DISPID id = 0;
    ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0x409, &id), S_OK);
    EXPECT_EQ(id, 0x60030000);
    EXPECT_EQ(dispatch->GetIDsOfNames(IID__FlowClass, &name, 1, 0x409, &id),
              DISP_E_UNKNOWNINTERFACE);
}

} // namespace

int main(int argc, char **argv)
{
    return RunTests(argc, argv, "unload_test <Tarnwell.dll>", 1);
}
