#include "report/guarded_output.h"

#include <utility>

#include "platform/windows/file_identity.h"
#include "platform/windows/files.h"

namespace kvom::report {

using namespace platform::win;

namespace {

// Names tried beside a target for its replacement: target~1 ... target~99.
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

}  // namespace

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
  for (int n = 1; n <= kReplacementNames; ++n) {
    std::string replacement = target + "~" + std::to_string(n);
    if (exists(replacement)) continue;
    std::FILE* file = platform::crt::openFile(replacement.c_str(), mode);
    return {std::move(target), std::move(replacement), std::nullopt, file};
  }
  return {std::move(target), {}, std::nullopt, nullptr};
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
