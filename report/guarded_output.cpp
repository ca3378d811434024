#include "report/guarded_output.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/windows/file_identity.h"
#include "platform/windows/files.h"

namespace kvom::report {

using namespace platform::win;

namespace {

// Names tried for a replacement, in its target's folder: ~KVOM1 ... ~KVOM99. They are short, so
// that a target whose name is as long as a file name may be has a replacement too.
constexpr std::string_view kReplacementStem = "~KVOM";
constexpr int kReplacementNames = 99;

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The names that outputs with a stream use, for the whole process: their targets and the
// replacement files they write. Names are compared as spelt, except that '/' counts as '\\' and
// ASCII letters count without their case, as Windows names do: "C:\\Case\\~KVOM1" and
// "c:/case/~kvom1" are one name, while the same file reached through another spelling of its
// folder (".\\", a relative path) is not recognised. The library writes from one thread only, so the
// list takes no lock.
enum class Use { kTarget, kReplacement };

struct LiveName {
  std::string key;
  Use use;
};

std::vector<LiveName>& liveNames() {
  static std::vector<LiveName> names;
  return names;
}

std::string nameKey(std::string_view path) {
  std::string key(path);
  for (char& c : key) {
    if (c == '/') {
      c = '\\';
    } else if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return key;
}

bool inUse(std::string_view path, Use use) {
  const std::string key = nameKey(path);
  return std::any_of(liveNames().begin(), liveNames().end(),
                     [&](const LiveName& name) { return name.use == use && name.key == key; });
}

void hold(std::string_view path, Use use) { liveNames().push_back({nameKey(path), use}); }

// Forgets one use of the name: two outputs may append to one target.
void letGo(std::string_view path, Use use) {
  std::vector<LiveName>& names = liveNames();
  const std::string key = nameKey(path);
  const auto it = std::find_if(names.begin(), names.end(),
                               [&](const LiveName& name) { return name.use == use && name.key == key; });
  if (it != names.end()) names.erase(it);
}

// An open handle of a file, closed on every way out.
class FileHandle {
 public:
  FileHandle(const std::string& path, DWORD access)
      : handle_(CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() {
    if (open()) CloseHandle(handle_);
  }
  bool open() const { return handle_ != INVALID_HANDLE_VALUE; }
  // The volume serial number and file index that tell the file, or none.
  std::optional<std::array<DWORD, 3>> identity() const {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!open() || GetFileInformationByHandle(handle_, &information) == FALSE) return std::nullopt;
    return std::array<DWORD, 3>{information.dwVolumeSerialNumber, information.nFileIndexHigh,
                                information.nFileIndexLow};
  }
  // Moves the file pointer; the new position, or none.
  std::optional<std::uint64_t> seek(std::uint64_t distance, DWORD method) const {
    auto high = static_cast<LONG>(distance >> 32);
    const DWORD low = SetFilePointer(handle_, static_cast<LONG>(distance & 0xFFFFFFFFu), &high, method);
    if (low == INVALID_SET_FILE_POINTER) return std::nullopt;
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32 | low;
  }
  bool cutHere() const { return SetEndOfFile(handle_) != FALSE; }

 private:
  HANDLE handle_;
};

// The folder part of a path, up to and with its last separator (or drive colon); empty for a bare name.
std::string folderOf(const std::string& path) {
  const std::size_t end = path.find_last_of("\\/:");
  return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

// Creates an empty file under a name no file has, in the target's folder, and gives its path; none
// when every name is taken or the folder takes no new file. The file is created exclusively, so
// that a file another writer makes meanwhile under the same name is never taken over. The target
// itself and the targets of live outputs are skipped too, though they have no file yet: a
// replacement there would show under the target's name before it is whole, or be moved over by
// the other output's commit.
std::optional<std::string> claimFreeName(const std::string& target) {
  const std::string folder = folderOf(target);
  const std::string targetKey = nameKey(target);
  for (int n = 1; n <= kReplacementNames; ++n) {
    std::string name = folder + std::string(kReplacementStem) + std::to_string(n);
    if (exists(name) || nameKey(name) == targetKey || inUse(name, Use::kTarget)) continue;
    const HANDLE file =
        CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return name;
    }
    if (!exists(name)) return std::nullopt;
  }
  return std::nullopt;
}

// Whether a file written beside the target may take its place: there is none yet, or it is a file
// that can be opened for writing (not a folder, not a read-only file).
bool replaceable(const std::string& target) {
  const DWORD attributes = GetFileAttributesA(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && FileHandle(target, GENERIC_WRITE).open();
}

}  // namespace

bool SameFile(const char* first, const char* second) {
  if (first == nullptr || second == nullptr) return false;
  const auto a = FileHandle(first, GENERIC_READ).identity();
  return a && a == FileHandle(second, GENERIC_READ).identity();
}

FileMark::FileMark(std::string path) : path_(std::move(path)) {
  if (!exists(path_)) {
    usable_ = true;
    return;
  }
  const FileHandle file(path_, GENERIC_READ);
  if (!file.open()) return;
  length_ = file.seek(0, FILE_END);
  usable_ = length_.has_value();
}

bool FileMark::restore() const {
  if (!usable_) return false;
  if (!length_) return !exists(path_) || DeleteFileA(path_.c_str()) != FALSE;
  const FileHandle file(path_, GENERIC_WRITE);
  return file.open() && file.seek(*length_, FILE_BEGIN) == length_ && file.cutHere();
}

GuardedOutput::GuardedOutput(std::string target, std::string written, std::optional<FileMark> mark, std::FILE* file)
    : target_(std::move(target)), written_(std::move(written)), mark_(std::move(mark)), file_(file) {
  if (!file_) return;
  hold(target_, Use::kTarget);
  if (!mark_) hold(written_, Use::kReplacement);
  holdsNames_ = true;
}

GuardedOutput::GuardedOutput(GuardedOutput&& other) noexcept
    : target_(std::move(other.target_)),
      written_(std::move(other.written_)),
      mark_(std::move(other.mark_)),
      file_(std::move(other.file_)),
      holdsNames_(std::exchange(other.holdsNames_, false)),
      targetRefused_(other.targetRefused_) {}

GuardedOutput GuardedOutput::append(std::string target, const char* mode) {
  // Another output's replacement in the making is not appended to: its commit would carry the
  // appended bytes to that output's target.
  if (inUse(target, Use::kReplacement)) return {std::move(target), {}, std::nullopt, nullptr};
  FileMark mark(target);
  std::FILE* file = mark.usable() ? platform::crt::openFile(target.c_str(), mode) : nullptr;
  std::string written = target;
  return {std::move(target), std::move(written), std::move(mark), file};
}

GuardedOutput GuardedOutput::replace(std::string target, const char* mode) {
  // A target that could not be written, or that another output writes as its replacement (this
  // commit would move a file over it, and that commit this one's file away), is refused before
  // anything is written beside it.
  std::optional<std::string> replacement =
      !inUse(target, Use::kReplacement) && replaceable(target) ? claimFreeName(target) : std::nullopt;
  if (!replacement) return {std::move(target), {}, std::nullopt, nullptr};
  std::FILE* file = platform::crt::openFile(replacement->c_str(), mode);
  if (file == nullptr) platform::crt::removeFile(replacement->c_str());
  return {std::move(target), std::move(*replacement), std::nullopt, file};
}

GuardedOutput::~GuardedOutput() { discard(); }

bool GuardedOutput::commit() {
  if (!file_) return false;
  const bool written = std::ferror(file_.get()) == 0;
  const bool closed = std::fclose(file_.release()) == 0;
  bool done = written && closed;
  if (done && !mark_) {
    // The replacement is whole: only the target's name can refuse it now.
    done = MoveFileExA(written_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    targetRefused_ = !done;
  }
  if (!done) undo();
  release();
  return done;
}

void GuardedOutput::discard() {
  if (!file_) return;
  file_.reset();
  undo();
  release();
}

void GuardedOutput::release() {
  if (!holdsNames_) return;
  letGo(target_, Use::kTarget);
  if (!mark_) letGo(written_, Use::kReplacement);
  holdsNames_ = false;
}

void GuardedOutput::undo() {
  if (mark_) {
    mark_->restore();
  } else {
    platform::crt::removeFile(written_.c_str());
  }
}

}  // namespace kvom::report
