#pragma once
// Writing files so that a failure loses nothing. A replaced file is written beside its target, in
// its folder under a short name no file has, and takes the target's place only once it is
// complete; an appended file is cut back to its length before the append when any part of the
// append fails (a file the append created is removed).

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace kvom::report {

// The length of a file at one moment, or that there was no file, to cut a failed append back to.
class FileMark {
 public:
  // A file that exists but cannot be measured gives a mark that cannot be restored.
  explicit FileMark(std::string path);
  bool usable() const { return usable_; }
  // Cuts the file back to the marked length, or removes it when there was none. True when done.
  bool restore() const;

 private:
  std::string path_;
  std::optional<std::uint64_t> length_;  // none: no file
  bool usable_ = false;
};

// Whether both paths name one existing file, however they are spelt (".\\A.KVO" and "A.KVO"): a
// writer that replaced or appended to its own source would lose it.
bool SameFile(const char* first, const char* second);

// A stream into a file whose writes count only once commit() succeeds; every other way out
// (discard(), a failed commit, destruction) leaves the file as it was before.
//
// While an output has its stream, the process knows the names it uses (its target and its
// replacement file): no other output takes one of them for its replacement, nor writes to another
// output's replacement file in the making.
class GuardedOutput {
 public:
  // Appends to the target with the run-time's mode ("ab", "a"). No stream when the target cannot
  // be opened or its length cannot be read, or when it is another output's replacement file.
  static GuardedOutput append(std::string target, const char* mode = "ab");
  // Writes a file beside the target that replaces it on commit(). No stream when the target is
  // there but cannot be written (a folder, a read-only file), when it is another output's
  // replacement file, when no free name is left in its folder or when the file cannot be opened.
  static GuardedOutput replace(std::string target, const char* mode = "wb");

  // The names the other output used go with its stream.
  GuardedOutput(GuardedOutput&& other) noexcept;
  GuardedOutput& operator=(GuardedOutput&&) = delete;
  GuardedOutput(const GuardedOutput&) = delete;
  GuardedOutput& operator=(const GuardedOutput&) = delete;
  ~GuardedOutput();

  std::FILE* get() const { return file_.get(); }
  explicit operator bool() const { return file_ != nullptr; }
  // Closes the stream; true when everything written reached the file (and a replacement took the
  // target's place). On false the file is as it was before.
  bool commit();
  // Closes the stream and undoes what it wrote.
  void discard();
  // After a failed commit: whether everything was written but the replacement could not take the
  // target's place (a name the file system refuses, a target made read-only meanwhile).
  bool targetRefused() const { return targetRefused_; }

 private:
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  GuardedOutput(std::string target, std::string written, std::optional<FileMark> mark, std::FILE* file);
  void undo();
  // Lets the names this output uses go, once its stream is done with.
  void release();

  std::string target_;
  std::string written_;           // the file the stream writes: the target, or its replacement
  std::optional<FileMark> mark_;  // appending: the target's length before
  std::unique_ptr<std::FILE, Closer> file_;
  bool holdsNames_ = false;  // its names are among those of live outputs
  bool targetRefused_ = false;
};

}  // namespace kvom::report
