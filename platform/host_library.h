#pragma once
// The application-host library: the operations the adapter imports from it. Every call is made on
// the host's thread; texts are NUL-terminated unless a length is given.

#include <cstdint>
#include <exception>

namespace platform {

// Exception codes of the structured exceptions that reach the export guard.
inline constexpr std::uint32_t kRaisedErrorException = 0xE0484C45u;   // an error raised by PellantRaiseError
inline constexpr std::uint32_t kOutOfMemoryException = 0xE0484D45u;   // std::bad_alloc
inline constexpr std::uint32_t kProgramException = 0xE0485045u;       // any other C++ exception

// Filter decisions of the platform's structured exception handling.
inline constexpr std::int32_t kExceptionExecuteHandler = 1;
inline constexpr std::int32_t kExceptionContinueSearch = 0;
inline constexpr std::int32_t kExceptionContinueExecution = -1;

// The exception that PellantRaiseError throws: it carries the exception code and the host's
// error code.
class RaisedError : public std::exception {
 public:
  RaisedError(std::uint32_t exceptionCode, std::int64_t errorCode)
      : exceptionCode_(exceptionCode), errorCode_(errorCode) {}
  std::uint32_t exceptionCode() const noexcept { return exceptionCode_; }
  std::int64_t errorCode() const noexcept { return errorCode_; }
  const char* what() const noexcept override { return "error raised through the host library"; }

 private:
  std::uint32_t exceptionCode_;
  std::int64_t errorCode_;
};

// The exception information handed to PellantClassifyException.
struct ExceptionInfo {
  std::uint32_t exceptionCode;
  std::int64_t errorCode;  // the raised error code; 0 for exceptions not raised by the host library
  const char* description;
};

}  // namespace platform

extern "C" {

// Registers the calling module (the first call of every export but the exit export).
void PellantRegisterModule(void* module);
// Input flags; the input export passes (1, 0).
void PellantSetInputFlags(std::int32_t first, std::int32_t second);
// The installation directory of the program, ending with a backslash. Valid until the next call.
const char* PellantGetProgramDir(void* module);
// Fills the 16-byte buffer with the run's file-name prefix (at most 15 characters and a NUL).
std::int32_t PellantGetFilePrefix(char* prefix);
// Decides what to do with an exception; writes the host's error code into *errorCode when it
// decides to handle it.
std::int32_t PellantClassifyException(std::int32_t zero, std::uint32_t exceptionCode, const void* info,
                                      const char* text, std::int32_t* errorCode);
// Raises the error to the export's guard; never returns.
[[noreturn]] void PellantRaiseError(const std::int64_t* errorCode);
// Prepares the file system for the clean-up and copy routines.
std::int32_t PellantPrepareFileAccess(void);
// Hands over the case file in use: the fixed-length path, its declared length and the address of
// its length without trailing blanks.
void PellantSetCaseFile(const char* casePath, std::int64_t declaredLength, const std::int64_t* trimmedLength);
// Writes the user databank directory into characters 1 to n of field (no terminator) and returns n.
std::int32_t PellantGetUserDataDir(char* field, std::int32_t size);
// Writes a host directory into characters 1 to n of buffer and returns n; n <= 0: none.
std::int64_t PellantGetHostDir(char* buffer, std::int32_t size);
// Hands a path (at most 80 characters, NUL-terminated) to the host.
std::int64_t PellantSendPath(const char* path);

}  // extern "C"
