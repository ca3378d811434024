// Windows file services on this machine's file system, through the path mapping of the stand-in.

#include "platform/windows/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include "standins/host/host_standin.h"
#include "standins/windows/windows_standin.h"
#include "standins/windows/windows_state.h"

namespace fs = std::filesystem;
using namespace platform::win;
using standins::host::raiseIfArmed;
using standins::windows::toNativePath;
using standins::windows::detail::failsNow;
using standins::windows::detail::hex;
using standins::windows::detail::record;
using standins::windows::detail::state;
using standins::windows::detail::text;

namespace {

std::uintptr_t handleNumber(HANDLE handle) { return reinterpret_cast<std::uintptr_t>(handle); }

// Matches a file name against a pattern of * (any run of characters) and ? (any one character),
// case-sensitively.
bool matches(std::string_view pattern, std::string_view name) {
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t starAt = std::string_view::npos;
  std::size_t resumeAt = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starAt = p++;
      resumeAt = n;
    } else if (starAt != std::string_view::npos) {
      p = starAt + 1;
      n = ++resumeAt;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool pathExists(const fs::path& path) {
  std::error_code error;
  return fs::exists(path, error);
}

bool isRegularFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

// Copies the file's bytes; under a write limit the copy stops there and fails, leaving what it
// wrote, as a full disk does.
bool copyBytes(const fs::path& source, const fs::path& target) {
  const std::optional<std::uint64_t> limit = state().writeLimit;
  if (!limit) {
    std::error_code error;
    fs::copy_file(source, target, fs::copy_options::overwrite_existing, error);
    return !error;
  }
  std::ifstream in(source, std::ios::binary);
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  if (!in || !out) return false;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t written = std::min<std::uint64_t>(bytes.size(), *limit);
  out.write(bytes.data(), static_cast<std::streamsize>(written));
  return written == bytes.size() && out.good();
}

// A stream whose writes stop at the write limit, as on a full disk. It works through a stream of
// its own on the file and flushes that one after every write, so that what the outer stream hands
// on (at its flush, seek or close) reaches the file then, as without a limit, and a full disk
// shows at that call. Before a write that follows a read the inner stream seeks to where it
// stands, as C asks of a stream that turns from reading to writing; a read may follow a write
// directly, for the write was flushed.
struct LimitedFile {
  std::FILE* file;
  std::uint64_t room;
  bool reading = false;  // the last operation on the file was a read
};

ssize_t limitedWrite(void* cookie, const char* data, size_t size) {
  auto* limited = static_cast<LimitedFile*>(cookie);
  std::FILE* file = limited->file;
  if (limited->reading && fseeko(file, 0, SEEK_CUR) != 0) return -1;
  limited->reading = false;
  const std::size_t n = std::min<std::uint64_t>(size, limited->room);
  const std::size_t written = std::fwrite(data, 1, n, file);
  limited->room -= written;
  if (std::fflush(file) != 0) return -1;
  if (written < size) {
    if (written == n) errno = ENOSPC;
    return written > 0 ? static_cast<ssize_t>(written) : -1;
  }
  return static_cast<ssize_t>(written);
}

ssize_t limitedRead(void* cookie, char* data, size_t size) {
  auto* limited = static_cast<LimitedFile*>(cookie);
  limited->reading = true;
  const std::size_t got = std::fread(data, 1, size, limited->file);
  return got == 0 && std::ferror(limited->file) != 0 ? -1 : static_cast<ssize_t>(got);
}

// A seek by nothing from the current position is the outer stream asking where it stands: the
// inner stream tells it without a seek, which would drop what it has read ahead.
int limitedSeek(void* cookie, off64_t* offset, int whence) {
  auto* limited = static_cast<LimitedFile*>(cookie);
  std::FILE* file = limited->file;
  if (whence != SEEK_CUR || *offset != 0) {
    if (fseeko(file, *offset, whence) != 0) return -1;
    limited->reading = false;
  }
  *offset = ftello(file);
  return *offset < 0 ? -1 : 0;
}

int limitedClose(void* cookie) {
  std::unique_ptr<LimitedFile> limited(static_cast<LimitedFile*>(cookie));
  return std::fclose(limited->file);
}

void fill(const standins::windows::detail::Search& search, WIN32_FIND_DATAA* found) {
  const std::size_t at = search.next;
  *found = {};
  found->dwFileAttributes = search.directories[at] ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
  found->nFileSizeHigh = static_cast<DWORD>(search.sizes[at] >> 32);
  found->nFileSizeLow = static_cast<DWORD>(search.sizes[at]);
  const std::string& name = search.names[at];
  const std::size_t n = std::min(name.size(), static_cast<std::size_t>(MAX_PATH - 1));
  std::memcpy(found->cFileName, name.data(), n);
  found->cFileName[n] = '\0';
}

}  // namespace

extern "C" {

BOOL CopyFileA(const char* existingFile, const char* newFile, BOOL failIfExists) {
  raiseIfArmed("CopyFileA");
  record("CopyFileA " + std::string(text(existingFile)) + " " + std::string(text(newFile)) + " " +
         std::to_string(failIfExists));
  if (existingFile == nullptr || newFile == nullptr) return FALSE;
  const fs::path source = toNativePath(existingFile);
  const fs::path target = toNativePath(newFile);
  if (!isRegularFile(source)) return FALSE;
  if (failIfExists != FALSE && pathExists(target)) return FALSE;
  if (failsNow("CopyFileA")) return FALSE;
  return copyBytes(source, target) ? TRUE : FALSE;
}

BOOL MoveFileExA(const char* existingFile, const char* newFile, DWORD flags) {
  raiseIfArmed("MoveFileExA");
  record("MoveFileExA " + std::string(text(existingFile)) + " " + std::string(text(newFile)) + " " + hex(flags));
  if (existingFile == nullptr || newFile == nullptr) return FALSE;
  const fs::path source = toNativePath(existingFile);
  const fs::path target = toNativePath(newFile);
  if (!pathExists(source)) return FALSE;
  if ((flags & MOVEFILE_REPLACE_EXISTING) == 0 && pathExists(target)) return FALSE;
  if (failsNow("MoveFileExA")) return FALSE;
  std::error_code error;
  fs::rename(source, target, error);
  return error ? FALSE : TRUE;
}

BOOL DeleteFileA(const char* file) {
  raiseIfArmed("DeleteFileA");
  record("DeleteFileA " + std::string(text(file)));
  if (file == nullptr) return FALSE;
  const fs::path path = toNativePath(file);
  if (!isRegularFile(path)) return FALSE;
  if (failsNow("DeleteFileA")) return FALSE;
  std::error_code error;
  return fs::remove(path, error) ? TRUE : FALSE;
}

HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* found) {
  raiseIfArmed("FindFirstFileA");
  record("FindFirstFileA " + std::string(text(pattern)));
  if (pattern == nullptr || found == nullptr) return INVALID_HANDLE_VALUE;

  // Split the pattern into its directory part (mapped) and its name part (matched).
  const std::string_view whole = pattern;
  std::size_t nameAt = whole.find_last_of("\\/");
  nameAt = nameAt != std::string_view::npos ? nameAt + 1 : (whole.size() >= 2 && whole[1] == ':' ? 2 : 0);
  const std::string_view directoryPart = whole.substr(0, nameAt);
  const std::string_view namePattern = whole.substr(nameAt);
  const fs::path directory = directoryPart.empty() ? fs::path(".") : fs::path(toNativePath(directoryPart));

  standins::windows::detail::Search search;
  std::vector<fs::directory_entry> entries;
  std::error_code error;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    entries.push_back(*it);
  }
  if (error) return INVALID_HANDLE_VALUE;
  std::sort(entries.begin(), entries.end(),
            [](const fs::directory_entry& a, const fs::directory_entry& b) { return a.path() < b.path(); });
  for (const fs::directory_entry& entry : entries) {
    const std::string name = entry.path().filename().string();
    if (!matches(namePattern, name)) continue;
    std::error_code ignored;
    const bool isDirectory = entry.is_directory(ignored);
    const std::uintmax_t size = isDirectory ? 0 : entry.file_size(ignored);
    search.names.push_back(name);
    search.directories.push_back(isDirectory);
    search.sizes.push_back(size == static_cast<std::uintmax_t>(-1) ? 0 : size);
  }
  if (search.names.empty()) return INVALID_HANDLE_VALUE;

