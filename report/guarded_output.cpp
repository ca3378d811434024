#include "report/guarded_output.h"

#include <array>
#include <string_view>
#include <utility>

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
// that a file another writer makes meanwhile under the same name is never taken over.
std::optional<std::string> claimFreeName(const std::string& target) {
  const std::string folder = folderOf(target);
  for (int n = 1; n <= kReplacementNames; ++n) {
    std::string name = folder + std::string(kReplacementStem) + std::to_string(n);
    if (exists(name)) continue;
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
    : target_(std::move(target)), written_(std::move(written)), mark_(std::move(mark)), file_(file) {}

GuardedOutput GuardedOutput::append(std::string target, const char* mode) {
  FileMark mark(target);
  std::FILE* file = mark.usable() ? platform::crt::openFile(target.c_str(), mode) : nullptr;
  std::string written = target;
  return {std::move(target), std::move(written), std::move(mark), file};
}

GuardedOutput GuardedOutput::replace(std::string target, const char* mode) {
  // A target that could not be written is refused before anything is written beside it.
  std::optional<std::string> replacement = replaceable(target) ? claimFreeName(target) : std::nullopt;
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
  if (written && closed &&
      (mark_ || MoveFileExA(written_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE)) {
    return true;
  }
  undo();
  return false;
}

void GuardedOutput::discard() {
  if (!file_) return;
  file_.reset();
  undo();
}

void GuardedOutput::undo() {
  if (mark_) {
    mark_->restore();
  } else {
    platform::crt::removeFile(written_.c_str());
  }
}

}  // namespace kvom::report
