// A C++ client of the registered server: creation through COM, early and late binding, the
// type library as declared, the file version, object state, apartments, and the shared
// case table against the Linux library's results.
//
//   client_test <Tarnwell.dll> <expected cases.csv> [gtest flags]
#include "Tarnwell_h.h"
#include "TarnwellVersion.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <xmmintrin.h>

#include <cfenv>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <sstream>
#include <vector>

namespace {

constexpr DISPID kCalcFlowId = 0x60030000;

struct Inputs
{
    double meter, plate, gravity, temp, pressure, difference;
};
constexpr Inputs kTypical{4.026, 2.0, 0.6, 60, 500, 3.6};
constexpr Inputs kOther{6.065, 3.0, 0.65, 85, 800, 2.0};
constexpr Inputs kMeterZero{0, 2.0, 0.6, 60, 500, 3.6};

class Client : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(apartment.result())); }

    static void Create(Ref<_FlowClass> &flow)
    {
        ASSERT_EQ(CoCreateInstance(CLSID_FlowClass, nullptr, CLSCTX_INPROC_SERVER, IID__FlowClass,
                                   flow.putVoid()),
                  S_OK);
    }
    static double Calc(_FlowClass *flow, const Inputs &in)
    {
        double result = -1;
        EXPECT_EQ(flow->CalcFlow(in.meter, in.plate, in.gravity, in.temp, in.pressure,
                                 in.difference, &result),
                  S_OK);
        return result;
    }
    // A fresh object's answer, the reference for "same as a new object" checks.
    static double FreshCalc(const Inputs &in)
    {
        Ref<_FlowClass> flow;
        Create(flow);
        return flow ? Calc(flow.get(), in) : -1;
    }

    Apartment apartment;
};

TEST_F(Client, ProgIdResolvesAndEarlyBindingCalculates)
{
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(L"Tarnwell.FlowClass", &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_FlowClass));

    Ref<_FlowClass> flow;
    Create(flow);
    const double flowRate = Calc(flow.get(), kTypical);
    EXPECT_GT(flowRate, 0);
    EXPECT_LT(flowRate, 1e6);
    EXPECT_EQ(flow->CalcFlow(4.026, 2.0, 0.6, 60, 500, 3.6, nullptr), E_POINTER);
}

