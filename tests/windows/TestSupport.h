#pragma once

#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwctype>
#include <string>
#include <vector>

// Owns one COM interface pointer.
template <class T> class Ref
{
public:
    Ref() = default;
    Ref(const Ref &) = delete;
    Ref &operator=(const Ref &) = delete;
    ~Ref() { reset(); }

    T *get() const { return p_; }
    T *operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out parameters; releases what was held first.
    T **put()
    {
        reset();
        return &p_;
    }
    void **putVoid() { return reinterpret_cast<void **>(put()); }
    void reset()
    {
        if (p_)
            p_->Release();
        p_ = nullptr;
    }

private:
    T *p_ = nullptr;
};

// One COM apartment for the current thread.
class Apartment
{
public:
    explicit Apartment(DWORD model = COINIT_APARTMENTTHREADED) : hr_(CoInitializeEx(nullptr, model))
    {
    }
    ~Apartment()
    {
        if (SUCCEEDED(hr_))
            CoUninitialize();
    }
    Apartment(const Apartment &) = delete;
    Apartment &operator=(const Apartment &) = delete;
    HRESULT result() const { return hr_; }

private:
    HRESULT hr_;
};

// Owns a BSTR.
class Bstr
{
public:
    Bstr() = default;
    Bstr(const Bstr &) = delete;
    Bstr &operator=(const Bstr &) = delete;
    ~Bstr() { SysFreeString(s_); }
    BSTR *put()
    {
        SysFreeString(s_);
        s_ = nullptr;
        return &s_;
    }
    std::wstring str() const { return s_ ? std::wstring(s_, SysStringLen(s_)) : std::wstring(); }

private:
    BSTR s_ = nullptr;
};

inline std::wstring Widen(const std::string &text)
{
    return std::wstring(text.begin(), text.end());
}

inline std::string Narrow(const std::wstring &text)
{
    std::string out;
    for (wchar_t c : text)
        out.push_back(c < 128 ? static_cast<char>(c) : '?');
    return out;
}

// Paths compared the way Windows resolves them: case-insensitive, either slash, with or
// without the \\?\ prefix Wine sometimes stores.
inline std::wstring ComparablePath(std::wstring path)
{
    if (path.rfind(L"\\\\?\\", 0) == 0)
        path.erase(0, 4);
    for (wchar_t &c : path)
        c = c == L'/' ? L'\\' : static_cast<wchar_t>(std::towlower(c));
    return path;
}

// Relative comparison for results of two different maths libraries.
inline bool SameFlow(double expected, double actual, double relative = 1e-12)
{
    if (expected == actual)
        return true;
    const double scale = std::max(std::abs(expected), std::abs(actual));
    return std::abs(expected - actual) <= relative * scale;
}

// The operands the test program was started with, once GoogleTest has taken its flags.
inline std::vector<std::string> &TestOperands()
{
    static std::vector<std::string> operands;
    return operands;
}

// Every test program's first operand: the DLL under test.
inline std::wstring DllPath()
{
    return Widen(TestOperands().at(0));
}

// The main() of the test programs: exactly operandCount operands after the GoogleTest
// flags, or the usage line and exit status 2.
inline int RunTests(int argc, char **argv, const char *usage, int operandCount)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != operandCount + 1) {
        std::fprintf(stderr, "usage: %s\n", usage);
        return 2;
    }
    TestOperands().assign(argv + 1, argv + argc);
    return RUN_ALL_TESTS();
}
