#pragma once
// The little of COM the control module and its host share: result codes,
// the base interface with reference counting, the class factory and the
// object-safety interface, with the values and interface ids of Windows.
// Objects are used on the thread that created them (apartment threading);
// only the reference counts are safe across threads.
#include <cstdint>

#include "platform/Guid.h"
#include "platform/WinTypes.h"

namespace com {

using HRESULT = std::int32_t;
using REFGUID = const win::GUID&;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr HRESULT SELFREG_E_TYPELIB = static_cast<HRESULT>(0x80040200u);
constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201u);

constexpr bool SUCCEEDED(HRESULT result) {
    return result >= 0;
}
constexpr bool FAILED(HRESULT result) {
    return result < 0;
}

// IObjectSafety option bits.
constexpr win::DWORD INTERFACESAFE_FOR_UNTRUSTED_CALLER = 0x1;
constexpr win::DWORD INTERFACESAFE_FOR_UNTRUSTED_DATA = 0x2;

// {00000000-0000-0000-C000-000000000046}
inline constexpr win::GUID IID_IUnknown{
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {00000001-0000-0000-C000-000000000046}
inline constexpr win::GUID IID_IClassFactory{
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {CB5BDC81-93C1-11CF-8F20-00805F2CD064}
inline constexpr win::GUID IID_IObjectSafety{
    0xCB5BDC81, 0x93C1, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};

class IUnknown {
public:
    // Gives the object's interface `iid` in *object, counted; E_NOINTERFACE
    // (and null) when it has none, E_POINTER when `object` is null.
    virtual HRESULT QueryInterface(REFGUID iid, void** object) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    ~IUnknown() = default;  // objects go through Release, never delete
};

class IClassFactory : public IUnknown {
public:
    // `outer` must be null: the module's classes cannot be aggregated.
    virtual HRESULT CreateInstance(IUnknown* outer, REFGUID iid, void** object) = 0;
    // Keeps the module loaded while the host wants to create more objects.
    virtual HRESULT LockServer(win::BOOL lock) = 0;

protected:
    ~IClassFactory() = default;
};

class IObjectSafety : public IUnknown {
public:
    virtual HRESULT GetInterfaceSafetyOptions(REFGUID iid, win::DWORD* supported,
                                              win::DWORD* enabled) = 0;
    virtual HRESULT SetInterfaceSafetyOptions(REFGUID iid, win::DWORD optionSetMask,
                                              win::DWORD enabledOptions) = 0;

protected:
    ~IObjectSafety() = default;
};

}  // namespace com
