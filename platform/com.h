#pragma once
// The object library: initialisation, creation of objects by class identifier, reference
// counting, and counted wide strings with their conversion to and from the ANSI code page.

#include <cstddef>
#include <cstdint>

namespace platform {

using HRESULT = std::int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);

inline constexpr std::uint32_t CLSCTX_INPROC_SERVER = 0x1;
inline constexpr std::uint32_t CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr std::uint32_t CLSCTX_LOCAL_SERVER = 0x4;

struct GUID {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];
  friend bool operator==(const GUID&, const GUID&) = default;
};
static_assert(sizeof(GUID) == 16 && offsetof(GUID, data2) == 4 && offsetof(GUID, data3) == 6 &&
              offsetof(GUID, data4) == 8);
using CLSID = GUID;
using IID = GUID;

inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct IUnknown {
  virtual HRESULT QueryInterface(const IID& iid, void** object) = 0;
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;

 protected:
  ~IUnknown() = default;
};

using OLECHAR = char16_t;
using BSTR = OLECHAR*;

inline constexpr std::uint32_t CP_ACP = 0;
inline constexpr std::uint32_t MB_ERR_INVALID_CHARS = 0x8;

}  // namespace platform

extern "C" {

platform::HRESULT OleInitialize(void* reserved);
void OleUninitialize(void);
platform::HRESULT CoCreateInstance(const platform::CLSID& classId, platform::IUnknown* outer,
                                   std::uint32_t classContext, const platform::IID& interfaceId, void** object);

// Counted wide strings: a null BSTR is the empty string. SysAllocStringLen with a null text gives
// a string of that length whose characters the caller fills in.
platform::BSTR SysAllocStringLen(const platform::OLECHAR* text, std::uint32_t length);
void SysFreeString(platform::BSTR text);
std::uint32_t SysStringLen(platform::BSTR text);

// Code-page conversions. With a count of -1 the source is NUL-terminated (and the terminator is
// converted too). A destination size of 0 asks for the size needed. 0 means failure.
int MultiByteToWideChar(std::uint32_t codePage, std::uint32_t flags, const char* source, int sourceCount,
                        platform::OLECHAR* destination, int destinationCount);
int WideCharToMultiByte(std::uint32_t codePage, std::uint32_t flags, const platform::OLECHAR* source,
                        int sourceCount, char* destination, int destinationCount, const char* defaultChar,
                        int* usedDefaultChar);

}  // extern "C"
