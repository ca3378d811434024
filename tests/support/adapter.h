#pragma once
// The built adapter as a host sees it: loaded once per test program with dlopen from
// KVOM_ADAPTER_PATH and kept loaded, its six exports and its entry routine as typed pointers, and
// helpers that call the exports with the host's convention (every argument by pointer, the text
// lengths by value at the end).
//
// The stand-ins are shared libraries that the test and the adapter both link, so the test controls
// and inspects the same stand-in state that the adapter uses. The adapter keeps its own state
// (engine registry, run paths) from call to call as well: a test that needs a fresh registry calls
// callExit() first.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace kvom::test {

using InputExport = void (*)(const std::int64_t*, const char*, const std::int64_t*, const std::int64_t*,
                             const std::int64_t*, const void*, const void*, char*, const char*, std::int64_t*,
                             std::int64_t, std::int64_t, std::int64_t);
using ExecuteExport = void (*)(const std::int64_t*, const char*, const std::int64_t*, std::int64_t*,
                               const std::int64_t*, const void*, const void*, char*, const char*, std::int64_t*,
                               std::int64_t*, std::int64_t, std::int64_t, std::int64_t);
using OutputExport = void (*)(const std::int64_t*, const char*, const std::int64_t*, std::int64_t*, const std::int64_t*,
                              const double*, const void*, char*, const char*, std::int64_t*, std::int64_t, std::int64_t,
                              std::int64_t);
using HeatingCurveExport = void (*)(const std::int64_t*, const std::int64_t*, const char*, const std::int64_t*,
                                    std::int64_t*, const std::int64_t*, double*, const std::int64_t*, const char*,
                                    std::int64_t*, std::int64_t, std::int64_t);
using MultiCaseExport = void (*)(char*, char*, const char*, std::int64_t*, std::int64_t, std::int64_t, std::int64_t);
using ExitExport = void (*)();
using EntryRoutine = std::int32_t (*)(void*, std::uint32_t, void*);

struct AdapterExports {
  InputExport input;                // KLOM_WEXA_INPUT
  ExecuteExport execute;            // KLOM_WEXA_EXECUTE
  OutputExport output;              // KLOM_WEXA_OUTPUT
  HeatingCurveExport heatingCurve;  // KLOM_WEXA_HCURVE
  MultiCaseExport multiCase;        // KLOM_SETMULTICASEINFO
  ExitExport exit;                  // KLOM_WEXA_EXIT
  EntryRoutine dllMain;             // DllMain
  void* loadAddress;                // the library's load address (its module handle)
};

// Loads the adapter on first use; throws std::runtime_error when it or an export is missing.
const AdapterExports& adapter();

// A text of the host: its characters blank padded (or cut) to the declared length, no terminator.
class HostText {
 public:
  HostText(std::string_view text, std::size_t length);
  char* data() { return chars_.data(); }
  const char* data() const { return chars_.data(); }
  std::int64_t length() const { return static_cast<std::int64_t>(chars_.size()); }
  std::string_view view() const { return chars_; }
  std::string_view trimmed() const;

 private:
  std::string chars_;
};

// The host's identifier array: count elements of length characters each, numbered from 1, blank
// at construction.
class HostIdentifierArray {
 public:
  HostIdentifierArray(std::size_t count, std::size_t length);
  void set(std::size_t n, std::string_view text);
  const char* data() const { return chars_.data(); }
  std::int64_t count() const { return static_cast<std::int64_t>(count_); }
  std::int64_t length() const { return static_cast<std::int64_t>(length_); }

 private:
  std::size_t count_;
  std::size_t length_;
  std::string chars_;
};

// Calls of the exports. The size arguments are the identifier count and the sizes of the option
// and level arrays; the unused arguments are null (the output export's real is 0).
void callInput(const HostIdentifierArray& identifiers, HostText& casePath, const HostText& blockKey,
               std::int64_t& status);
void callExecute(const HostIdentifierArray& identifiers, std::span<std::int64_t> options, HostText& casePath,
                 const HostText& blockKey, std::int64_t& messageCount, std::span<std::int64_t> messageNumbers);
void callOutput(const HostIdentifierArray& identifiers, std::span<std::int64_t> options, HostText& casePath,
                const HostText& blockKey, std::int64_t& status);
void callHeatingCurve(std::int64_t side, const HostIdentifierArray& identifiers, std::span<std::int64_t> options,
                      std::span<double> levels, std::int64_t& status);
void callMultiCase(HostText& first, HostText& second, const HostText& blockKey, std::int64_t& status);
void callExit();

// A fresh directory below this machine's temp directory, removed with its contents at the end.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  ~ScratchDirectory();
  const std::filesystem::path& path() const { return path_; }
  // Creates a file (and its missing directories) below the directory; returns its path.
  std::filesystem::path write(const std::filesystem::path& relative, std::string_view content = "") const;

 private:
  std::filesystem::path path_;
};

}  // namespace kvom::test
