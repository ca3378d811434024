#include "standins/engine/engine_objects.h"

#include <cctype>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "common/fixed_text.h"
#include "platform/com_ptr.h"
#include "platform/engine.h"
#include "standins/com/com_standin.h"
#include "standins/engine/calculation.h"
#include "standins/engine/case_file.h"
#include "standins/engine/catalogue.h"
#include "standins/engine/engine_state.h"
#include "standins/host/host_standin.h"
#include "standins/windows/windows_standin.h"

namespace standins::engine::detail {
namespace {

using platform::BSTR;
using platform::E_FAIL;
using platform::E_INVALIDARG;
using platform::E_NOINTERFACE;
using platform::E_POINTER;
using platform::HRESULT;
using platform::IID;
using platform::S_FALSE;
using platform::S_OK;

std::string toText(BSTR text) { return text == nullptr ? std::string() : com::fromString(text); }
BSTR toEngineString(std::string_view text) { return com::allocString(text); }

void append(std::string& entry, std::string_view text) {
  entry += ' ';
  entry += text;
}
void append(std::string& entry, std::int64_t number) {
  entry += ' ';
  entry += std::to_string(number);
}

// The start every operation shares: the host's armed fault, the log entry, then the terminated
// engine and an injected failure, either of which makes the operation fail before it changes
// anything.
template <typename... Args>
HRESULT begin(const Engine& engine, std::string_view operation, const Args&... args) {
  host::raiseIfArmed(operation);
  Control& record = control();
  if (record.logging) {
    std::string entry = engine.prefix;
    entry += operation;
    (append(entry, args), ...);
    record.log.push_back(std::move(entry));
  }
  if (engine.terminated) return E_FAIL;
  if (record.failureDue(operation)) return E_FAIL;
  return S_OK;
}

// Reference counting and QueryInterface for an object that offers one interface besides
// IUnknown. Objects start with the one reference their creator holds.
template <typename Interface, const IID& kInterfaceId>
class Object : public Interface {
 public:
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  HRESULT QueryInterface(const IID& iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == platform::IID_IUnknown || iid == kInterfaceId) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  std::uint32_t AddRef() override { return ++references_; }
  std::uint32_t Release() override {
    const std::uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  explicit Object(std::shared_ptr<Engine> engine) : engine_(std::move(engine)) { ++control().liveObjects; }
  virtual ~Object() { --control().liveObjects; }

  std::uint32_t references() const { return references_; }
  Engine& engine() const { return *engine_; }
  const std::shared_ptr<Engine>& sharedEngine() const { return engine_; }

 private:
  std::shared_ptr<Engine> engine_;
  std::uint32_t references_ = 1;
};

// A text handed out; a forced text takes the place of an output's own.
HRESULT handOut(std::string_view text, BSTR* out) {
  *out = toEngineString(text);
  return *out == nullptr ? platform::E_OUTOFMEMORY : S_OK;
}

bool isOutput(Collection collection) {
  return collection == Collection::OutputScalars || collection == Collection::OutputArrays;
}

class Scalar final : public Object<platform::ScalarVariable, platform::IID_ScalarVariable> {
 public:
  Scalar(std::shared_ptr<Engine> engine, Collection collection, std::string name, Variable& variable)
      : Object(std::move(engine)), collection_(collection), name_(std::move(name)), value_(variable.scalar) {}

  HRESULT GetValueText(BSTR* text) override {
    if (text != nullptr) *text = nullptr;
    if (const HRESULT result = begin(engine(), "GetValueText", name_); result != S_OK) return result;
    if (text == nullptr) return E_POINTER;
    if (isOutput(collection_)) {
      if (const std::string* forced = control().forcedText(name_, 0)) return handOut(*forced, text);
    }
    return handOut(value_.text, text);
  }
  HRESULT SetValueText(BSTR text) override {
    std::string value = toText(text);
    if (const HRESULT result = begin(engine(), "SetValueText", name_, value); result != S_OK) return result;
    value_.text = std::move(value);
    return S_OK;
  }
  HRESULT SetValueState(std::int64_t state) override {
    if (const HRESULT result = begin(engine(), "SetValueState", name_, state); result != S_OK) return result;
    value_.state = state;
    return S_OK;
  }
  HRESULT ClearValue() override {
    if (const HRESULT result = begin(engine(), "ClearValue", name_); result != S_OK) return result;
    value_.clear();
    return S_OK;
  }

