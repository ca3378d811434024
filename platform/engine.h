#pragma once
// The rating engine, an automation server: its application, data, collection and variable
// interfaces with their operations in the engine's order. Every operation returns a result code.
// Texts cross as counted wide strings; an out text is a new string that the caller frees.

#include <cstdint>

#include "platform/com.h"

namespace platform {

// The engine's class as it is registered with the object library, and its interfaces.
inline constexpr CLSID CLSID_WexaEngine = {0x6B2E41D0, 0x93A7, 0x4C15, {0x8E, 0x21, 0x5D, 0x47, 0x0A, 0x6C, 0x3F, 0x90}};
inline constexpr IID IID_EngineApplication = {0x6B2E41D1, 0x93A7, 0x4C15, {0x8E, 0x21, 0x5D, 0x47, 0x0A, 0x6C, 0x3F, 0x90}};
inline constexpr IID IID_EngineData = {0x6B2E41D2, 0x93A7, 0x4C15, {0x8E, 0x21, 0x5D, 0x47, 0x0A, 0x6C, 0x3F, 0x90}};
inline constexpr IID IID_VariableCollection = {0x6B2E41D3, 0x93A7, 0x4C15, {0x8E, 0x21, 0x5D, 0x47, 0x0A, 0x6C, 0x3F, 0x90}};
inline constexpr IID IID_ScalarVariable = {0x6B2E41D4, 0x93A7, 0x4C15, {0x8E, 0x21, 0x5D, 0x47, 0x0A, 0x6C, 0x3F, 0x90}};
inline constexpr IID IID_ArrayVariable = {0x6B2E41D5, 0x93A7, 0x4C15, {0x8E, 0x21, 0x5D, 0x47, 0x0A, 0x6C, 0x3F, 0x90}};

struct ScalarVariable : IUnknown {
  virtual HRESULT GetValueText(BSTR* text) = 0;
  virtual HRESULT SetValueText(BSTR text) = 0;
  virtual HRESULT SetValueState(std::int64_t state) = 0;
  virtual HRESULT ClearValue() = 0;

 protected:
  ~ScalarVariable() = default;
};

// Elements are numbered from 1.
struct ArrayVariable : IUnknown {
  virtual HRESULT GetElementText(std::int16_t index, BSTR* text) = 0;
  virtual HRESULT SetElementText(std::int16_t index, BSTR text) = 0;
  virtual HRESULT GetElementString(std::int16_t index, BSTR* text) = 0;
  virtual HRESULT SetElementState(std::int16_t index, std::int64_t state) = 0;
  virtual HRESULT ResetBothSides(std::int16_t first, std::int16_t second) = 0;
  virtual HRESULT GetElementCount(std::int16_t* count) = 0;
  virtual HRESULT ResetSide(std::int16_t* side, std::int16_t second) = 0;
  virtual HRESULT ResetSideReference(std::int16_t* side, std::int16_t second) = 0;

 protected:
  ~ArrayVariable() = default;
};

// GetItem yields null for a name the engine does not have; otherwise an object that answers
// QueryInterface for IID_ScalarVariable (scalar collections) or IID_ArrayVariable (array
// collections).
struct VariableCollection : IUnknown {
  virtual HRESULT GetItem(BSTR name, IUnknown** item) = 0;

 protected:
  ~VariableCollection() = default;
};

struct EngineData : IUnknown {
  virtual HRESULT GetInputArrays(VariableCollection** collection) = 0;
  virtual HRESULT GetInputScalars(VariableCollection** collection) = 0;
  virtual HRESULT GetOutputArrays(VariableCollection** collection) = 0;
  virtual HRESULT GetOutputScalars(VariableCollection** collection) = 0;

 protected:
  ~EngineData() = default;
};

struct EngineApplication : IUnknown {
  virtual HRESULT SetOperatingMode(std::int16_t mode) = 0;
  virtual HRESULT Terminate() = 0;
  virtual HRESULT InitializeProgram(BSTR programName, std::int32_t first, std::int32_t second, EngineData** data) = 0;
  // May replace *casePath with a rewritten path (the old string is freed by the engine).
  virtual HRESULT SaveCase(BSTR* casePath, std::int16_t* flag, std::int16_t* result) = 0;
  virtual HRESULT OpenCase(BSTR casePath, std::int32_t zero, std::int32_t* result) = 0;
  virtual HRESULT RunProgram(BSTR programName, std::int16_t zero) = 0;
  virtual HRESULT RefreshCase() = 0;
  // Either text may be replaced (the old string is freed by the engine).
  virtual HRESULT SetMultiCaseInfo(BSTR* first, BSTR* second) = 0;

 protected:
  ~EngineApplication() = default;
};

}  // namespace platform