  fill(search, found);
  search.next = 1;
  HANDLE handle = standins::windows::detail::newHandle();
  state().searches.emplace(handleNumber(handle), std::move(search));
  return handle;
}

BOOL FindNextFileA(HANDLE search, WIN32_FIND_DATAA* found) {
  raiseIfArmed("FindNextFileA");
  record("FindNextFileA");
  const auto it = state().searches.find(handleNumber(search));
  if (it == state().searches.end() || found == nullptr || it->second.next >= it->second.names.size()) return FALSE;
  fill(it->second, found);
  ++it->second.next;
  return TRUE;
}

BOOL FindClose(HANDLE search) {
  raiseIfArmed("FindClose");
  record("FindClose");
  return state().searches.erase(handleNumber(search)) > 0 ? TRUE : FALSE;
}

DWORD GetTempPathA(DWORD bufferSize, char* buffer) {
  raiseIfArmed("GetTempPathA");
  record("GetTempPathA " + std::to_string(bufferSize));
  if (state().failTempPath) return 0;

  std::string path;
  if (state().tempPath) {
    path = *state().tempPath;
  } else {
    const char* tmpdir = std::getenv("TMPDIR");
    path = standins::windows::toWindowsPath(tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp");
    if (path.empty() || path.back() != '\\') path.push_back('\\');
  }
  const DWORD needed = static_cast<DWORD>(path.size() + 1);
  if (buffer == nullptr || bufferSize < needed) return needed;
  std::memcpy(buffer, path.c_str(), needed);
  return needed - 1;
}

DWORD GetFileAttributesA(const char* path) {
  raiseIfArmed("GetFileAttributesA");
  record("GetFileAttributesA " + std::string(text(path)));
  if (path == nullptr) return INVALID_FILE_ATTRIBUTES;
  std::error_code error;
  const fs::file_status status = fs::status(toNativePath(path), error);
  if (error || !fs::exists(status)) return INVALID_FILE_ATTRIBUTES;
  return fs::is_directory(status) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

HANDLE CreateFileA(const char* file, DWORD access, DWORD shareMode, void* /*security*/, DWORD disposition, DWORD flags,
                   HANDLE /*templateFile*/) {
  raiseIfArmed("CreateFileA");
  record("CreateFileA " + std::string(text(file)) + " " + hex(access) + " " + std::to_string(shareMode) + " " +
         std::to_string(disposition) + " " + hex(flags));
  if (file == nullptr) return INVALID_HANDLE_VALUE;
  const std::string path = toNativePath(file);

  int mode = O_RDONLY;
  if ((access & GENERIC_READ) != 0 && (access & GENERIC_WRITE) != 0) {
    mode = O_RDWR;
  } else if ((access & GENERIC_WRITE) != 0) {
    mode = O_WRONLY;
  }
  switch (disposition) {
    case CREATE_NEW:
      mode |= O_CREAT | O_EXCL;
      break;
    case CREATE_ALWAYS:
      mode |= O_CREAT | O_TRUNC;
      if ((mode & O_ACCMODE) == O_RDONLY) mode = (mode & ~O_ACCMODE) | O_WRONLY;  // truncation needs write access
      break;
    case OPEN_EXISTING:
      break;
    default:
      return INVALID_HANDLE_VALUE;
  }
  // Directories are not files: opening one fails as it does without backup semantics.
  std::error_code error;
  if (fs::is_directory(path, error)) return INVALID_HANDLE_VALUE;

  const int descriptor = ::open(path.c_str(), mode | O_CLOEXEC, 0644);
  if (descriptor < 0) return INVALID_HANDLE_VALUE;
  HANDLE handle = standins::windows::detail::newHandle();
  state().files.emplace(handleNumber(handle), standins::windows::detail::OpenFile{
                                                  descriptor, path, (flags & FILE_FLAG_DELETE_ON_CLOSE) != 0});
  return handle;
}

BOOL CloseHandle(HANDLE handle) {
  raiseIfArmed("CloseHandle");
  record("CloseHandle");
  const auto it = state().files.find(handleNumber(handle));
  if (it == state().files.end()) return FALSE;
  const standins::windows::detail::OpenFile file = it->second;
  state().files.erase(it);
  ::close(file.descriptor);
  if (file.deleteOnClose) ::unlink(file.nativePath.c_str());
  return TRUE;
}

DWORD SetFilePointer(HANDLE handle, LONG distance, LONG* distanceHigh, DWORD moveMethod) {
  raiseIfArmed("SetFilePointer");
  record("SetFilePointer " + std::to_string(distance) + " " + std::to_string(moveMethod));
  const auto it = state().files.find(handleNumber(handle));
  if (it == state().files.end() || moveMethod > FILE_END) return INVALID_SET_FILE_POINTER;
  // Without a high part the distance is a signed 32-bit one, as on Windows.
  std::int64_t offset = distance;
  if (distanceHigh != nullptr) {
    const std::uint64_t high = static_cast<std::uint32_t>(*distanceHigh);
    offset = static_cast<std::int64_t>(high << 32 | static_cast<std::uint32_t>(distance));
  }
  constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  const off_t position = ::lseek(it->second.descriptor, static_cast<off_t>(offset), kWhence[moveMethod]);
  if (position < 0) return INVALID_SET_FILE_POINTER;
  const auto at = static_cast<std::uint64_t>(position);
  if (distanceHigh != nullptr) *distanceHigh = static_cast<LONG>(at >> 32);
  return static_cast<DWORD>(at & 0xFFFFFFFFu);
}

BOOL SetEndOfFile(HANDLE handle) {
  raiseIfArmed("SetEndOfFile");
  record("SetEndOfFile");
  const auto it = state().files.find(handleNumber(handle));
  if (it == state().files.end() || failsNow("SetEndOfFile")) return FALSE;
  const int descriptor = it->second.descriptor;
  const off_t position = ::lseek(descriptor, 0, SEEK_CUR);
  return position >= 0 && ::ftruncate(descriptor, position) == 0 ? TRUE : FALSE;
}

}  // extern "C"

namespace platform::crt {

int removeFile(const char* path) {
  raiseIfArmed("removeFile");
  record("removeFile " + std::string(text(path)));
  if (path == nullptr) return -1;
  // The platform's run-time removes files only: a folder, even an empty one, stays.
  const std::string native = toNativePath(path);
  std::error_code error;
  if (fs::is_directory(native, error)) {
    errno = EACCES;
    return -1;
  }
  return std::remove(native.c_str());
}

namespace {

// A file opened in text mode, as the platform's run-time keeps it: every LF written reaches the
// disk as CR LF, and CR LF read comes back as one LF (a lone CR stays). A stream that writes is
// unbuffered and every write is flushed at once, so that a failure (a full disk) shows at the
// call that made it. A stream that only reads is buffered, so that reading a long report a line
// at a time stays cheap.
//
// Positions (ftell, fseek) are bytes on disk, as there. The run-time of this machine keeps the
// stream's buffer itself and counts what it holds in the characters it was given, which are fewer
// than the bytes they came from when line ends were joined. So each read notes where in what it
// gave an LF stands for a CR LF, and a position asked for is the file's position less the CRs of
// the part of the buffer not yet read.
//
// A caller may give a stream that writes a buffer after all (setvbuf). What that buffer holds
// unwritten the run-time counts in characters too, and adds to the position the stream gives when
// asked where it stands; so the stream counts the LFs among them, each a CR more on disk.
struct TextFile {
  std::FILE* file = nullptr;        // the bytes on disk
  std::FILE* stream = nullptr;      // the text-mode stream over them
  std::size_t given = 0;            // characters the last read gave
  std::vector<std::size_t> joined;  // where among them an LF stands for a CR LF, in order
  bool seekedFromStart = false;     // the last call was a seek from the start
};

// Characters of the last read that the stream's buffer holds unread. The buffer's pointers are
// public members of this machine's FILE. After a pushed-back character that was not the one just
// read, the stream reads from a pushback area first and keeps the rest of its buffer aside.
std::size_t unreadInBuffer(const std::FILE* s) {
  if (s->_IO_write_ptr > s->_IO_write_base) return 0;
  const bool inBuffer = s->_IO_read_ptr >= s->_IO_buf_base && s->_IO_read_ptr <= s->_IO_buf_end;
  return static_cast<std::size_t>(inBuffer ? s->_IO_read_end - s->_IO_read_ptr : s->_IO_save_end - s->_IO_save_base);
}

// The CRs that the LFs written into the stream's buffer and not yet handed on will take on disk.
std::size_t crsPending(const std::FILE* s) {
  if (s->_IO_write_ptr <= s->_IO_write_base) return 0;
  return static_cast<std::size_t>(std::count(s->_IO_write_base, s->_IO_write_ptr, '\n'));
}

// The CRs of joined line ends that the stream has not read yet.
std::size_t crsAhead(const TextFile& t) {
  const std::size_t read = t.given - std::min(t.given, unreadInBuffer(t.stream));
  return static_cast<std::size_t>(t.joined.end() - std::lower_bound(t.joined.begin(), t.joined.end(), read));
}

void forgetRead(TextFile& t) {
  t.given = 0;
  t.joined.clear();
}

ssize_t textModeRead(void* cookie, char* data, size_t size) {
  TextFile& t = *static_cast<TextFile*>(cookie);
  // To seek from the start, the run-time seeks to the block boundary before the position and
  // reads on to it, counting characters as bytes, which they are not here. That read comes within
  // the seek, while the stream's own note of its position is still unknown (-1): the run-time
  // forgets it at every seek of this kind of stream and notes the new one only once the seek is
  // done. The read gets nothing, and the run-time then moves on by the rest in bytes, as a seek
  // from the current position. (How much that read asks for, a whole buffer or the rest only,
  // depends on whether the buffer held anything, which tells it from no other read.)
  const bool toPosition = t.seekedFromStart && t.stream->_offset < 0;
  t.seekedFromStart = false;
  forgetRead(t);
  if (toPosition) return 0;
  std::FILE* file = t.file;
  const std::size_t got = std::fread(data, 1, size, file);
  if (got == 0) return std::ferror(file) != 0 ? -1 : 0;
  // Each CR LF becomes one LF, in place; a CR at the end of the piece looks at the next byte.
  std::size_t kept = 0;
  for (std::size_t at = 0; at < got; ++at) {
    if (data[at] == '\r') {
      if (at + 1 < got) {
        if (data[at + 1] == '\n') {
          t.joined.push_back(kept);
          continue;
        }
      } else {
        const int next = getc_unlocked(file);
        if (next == '\n') {
          t.joined.push_back(kept);
          data[kept++] = '\n';
          break;
        }
        if (next != EOF) std::ungetc(next, file);
      }
    }
    data[kept++] = data[at];
  }
  t.given = kept;
  return static_cast<ssize_t>(kept);
}

ssize_t textModeWrite(void* cookie, const char* data, size_t size) {
  TextFile& t = *static_cast<TextFile*>(cookie);
  t.seekedFromStart = false;
  forgetRead(t);
  std::FILE* file = t.file;
  const std::string_view rest(data, size);
  bool written = true;
  for (std::size_t at = 0; written && at < size;) {
    const std::size_t lineEnd = std::min(rest.find('\n', at), size);
    const std::size_t run = lineEnd - at;
    written = std::fwrite(data + at, 1, run, file) == run && (lineEnd == size || std::fputs("\r\n", file) >= 0);
    at = lineEnd + 1;
  }
  written = std::fflush(file) == 0 && written;
  return written ? static_cast<ssize_t>(size) : -1;
}

// A seek from the current position comes with the run-time's count of unread characters taken off
// already; the CRs among them are taken off here. With no distance left it is the run-time asking
// where the stream stands (ftell), and the stream stays, for what it has buffered is still to be
// read. (A seek by exactly the unread characters looks the same and stays too; in text mode the
// platform promises nothing for a seek by a distance either.)
//
// The run-time flushes the stream's buffer before any seek it is asked for, so writes wait in it
// only when it asks where the stream stands: from the current position, or in append mode from
// the end, where those writes will go. It adds them as characters; their LFs' CRs are added here.
int textModeSeek(void* cookie, off64_t* offset, int whence) {
  TextFile& t = *static_cast<TextFile*>(cookie);
  std::FILE* file = t.file;
  const bool fromStart = whence == SEEK_SET;
  const auto pending = static_cast<off64_t>(crsPending(t.stream));
  if (whence == SEEK_CUR) {
    const off64_t here = ftello(file);
    if (here < 0) return -1;
    const off64_t at = here - static_cast<off64_t>(crsAhead(t)) + *offset;
    if (*offset == 0) {
      *offset = at + pending;
      t.seekedFromStart = false;
      return 0;
    }
    *offset = at;
    whence = SEEK_SET;
  }
  if (fseeko(file, *offset, whence) != 0) return -1;
  *offset = ftello(file) + (whence == SEEK_END ? pending : 0);
  t.seekedFromStart = fromStart;
  forgetRead(t);
  return 0;
}

int textModeClose(void* cookie) {
  const std::unique_ptr<TextFile> t(static_cast<TextFile*>(cookie));
  return std::fclose(t->file);
}

}  // namespace

std::FILE* openFile(const char* path, const char* mode) {
  raiseIfArmed("openFile");
  record("openFile " + std::string(text(path)) + " " + std::string(text(mode)));
  if (path == nullptr || mode == nullptr || failsNow("openFile")) return nullptr;
  std::FILE* file = std::fopen(toNativePath(path).c_str(), mode);
  const std::optional<std::uint64_t> limit = state().writeLimit;
  if (file != nullptr && limit) {
    auto limited = std::make_unique<LimitedFile>(LimitedFile{file, *limit});
    std::FILE* wrapped =
        fopencookie(limited.get(), mode, cookie_io_functions_t{limitedRead, limitedWrite, limitedSeek, limitedClose});
    if (wrapped == nullptr) {
      std::fclose(file);
      return nullptr;
    }
    limited.release();
    file = wrapped;
  }
  // Without "b" the file is in text mode (this machine's fopen passes over a "t").
  if (file == nullptr || std::string_view(mode).find('b') != std::string_view::npos) return file;
  auto textFile = std::make_unique<TextFile>();
  textFile->file = file;
  std::FILE* text = fopencookie(textFile.get(), mode,
                                cookie_io_functions_t{textModeRead, textModeWrite, textModeSeek, textModeClose});
  if (text == nullptr) {
    std::fclose(file);
    return nullptr;
  }
  textFile.release()->stream = text;
  if (std::string_view(mode).find_first_of("wa+") != std::string_view::npos) std::setvbuf(text, nullptr, _IONBF, 0);
  return text;
}

}  // namespace platform::crt