 private:
  Collection collection_;
  std::string name_;
  Value& value_;
};

class Array final : public Object<platform::ArrayVariable, platform::IID_ArrayVariable> {
 public:
  Array(std::shared_ptr<Engine> engine, Collection collection, std::string name, Variable& variable)
      : Object(std::move(engine)), collection_(collection), name_(std::move(name)), elements_(variable.elements) {}

  HRESULT GetElementText(std::int16_t index, BSTR* text) override { return get("GetElementText", index, text); }
  HRESULT GetElementString(std::int16_t index, BSTR* text) override { return get("GetElementString", index, text); }
  HRESULT SetElementText(std::int16_t index, BSTR text) override {
    std::string value = toText(text);
    if (const HRESULT result = begin(engine(), "SetElementText", name_, index, value); result != S_OK) return result;
    Value* element = at(index);
    if (element == nullptr) return E_INVALIDARG;
    element->text = std::move(value);
    return S_OK;
  }
  HRESULT SetElementState(std::int16_t index, std::int64_t state) override {
    if (const HRESULT result = begin(engine(), "SetElementState", name_, index, state); result != S_OK) return result;
    Value* element = at(index);
    if (element == nullptr) return E_INVALIDARG;
    element->state = state;
    return S_OK;
  }
  // Both sides: every element, whatever the two arguments.
  HRESULT ResetBothSides(std::int16_t first, std::int16_t second) override {
    if (const HRESULT result = begin(engine(), "ResetBothSides", name_, first, second); result != S_OK) return result;
    for (auto& element : elements_) element.clear();
    return S_OK;
  }
  HRESULT GetElementCount(std::int16_t* count) override {
    if (count != nullptr) *count = 0;
    if (const HRESULT result = begin(engine(), "GetElementCount", name_); result != S_OK) return result;
    if (count == nullptr) return E_POINTER;
    *count = static_cast<std::int16_t>(size());
    return S_OK;
  }
  HRESULT ResetSide(std::int16_t* side, std::int16_t second) override { return reset("ResetSide", side, second); }
  HRESULT ResetSideReference(std::int16_t* side, std::int16_t second) override {
    return reset("ResetSideReference", side, second);
  }

 private:
  std::size_t size() const { return std::min<std::size_t>(elements_.size(), std::numeric_limits<std::int16_t>::max()); }
  Value* at(std::int16_t index) {
    if (index < 1 || static_cast<std::size_t>(index) > size()) return nullptr;
    return &elements_[static_cast<std::size_t>(index) - 1];
  }

  HRESULT get(std::string_view operation, std::int16_t index, BSTR* text) {
    if (text != nullptr) *text = nullptr;
    if (const HRESULT result = begin(engine(), operation, name_, index); result != S_OK) return result;
    if (text == nullptr) return E_POINTER;
    const Value* element = at(index);
    if (element == nullptr) return E_INVALIDARG;
    if (isOutput(collection_)) {
      if (const std::string* forced = control().forcedText(name_, index)) return handOut(*forced, text);
    }
    return handOut(element->text, text);
  }

  // The heating-curve layout gives each side one half of an array: side 1 (hot) the first,
  // side 2 (cold) the second (reference pressures 1-5 / 6-10, points 1-120 / 121-240,
  // components 1-50 / 51-100).
  HRESULT reset(std::string_view operation, std::int16_t* side, std::int16_t second) {
    const std::string sideText = side == nullptr ? std::string("null") : std::to_string(*side);
    if (const HRESULT result = begin(engine(), operation, name_, sideText, second); result != S_OK) return result;
    if (side == nullptr) return E_POINTER;
    if (*side != 1 && *side != 2) return E_INVALIDARG;
    const std::size_t half = elements_.size() / 2;
    const std::size_t first = *side == 1 ? 0 : half;
    const std::size_t last = *side == 1 ? half : elements_.size();
    for (std::size_t i = first; i < last; ++i) elements_[i].clear();
    return S_OK;
  }