TEST_F(Client, InterfacesAndReferenceCounting)
{
    Ref<IUnknown> unknown;
    ASSERT_EQ(CoCreateInstance(CLSID_FlowClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               unknown.putVoid()),
              S_OK);
    Ref<IDispatch> dispatch;
    Ref<_FlowClass> flow;
    ASSERT_EQ(unknown->QueryInterface(IID_IDispatch, dispatch.putVoid()), S_OK);
    ASSERT_EQ(unknown->QueryInterface(IID__FlowClass, flow.putVoid()), S_OK);
    // COM identity: every route to IUnknown gives the same pointer.
    Ref<IUnknown> again;
    ASSERT_EQ(flow->QueryInterface(IID_IUnknown, again.putVoid()), S_OK);
    EXPECT_EQ(again.get(), unknown.get());

    Ref<IClassFactory> notOurs;
    void *out = reinterpret_cast<void *>(1);
    EXPECT_EQ(unknown->QueryInterface(IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);

    // unknown, again, dispatch and flow hold four references to one object.
    EXPECT_EQ(unknown->AddRef(), 5u);
    EXPECT_EQ(unknown->Release(), 4u);
}

TEST_F(Client, LateBindingFindsCalcFlowAndInvokesItWithDoubles)
{
    Ref<IDispatch> dispatch;
    ASSERT_EQ(CoCreateInstance(CLSID_FlowClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               dispatch.putVoid()),
              S_OK);

    for (const wchar_t *spelling : {L"CalcFlow", L"calcflow"}) {
        LPOLESTR name = const_cast<LPOLESTR>(spelling);
        DISPID id = 0;
        ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0x409, &id), S_OK);
        EXPECT_EQ(id, kCalcFlowId);
    }
    LPOLESTR unknownName = const_cast<LPOLESTR>(L"CalcFlows");
    DISPID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &unknownName, 1, 0x409, &id), DISP_E_UNKNOWNNAME);

    // Arguments go right to left.
    const double values[6] = {kTypical.meter, kTypical.plate,    kTypical.gravity,
                              kTypical.temp,  kTypical.pressure, kTypical.difference};
    VARIANTARG args[6];
    for (int i = 0; i < 6; ++i) {
        VariantInit(&args[5 - i]);
        args[5 - i].vt = VT_R8;
        args[5 - i].dblVal = values[i];
    }
    DISPPARAMS params{args, nullptr, 6, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(dispatch->Invoke(kCalcFlowId, IID_NULL, 0x409, DISPATCH_METHOD, &params, &result,
                               nullptr, nullptr),
              S_OK);
    ASSERT_EQ(result.vt, VT_R8);
    EXPECT_DOUBLE_EQ(result.dblVal, FreshCalc(kTypical));

    // Script engines pass whole numbers as integers; the type information converts them.
    args[0].vt = VT_I4;
    args[0].lVal = 4;
    VariantClear(&result);
    ASSERT_EQ(dispatch->Invoke(kCalcFlowId, IID_NULL, 0x409, DISPATCH_METHOD, &params, &result,
                               nullptr, nullptr),
              S_OK);
    EXPECT_DOUBLE_EQ(result.dblVal, FreshCalc({4.026, 2.0, 0.6, 60, 500, 4}));

    // Wrong argument count and an argument that is no number are refused.
    DISPPARAMS fiveArgs{args + 1, nullptr, 5, 0};
    EXPECT_EQ(dispatch->Invoke(kCalcFlowId, IID_NULL, 0x409, DISPATCH_METHOD, &fiveArgs, &result,
                               nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);
    args[2].vt = VT_BSTR;
    args[2].bstrVal = SysAllocString(L"sixty");
    UINT argError = 0;
    EXPECT_EQ(dispatch->Invoke(kCalcFlowId, IID_NULL, 0x409, DISPATCH_METHOD, &params, &result,
                               nullptr, &argError),
              DISP_E_TYPEMISMATCH);
    VariantClear(&args[2]);
    EXPECT_EQ(dispatch->Invoke(0x60030001, IID_NULL, 0x409, DISPATCH_METHOD, &params, &result,
                               nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
}

// Argument arrays that do not match their counts are refused before anything reads them.
TEST_F(Client, InvokeRefusesArgumentArraysThatDoNotMatchTheirCounts)
{
    Ref<IDispatch> dispatch;
    ASSERT_EQ(CoCreateInstance(CLSID_FlowClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               dispatch.putVoid()),
              S_OK);
    VARIANTARG args[6];
    for (VARIANTARG &arg : args) {
        VariantInit(&arg);
        arg.vt = VT_R8;
        arg.dblVal = 1;
    }
    DISPID named[2] = {0, 1};
    const struct
    {
        const char *what;
        DISPPARAMS params;
    } cases[] = {
        {"no argument array for six arguments", {nullptr, nullptr, 6, 0}},
        {"no argument array for one named argument", {nullptr, named, 1, 1}},
        {"no names for one named argument", {args, nullptr, 6, 1}},
        {"more named arguments than arguments", {args, named, 1, 2}},
    };
    for (const auto &c : cases) {
        DISPPARAMS params = c.params;
        VARIANT result;
        VariantInit(&result);
        EXPECT_EQ(dispatch->Invoke(kCalcFlowId, IID_NULL, 0x409, DISPATCH_METHOD, &params, &result,
                                   nullptr, nullptr),
                  E_INVALIDARG)
            << c.what;
    }
    EXPECT_EQ(dispatch->Invoke(kCalcFlowId, IID_NULL, 0x409, DISPATCH_METHOD, nullptr, nullptr,
                               nullptr, nullptr),
              E_INVALIDARG);
    // No arrays for no arguments is consistent: only the count is wrong.
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(dispatch->Invoke(kCalcFlowId, IID_NULL, 0x409, DISPATCH_METHOD, &none, nullptr,
                               nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);
}

TEST_F(Client, TypeLibraryIsAsDeclared)
{
    Ref<ITypeLib> library;
    ASSERT_EQ(LoadRegTypeLib(LIBID_Tarnwell, 1, 0, 0x409, library.put()), S_OK);
    TLIBATTR *libAttr = nullptr;
    ASSERT_EQ(library->GetLibAttr(&libAttr), S_OK);
    EXPECT_EQ(libAttr->wMajorVerNum, 1);
    EXPECT_EQ(libAttr->wMinorVerNum, 0);
    EXPECT_EQ(libAttr->lcid, 0x409u);
    EXPECT_EQ(libAttr->syskind, SYS_WIN64);
    library->ReleaseTLibAttr(libAttr);
    Bstr libName;
    ASSERT_EQ(library->GetDocumentation(-1, libName.put(), nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(libName.str(), L"Tarnwell");

    Bstr path;
    ASSERT_EQ(QueryPathOfRegTypeLib(LIBID_Tarnwell, 1, 0, 0x409, path.put()), S_OK);
    EXPECT_EQ(ComparablePath(path.str()), ComparablePath(DllPath()));

    // The interface: dual, hidden, not extensible, automation-compatible. widl marks the
    // dispatch side dispatchable and the vtable side oleautomation (MIDL marks both).
    Ref<ITypeInfo> dispatchInfo;
    ASSERT_EQ(library->GetTypeInfoOfGuid(IID__FlowClass, dispatchInfo.put()), S_OK);
    Bstr interfaceName;
    dispatchInfo->GetDocumentation(MEMBERID_NIL, interfaceName.put(), nullptr, nullptr, nullptr);
    EXPECT_EQ(interfaceName.str(), L"_FlowClass");
    TYPEATTR *attr = nullptr;
    ASSERT_EQ(dispatchInfo->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    const WORD flags = TYPEFLAG_FDUAL | TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE;
    EXPECT_EQ(attr->wTypeFlags & (flags | TYPEFLAG_FDISPATCHABLE), flags | TYPEFLAG_FDISPATCHABLE);
    EXPECT_EQ(attr->wTypeFlags & TYPEFLAG_FCANCREATE, 0);
    dispatchInfo->ReleaseTypeAttr(attr);

    // The vtable side: CalcFlow follows IUnknown's three and IDispatch's four methods.
    HREFTYPE vtableRef = 0;
    ASSERT_EQ(dispatchInfo->GetRefTypeOfImplType(-1, &vtableRef), S_OK);
    Ref<ITypeInfo> vtableInfo;
    ASSERT_EQ(dispatchInfo->GetRefTypeInfo(vtableRef, vtableInfo.put()), S_OK);
    ASSERT_EQ(vtableInfo->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
    EXPECT_EQ(attr->wTypeFlags & (flags | TYPEFLAG_FOLEAUTOMATION),
              flags | TYPEFLAG_FOLEAUTOMATION);
    EXPECT_TRUE(IsEqualIID(attr->guid, IID__FlowClass));
    EXPECT_EQ(attr->cFuncs, 1);
    EXPECT_EQ(attr->cbSizeVft, 8 * sizeof(void *));
    vtableInfo->ReleaseTypeAttr(attr);

    FUNCDESC *func = nullptr;
    ASSERT_EQ(vtableInfo->GetFuncDesc(0, &func), S_OK);
    EXPECT_EQ(func->memid, kCalcFlowId);
    EXPECT_EQ(func->oVft, static_cast<SHORT>(7 * sizeof(void *)));
    EXPECT_EQ(func->invkind, INVOKE_FUNC);
    EXPECT_EQ(func->elemdescFunc.tdesc.vt, VT_HRESULT);
    ASSERT_EQ(func->cParams, 7);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(func->lprgelemdescParam[i].tdesc.vt, VT_R8) << "parameter " << i;
        EXPECT_EQ(func->lprgelemdescParam[i].paramdesc.wParamFlags, PARAMFLAG_FIN);
    }
    const ELEMDESC &retval = func->lprgelemdescParam[6];
    EXPECT_EQ(retval.tdesc.vt, VT_PTR);
    EXPECT_EQ(retval.tdesc.lptdesc->vt, VT_R8);
    EXPECT_EQ(retval.paramdesc.wParamFlags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
    vtableInfo->ReleaseFuncDesc(func);

    BSTR names[8] = {};
    UINT count = 0;
    ASSERT_EQ(vtableInfo->GetNames(kCalcFlowId, names, 8, &count), S_OK);
    const std::vector<std::wstring> expectedNames = {
        L"CalcFlow", L"Meter", L"Plate", L"SpecGravity", L"Temp", L"Pressure", L"Difference"};
    ASSERT_GE(count, expectedNames.size());
    for (size_t i = 0; i < expectedNames.size(); ++i)
        EXPECT_EQ(std::wstring(names[i]), expectedNames[i]);
    for (UINT i = 0; i < count; ++i)
        SysFreeString(names[i]);

    // The class: creatable, _FlowClass its default interface.
    Ref<ITypeInfo> classInfo;
    ASSERT_EQ(library->GetTypeInfoOfGuid(CLSID_FlowClass, classInfo.put()), S_OK);
    Bstr className;
    classInfo->GetDocumentation(MEMBERID_NIL, className.put(), nullptr, nullptr, nullptr);
    EXPECT_EQ(className.str(), L"FlowClass");
    ASSERT_EQ(classInfo->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FCANCREATE);
    EXPECT_EQ(attr->cImplTypes, 1);
    classInfo->ReleaseTypeAttr(attr);
    INT implFlags = 0;
    ASSERT_EQ(classInfo->GetImplTypeFlags(0, &implFlags), S_OK);
    EXPECT_TRUE(implFlags & IMPLTYPEFLAG_FDEFAULT);
    HREFTYPE implRef = 0;
    ASSERT_EQ(classInfo->GetRefTypeOfImplType(0, &implRef), S_OK);
    Ref<ITypeInfo> implInfo;
    ASSERT_EQ(classInfo->GetRefTypeInfo(implRef, implInfo.put()), S_OK);
    ASSERT_EQ(implInfo->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualIID(attr->guid, IID__FlowClass));
    implInfo->ReleaseTypeAttr(attr);
}

TEST_F(Client, ObjectHandsOutTheEmbeddedTypeInformation)
{
    Ref<IDispatch> dispatch;
    ASSERT_EQ(CoCreateInstance(CLSID_FlowClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               dispatch.putVoid()),
              S_OK);
    UINT count = 0;
    ASSERT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    Ref<ITypeInfo> info;
    EXPECT_EQ(dispatch->GetTypeInfo(1, 0x409, info.put()), DISP_E_BADINDEX);
    ASSERT_EQ(dispatch->GetTypeInfo(0, 0x409, info.put()), S_OK);
    TYPEATTR *attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualIID(attr->guid, IID__FlowClass));
    info->ReleaseTypeAttr(attr);
}

TEST_F(Client, FileVersionIsTheBuildsVersion)
{
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(DllPath().c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(DllPath().c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void **>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(TARNWELL_VERSION_MINOR, TARNWELL_VERSION_MAJOR));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);

    wchar_t *text = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\FileVersion",
                               reinterpret_cast<void **>(&text), &length));
    EXPECT_EQ(Narrow(text), TARNWELL_VERSION_TEXT);
}

// Each object carries only its own state: after different first calls the same failing
// call gives each object the answer a lone object with that history gives.
TEST_F(Client, ObjectsKeepSeparateState)
{
    Ref<_FlowClass> a, b;
    Create(a);
    Create(b);
    Calc(a.get(), kTypical);
    Calc(b.get(), kOther);
    const double aFailed = Calc(a.get(), kMeterZero);
    const double bFailed = Calc(b.get(), kMeterZero);
    EXPECT_NE(aFailed, bFailed);

    for (const auto &[first, seen] : {std::pair{kTypical, aFailed}, std::pair{kOther, bFailed}}) {
        Ref<_FlowClass> lone;
        Create(lone);
        Calc(lone.get(), first);
        EXPECT_EQ(Calc(lone.get(), kMeterZero), seen);
    }
    // And a new object has nothing to fall back on.
    EXPECT_EQ(FreshCalc(kMeterZero), 0);
}

// A client in another apartment reaches the object through the type-library marshaler.
struct OtherApartment
{
    IStream *stream = nullptr;
    HRESULT unmarshal = E_FAIL;
    HRESULT call = E_FAIL;
    double result = -1;

    static DWORD WINAPI Run(void *context)
    {
        auto *self = static_cast<OtherApartment *>(context);
        Apartment mta(COINIT_MULTITHREADED);
        Ref<_FlowClass> proxy;
        self->unmarshal =
            CoGetInterfaceAndReleaseStream(self->stream, IID__FlowClass, proxy.putVoid());
        if (SUCCEEDED(self->unmarshal))
            self->call =
                proxy->CalcFlow(kTypical.meter, kTypical.plate, kTypical.gravity, kTypical.temp,
                                kTypical.pressure, kTypical.difference, &self->result);
        return 0;
    }
};

TEST_F(Client, CallsCrossApartments)
{
    Ref<_FlowClass> flow;
    Create(flow);
    OtherApartment other;
    ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(IID__FlowClass, flow.get(), &other.stream),
              S_OK);
    HANDLE thread = CreateThread(nullptr, 0, &OtherApartment::Run, &other, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    // The object lives in this single-threaded apartment: serve its calls until done.
    DWORD index = 0;
    const HRESULT waited = CoWaitForMultipleHandles(0, 30000, 1, &thread, &index);
    CloseHandle(thread);
    ASSERT_EQ(waited, S_OK);
    ASSERT_EQ(other.unmarshal, S_OK);
    ASSERT_EQ(other.call, S_OK);
    EXPECT_EQ(other.result, FreshCalc(kTypical));
}

// What a host sees of its floating-point environment: MXCSR whole (doubles run there) and
// the x87 unit's control word and exception flags (MinGW's maths routines use it).
struct FloatingPointState
{
    unsigned mxcsr = 0;
    std::uint16_t x87Control = 0;
    std::uint16_t x87Flags = 0;
    bool operator==(const FloatingPointState &) const = default;
};

std::ostream &operator<<(std::ostream &out, const FloatingPointState &s)
{
    return out << std::hex << "mxcsr " << s.mxcsr << ", x87 control " << s.x87Control
               << ", x87 flags " << s.x87Flags << std::dec;
}

FloatingPointState ReadFloatingPoint()
{
    FloatingPointState s;
    s.mxcsr = _mm_getcsr();
    std::uint16_t status = 0;
    __asm__ __volatile__("fnstcw %0" : "=m"(s.x87Control));
    __asm__ __volatile__("fnstsw %0" : "=m"(status));
    s.x87Flags = status & 0x3f;
    return s;
}

// Sets both units' masks as in s and clears their flags.
void ResetFloatingPoint(const FloatingPointState &s)
{
    _mm_setcsr(s.mxcsr & ~0x3fu);
    __asm__ __volatile__("fnclex\n\tfldcw %0" : : "m"(s.x87Control));
}

constexpr unsigned kFailures = 0x01 | 0x04 | 0x08; // invalid, divide-by-zero, overflow

void UnmaskFailureTraps()
{
    // The SSE masks sit seven bits above the flags; x87 masks and flags share positions.
    _mm_setcsr(_mm_getcsr() & ~(kFailures << 7));
    FloatingPointState s = ReadFloatingPoint();
    s.x87Control &= ~kFailures;
    __asm__ __volatile__("fldcw %0" : : "m"(s.x87Control));
}

void RaiseInvalidFlag()
{
    _mm_setcsr(_mm_getcsr() | 0x01);
    std::feraiseexcept(FE_INVALID); // MinGW raises it on the x87 unit
}

// A host with traps unmasked or flags of its own up gets the same results as any other and
// its environment back as it was after every call.
TEST_F(Client, CallerFloatingPointEnvironmentIsKept)
{
    const Inputs calls[] = {
        kTypical, kMeterZero, {1e-300, 1e300, 0.6, 60, 500, 3.6}, {4.026, 2.0, 0.6, 60, 500, -1.5}};
    std::vector<double> expected;
    {
        Ref<_FlowClass> flow;
        Create(flow);
        for (const Inputs &in : calls)
            expected.push_back(Calc(flow.get(), in));
    }
    EXPECT_EQ(expected[3], 0);

    const FloatingPointState plain = ReadFloatingPoint();
    const struct
    {
        const char *what;
        void (*apply)();
    } hosts[] = {{"traps unmasked", UnmaskFailureTraps}, {"invalid flag up", RaiseInvalidFlag}};
    for (const auto &host : hosts) {
        SCOPED_TRACE(host.what);
        Ref<_FlowClass> flow;
        Create(flow);
        std::vector<double> flows;
        std::vector<FloatingPointState> after;
        flows.reserve(std::size(calls));
        after.reserve(std::size(calls));
        ResetFloatingPoint(plain);
        host.apply();
        const FloatingPointState before = ReadFloatingPoint();
        for (const Inputs &in : calls) {
            flows.push_back(Calc(flow.get(), in));
            after.push_back(ReadFloatingPoint());
        }
        ResetFloatingPoint(plain);
        EXPECT_NE(before, plain) << "the host's change did not take";
        EXPECT_EQ(flows, expected);
        for (size_t i = 0; i < after.size(); ++i)
            EXPECT_EQ(after[i], before) << "after call " << i;
    }
}

// --- The shared case table ------------------------------------------------------------

struct Case
{
    int line;
    std::string label, object;
    Inputs in;
    double flow;
};

std::string Text(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

bool ParseDouble(const std::string &text, double &value)
{
    const char *end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

std::vector<Case> ReadCases(const std::string &path, std::string &error)
{
    std::ifstream file(path);
    if (!file) {
        error = "cannot read " + path;
        return {};
    }
    std::vector<Case> cases;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (number == 1 || line.empty())
            continue;
        std::vector<std::string> fields;
        std::stringstream stream(line);
        for (std::string field; std::getline(stream, field, ',');)
            fields.push_back(field);
        Case c{number, {}, {}, {}, 0};
        double v[7] = {};
        bool ok = fields.size() == 9;
        for (int i = 0; ok && i < 7; ++i)
            ok = ParseDouble(fields[2 + i], v[i]);
        if (!ok) {
            error = path + ":" + std::to_string(number) + ": malformed row";
            return {};
        }
        c.label = fields[0];
        c.object = fields[1];
        c.in = {v[0], v[1], v[2], v[3], v[4], v[5]};
        c.flow = v[6];
        cases.push_back(c);
    }
    return cases;
}

TEST_F(Client, SharedCaseTableMatchesTheLinuxLibrary)
{
    std::string error;
    const std::vector<Case> cases = ReadCases(TestOperands().at(1), error);
    ASSERT_TRUE(error.empty()) << error;
    ASSERT_GE(cases.size(), 10u);

    std::map<std::string, Ref<_FlowClass>> objects;
    for (const Case &c : cases) {
        Ref<_FlowClass> &flow = objects[c.object];
        if (!flow)
            Create(flow);
        ASSERT_TRUE(flow);
        const double actual = Calc(flow.get(), c.in);
        EXPECT_TRUE(SameFlow(c.flow, actual))
            << "line " << c.line << " (" << c.label << "): expected " << Text(c.flow) << ", got "
            << Text(actual);
    }
}

} // namespace

int main(int argc, char **argv)
{
    return RunTests(argc, argv, "client_test <Tarnwell.dll> <expected cases.csv>", 2);
}
