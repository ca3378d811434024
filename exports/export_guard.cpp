#include "exports/export_guard.h"

#include <exception>
#include <new>

namespace kvom::exports {

namespace {

// Describes the exception in flight as the platform's exception information.
platform::ExceptionInfo describeCaughtException() {
  try {
    throw;
  } catch (const platform::RaisedError& error) {
    return {error.exceptionCode(), error.errorCode(), error.what()};
  } catch (const std::bad_alloc& error) {
    return {platform::kOutOfMemoryException, 0, error.what()};
  } catch (const std::exception& error) {
    return {platform::kProgramException, 0, error.what()};
  } catch (...) {
    return {platform::kProgramException, 0, "unknown exception"};
  }
}

}  // namespace

std::int32_t ExportExceptionFilter(const platform::ExceptionInfo& info, std::int32_t& errorCode) {
  return PellantClassifyException(0, info.exceptionCode, &info, "", &errorCode);
}

void offerCaughtException(std::int32_t& errorCode) {
  const platform::ExceptionInfo info = describeCaughtException();
  const std::int32_t decision = ExportExceptionFilter(info, errorCode);
  if (decision == platform::kExceptionContinueSearch) throw;
  // Resuming is not possible: the body stopped where the exception left it.
  if (decision != platform::kExceptionExecuteHandler) errorCode = kUnfinishedBodyError;
}

void mapErrorCode(std::span<const StatusRule> rules, std::int32_t errorCode, std::int64_t& status) {
  for (const StatusRule& rule : rules) {
    if (errorCode >= rule.first && errorCode <= rule.last) {
      status = rule.status;
      return;
    }
  }
}

}  // namespace kvom::exports