  Collection collection_;
  std::string name_;
  std::vector<Value>& elements_;
};

class Items final : public Object<platform::VariableCollection, platform::IID_VariableCollection> {
 public:
  Items(std::shared_ptr<Engine> engine, Collection collection) : Object(std::move(engine)), collection_(collection) {}

  // A name the engine does not have yields null and S_FALSE.
  HRESULT GetItem(BSTR name, platform::IUnknown** item) override {
    if (item != nullptr) *item = nullptr;
    const std::string text = toText(name);
    const std::string_view trimmed = kvom::trimRight(text);
    if (const HRESULT result = begin(engine(), "GetItem", collectionName(collection_), trimmed); result != S_OK) {
      return result;
    }
    if (item == nullptr) return E_POINTER;
    if (control().isDropped(collection_, trimmed)) return S_FALSE;
    Variable* variable = engine().find(collection_, trimmed);
    if (variable == nullptr) return S_FALSE;
    if (isArrayCollection(collection_)) {
      *item = new Array(sharedEngine(), collection_, std::string(trimmed), *variable);
    } else {
      *item = new Scalar(sharedEngine(), collection_, std::string(trimmed), *variable);
    }
    return S_OK;
  }

 private:
  Collection collection_;
};

class Data final : public Object<platform::EngineData, platform::IID_EngineData> {
 public:
  explicit Data(std::shared_ptr<Engine> engine) : Object(std::move(engine)) {}

  HRESULT GetInputArrays(platform::VariableCollection** out) override {
    return handOut("GetInputArrays", Collection::InputArrays, out);
  }
  HRESULT GetInputScalars(platform::VariableCollection** out) override {
    return handOut("GetInputScalars", Collection::InputScalars, out);
  }
  HRESULT GetOutputArrays(platform::VariableCollection** out) override {
    return handOut("GetOutputArrays", Collection::OutputArrays, out);
  }
  HRESULT GetOutputScalars(platform::VariableCollection** out) override {
    return handOut("GetOutputScalars", Collection::OutputScalars, out);
  }

 private:
  HRESULT handOut(std::string_view operation, Collection collection, platform::VariableCollection** out) {
    if (out != nullptr) *out = nullptr;
    if (const HRESULT result = begin(engine(), operation); result != S_OK) return result;
    if (out == nullptr) return E_POINTER;
    *out = new Items(sharedEngine(), collection);
    return S_OK;
  }
};

std::string upperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// Replaces an in-and-out text, freeing the old string.
HRESULT replaceText(BSTR* text, std::string_view value) {
  BSTR replacement = toEngineString(value);
  if (replacement == nullptr && !value.empty()) return platform::E_OUTOFMEMORY;
  SysFreeString(*text);
  *text = replacement;
  return S_OK;
}

class Application final : public Object<platform::EngineApplication, platform::IID_EngineApplication> {
 public:
  explicit Application(std::shared_ptr<Engine> engine) : Object(std::move(engine)) {
    this->engine().applicationReferences = 1;
  }
  ~Application() override { engine().applicationReferences = 0; }

  std::uint32_t AddRef() override {
    engine().applicationReferences = references() + 1;
    return Object::AddRef();
  }
  std::uint32_t Release() override {
    engine().applicationReferences = references() - 1;
    return Object::Release();
  }

  HRESULT SetOperatingMode(std::int16_t mode) override {
    if (const HRESULT result = begin(engine(), "SetOperatingMode", mode); result != S_OK) return result;
    engine().operatingMode = mode;
    return S_OK;
  }

  HRESULT Terminate() override {
    if (const HRESULT result = begin(engine(), "Terminate"); result != S_OK) return result;
    engine().terminated = true;
    return S_OK;
  }

  // Hands out the engine's one data object.
  HRESULT InitializeProgram(BSTR programName, std::int32_t first, std::int32_t second,
                            platform::EngineData** data) override {
    if (data != nullptr) *data = nullptr;
    if (const HRESULT result = begin(engine(), "InitializeProgram", toText(programName), first, second);
        result != S_OK) {
      return result;
    }
    if (data == nullptr) return E_POINTER;
    if (!data_) data_ = platform::ComPtr<platform::EngineData>::attach(new Data(sharedEngine()));
    data_->AddRef();
    *data = data_.get();
    return S_OK;
  }

