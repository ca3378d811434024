#include "tests/support/adapter.h"

#include <dlfcn.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <string>

namespace kvom::test {

namespace {

template <typename Function>
Function resolve(void* library, const char* name) {
  void* symbol = dlsym(library, name);
  if (symbol == nullptr) throw std::runtime_error(std::string("adapter export missing: ") + name);
  return reinterpret_cast<Function>(symbol);
}

AdapterExports load() {
  void* library = dlopen(KVOM_ADAPTER_PATH, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) throw std::runtime_error(std::string("cannot load the adapter: ") + dlerror());
  AdapterExports exports{};
  exports.input = resolve<InputExport>(library, "KLOM_WEXA_INPUT");
  exports.execute = resolve<ExecuteExport>(library, "KLOM_WEXA_EXECUTE");
  exports.output = resolve<OutputExport>(library, "KLOM_WEXA_OUTPUT");
  exports.heatingCurve = resolve<HeatingCurveExport>(library, "KLOM_WEXA_HCURVE");
  exports.multiCase = resolve<MultiCaseExport>(library, "KLOM_SETMULTICASEINFO");
  exports.exit = resolve<ExitExport>(library, "KLOM_WEXA_EXIT");
  exports.dllMain = resolve<EntryRoutine>(library, "DllMain");
  Dl_info info{};
  exports.loadAddress = dladdr(reinterpret_cast<void*>(exports.exit), &info) != 0 ? info.dli_fbase : nullptr;
  return exports;
}

}  // namespace

const AdapterExports& adapter() {
  static const AdapterExports exports = load();
  return exports;
}

HostText::HostText(std::string_view text, std::size_t length) : chars_(length, ' ') {
  chars_.replace(0, std::min(text.size(), length), text.substr(0, length));
}

std::string_view HostText::trimmed() const {
  std::string_view text = chars_;
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

HostIdentifierArray::HostIdentifierArray(std::size_t count, std::size_t length)
    : count_(count), length_(length), chars_(count * length, ' ') {}

void HostIdentifierArray::set(std::size_t n, std::string_view text) {
  if (n < 1 || n > count_) throw std::out_of_range("identifier element outside the array");
  const std::string_view cut = text.substr(0, length_);
  std::string& chars = chars_;
  chars.replace((n - 1) * length_, cut.size(), cut);
  std::fill(chars.begin() + static_cast<std::ptrdiff_t>((n - 1) * length_ + cut.size()),
            chars.begin() + static_cast<std::ptrdiff_t>(n * length_), ' ');
}

void callInput(const HostIdentifierArray& identifiers, HostText& casePath, const HostText& blockKey,
               std::int64_t& status) {
  const std::int64_t count = identifiers.count();
  const std::int64_t none = 0;
  adapter().input(&count, identifiers.data(), &none, nullptr, &none, nullptr, nullptr, casePath.data(), blockKey.data(),
                  &status, identifiers.length(), casePath.length(), blockKey.length());
}

void callExecute(const HostIdentifierArray& identifiers, std::span<std::int64_t> options, HostText& casePath,
                 const HostText& blockKey, std::int64_t& messageCount, std::span<std::int64_t> messageNumbers) {
  const std::int64_t count = identifiers.count();
  const auto optionCount = static_cast<std::int64_t>(options.size());
  const auto messageSize = static_cast<std::int64_t>(messageNumbers.size());
  adapter().execute(&count, identifiers.data(), &optionCount, options.data(), &messageSize, nullptr, nullptr,
                    casePath.data(), blockKey.data(), &messageCount, messageNumbers.data(), identifiers.length(),
                    casePath.length(), blockKey.length());
}

void callOutput(const HostIdentifierArray& identifiers, std::span<std::int64_t> options, HostText& casePath,
                const HostText& blockKey, std::int64_t& status) {
  const std::int64_t count = identifiers.count();
  const auto optionCount = static_cast<std::int64_t>(options.size());
  const std::int64_t one = 1;
  const double unusedReal = 0.0;
  adapter().output(&count, identifiers.data(), &optionCount, options.data(), &one, &unusedReal, nullptr,
                   casePath.data(), blockKey.data(), &status, identifiers.length(), casePath.length(),
                   blockKey.length());
}

void callHeatingCurve(std::int64_t side, const HostIdentifierArray& identifiers, std::span<std::int64_t> options,
                      std::span<double> levels, std::int64_t& status) {
  const std::int64_t count = identifiers.count();
  const auto optionCount = static_cast<std::int64_t>(options.size());
  const auto levelCount = static_cast<std::int64_t>(levels.size());
  const std::int64_t none = 0;
  char unusedText = ' ';
  adapter().heatingCurve(&side, &count, identifiers.data(), &optionCount, options.data(), &levelCount, levels.data(),
                         &none, &unusedText, &status, identifiers.length(), 1);
}

void callMultiCase(HostText& first, HostText& second, const HostText& blockKey, std::int64_t& status) {
  adapter().multiCase(first.data(), second.data(), blockKey.data(), &status, first.length(), second.length(),
                      blockKey.length());
}

void callExit() { adapter().exit(); }

ScratchDirectory::ScratchDirectory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kvom-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a scratch directory");
  path_ = pattern;
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path ScratchDirectory::write(const std::filesystem::path& relative, std::string_view content) const {
  const std::filesystem::path file = path_ / relative;
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << content;
  return file;
}

}  // namespace kvom::test