  // *result: 1 when the case was written, 0 when not.
  HRESULT SaveCase(BSTR* casePath, std::int16_t* flag, std::int16_t* result) override {
    if (result != nullptr) *result = 0;
    const std::string path = casePath == nullptr ? std::string() : toText(*casePath);
    const std::string flagText = flag == nullptr ? std::string("null") : std::to_string(*flag);
    if (const HRESULT code = begin(engine(), "SaveCase", path, flagText); code != S_OK) return code;
    if (casePath == nullptr) return E_POINTER;
    const std::string target = control().saveRewrite.value_or(path);
    if (kvom::isBlank(target)) return E_INVALIDARG;
    if (!writeCaseFile(engine(), windows::toNativePath(kvom::trimRight(target)))) return E_FAIL;
    engine().casePath = target;
    if (target != path) {
      if (const HRESULT code = replaceText(casePath, target); code != S_OK) return code;
    }
    if (result != nullptr) *result = 1;
    return S_OK;
  }

  // *result: 1 when the case was read from the file, 2 when the file does not exist and an empty
  // case was started, 0 when nothing was opened.
  HRESULT OpenCase(BSTR casePath, std::int32_t, std::int32_t* result) override {
    if (result != nullptr) *result = 0;
    const std::string path = toText(casePath);
    if (const HRESULT code = begin(engine(), "OpenCase", path); code != S_OK) return code;
    if (kvom::isBlank(path)) return E_INVALIDARG;
    const CaseRead read = load(path);
    if (read == CaseRead::Unreadable) return E_FAIL;
    // A case opened anew has no results yet.
    engine().clear(Collection::OutputScalars);
    engine().clear(Collection::OutputArrays);
    engine().casePath = path;
    if (result != nullptr) *result = read == CaseRead::Loaded ? 1 : 2;
    return S_OK;
  }

  HRESULT RunProgram(BSTR programName, std::int16_t zero) override {
    if (const HRESULT result = begin(engine(), "RunProgram", toText(programName), zero); result != S_OK) {
      return result;
    }
    runCalculation(engine());
    return S_OK;
  }

  // Reads the inputs of the case file last opened or saved again; results stay.
  HRESULT RefreshCase() override {
    if (const HRESULT result = begin(engine(), "RefreshCase"); result != S_OK) return result;
    if (engine().casePath.empty()) return E_FAIL;
    return load(engine().casePath) == CaseRead::Unreadable ? E_FAIL : S_OK;
  }

  // Both texts come back without trailing blanks and in upper case.
  HRESULT SetMultiCaseInfo(BSTR* first, BSTR* second) override {
    const std::string firstText = first == nullptr ? std::string() : toText(*first);
    const std::string secondText = second == nullptr ? std::string() : toText(*second);
    if (const HRESULT result = begin(engine(), "SetMultiCaseInfo", firstText, secondText); result != S_OK) {
      return result;
    }
    if (first == nullptr || second == nullptr) return E_POINTER;
    std::pair<std::string, std::string> texts{upperCase(kvom::trimRight(firstText)),
                                              upperCase(kvom::trimRight(secondText))};
    if (const HRESULT result = replaceText(first, texts.first); result != S_OK) return result;
    if (const HRESULT result = replaceText(second, texts.second); result != S_OK) return result;
    engine().multiCaseInfo = std::move(texts);
    return S_OK;
  }

 private:
  // A missing file gives an empty case; an unreadable one changes nothing.
  CaseRead load(const std::string& path) {
    const CaseRead read = readCaseFile(engine(), windows::toNativePath(kvom::trimRight(path)));
    if (read == CaseRead::Missing) {
      engine().clear(Collection::InputScalars);
      engine().clear(Collection::InputArrays);
    }
    return read;
  }

  platform::ComPtr<platform::EngineData> data_;
};

}  // namespace

HRESULT createApplication(const IID& interfaceId, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!(interfaceId == platform::IID_IUnknown || interfaceId == platform::IID_EngineApplication)) {
    return E_NOINTERFACE;
  }
  Control& record = control();
  auto engine = std::make_shared<Engine>(static_cast<int>(record.engines.size()) + 1);
  record.engines.push_back(engine);
  *object = static_cast<platform::EngineApplication*>(new Application(std::move(engine)));
  return S_OK;
}

}  // namespace standins::engine::detail
