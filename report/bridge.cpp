#include "report/bridge.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "common/fixed_text.h"
#include "exports/outer_routines.h"
#include "platform/host_library.h"
#include "platform/windows/clock.h"
#include "report/plot_object.h"
#include "report/report_file.h"
#include "run/run_paths.h"

namespace kvom::report {

namespace {

// The clock reading of the previous GetDateTime; none before the first call. A reading of 0 (a
// call in the process's first second) is a reading like any other.
std::optional<std::int32_t> PreviousClockReading;

// The caller's result field of a function: the text blank padded or cut to 256 characters, and
// never more than the field holds.
void returnText(char* result, std::int64_t resultLength, std::string_view text) {
  const std::int64_t width = std::min(resultLength, kBridgeResultLength);
  if (result == nullptr || width <= 0) return;
  FixedText(result, static_cast<std::size_t>(width)).assign(text);
}

// The first 80 characters of the caller's text, trailing blanks kept, as a NUL-terminated name.
std::string libraryName(const char* text, std::int64_t length) {
  return std::string(callerText(text, std::min(length, kBridgePathLength)));
}

// Copies a result into the caller's field, blank padded or cut.
void returnField(char* field, std::int64_t length, std::string_view text) {
  if (field == nullptr || length <= 0) return;
  FixedText(field, static_cast<std::size_t>(length)).assign(text);
}

}  // namespace

std::int64_t SendPathToHost(const char* path) { return PellantSendPath(path); }

std::int32_t GetDateTime(char* date, char* time, std::int32_t* seconds) {
  std::array<char, 10> dateText{};
  std::array<char, 10> timeText{};
  std::tm local{};
  const std::int64_t now = platform::crt::currentTime();
  if (now >= 0 && platform::crt::localTime(now, local)) {
    std::strftime(dateText.data(), dateText.size(), "%m/%d/%y", &local);
    std::strftime(timeText.data(), timeText.size(), "%H:%M:%S", &local);
  } else {
    // No calendar time: blank texts rather than a made-up date.
    dateText.fill(' ');
    timeText.fill(' ');
  }
  if (date != nullptr) std::copy_n(dateText.begin(), 8, date);
  if (time != nullptr) std::copy_n(timeText.begin(), 8, time);

  const std::int32_t milliseconds = platform::crt::processClock();
  if (milliseconds < 0) {
    // The clock cannot be read: nothing elapsed that can be told, and the last good reading stays.
    if (seconds != nullptr) *seconds = 0;
    return 0;
  }
  const std::int32_t reading = milliseconds / 1000;
  const std::int32_t elapsed = PreviousClockReading ? reading - *PreviousClockReading : 0;
  if (seconds != nullptr) *seconds = elapsed;
  PreviousClockReading = reading;
  return reading;
}

}  // namespace kvom::report

using kvom::report::kBridgeResultLength;
using kvom::run::RunPaths;

extern "C" {

void GET_PROGRAM_DIR(char* result, std::int64_t resultLength) {
  kvom::report::returnText(result, resultLength, RunPaths.programDir.trimmed());
}

void GET_HOST_DIR(char* result, std::int64_t resultLength) {
  std::array<char, kBridgeResultLength> buffer{};
  const std::int64_t length = PellantGetHostDir(buffer.data(), static_cast<std::int32_t>(buffer.size()));
  if (length <= 0) {
    kvom::report::returnText(result, resultLength, RunPaths.caseDir.trimmed());
    return;
  }
  // The host writes characters 1 to n and no terminator; a length beyond the buffer is cut.
  const auto n = static_cast<std::size_t>(std::min<std::int64_t>(length, kBridgeResultLength));
  kvom::report::returnText(result, resultLength, kvom::trimRight(std::string_view(buffer.data(), n)));
}

void GET_CASE_PATH(char* result, std::int64_t resultLength) {
  std::string path(RunPaths.caseDir.trimmed());
  path += RunPaths.caseName.view();
  kvom::report::returnText(result, resultLength, path);
}

void RUN_COMMAND(const char* command, std::int64_t commandLength) {
  const std::string line(kvom::callerText(command, commandLength));
  kvom::exports::RunCommandLine(line.c_str());
}

std::int64_t SEND_PATH_TO_HOST(const char* path, std::int64_t pathLength) {
  return kvom::report::SendPathToHost(kvom::report::libraryName(path, pathLength).c_str());
}

void CONVERT_PLOT_FILE(const char* plotName, std::int64_t plotNameLength) {
  kvom::report::ConvertPlotFile(kvom::report::libraryName(plotName, plotNameLength).c_str());
}

void PLOT_TO_METAFILE(const char* plotName, const char* metafileName, const std::int64_t* width,
                      const std::int64_t* height, std::int64_t plotNameLength, std::int64_t metafileNameLength) {
  const std::string plot = kvom::report::libraryName(plotName, plotNameLength);
  const std::string metafile = kvom::report::libraryName(metafileName, metafileNameLength);
  kvom::report::PlotToMetafile(plot.c_str(), metafile.c_str(), width != nullptr ? static_cast<std::int32_t>(*width) : 0,
                               height != nullptr ? static_cast<std::int32_t>(*height) : 0);
}

void REPORT_FORM_COMMAND(const char* command, const char* screenCode, char* values, const char* pictures, char* result,
                         std::int64_t commandLength, std::int64_t screenCodeLength, std::int64_t valuesLength,
                         std::int64_t picturesLength, std::int64_t resultLength) {
  using kvom::report::kFormValuesSize;
  using kvom::report::kPictureRefsSize;
  using kvom::report::kValuesEndMark;

  // Command and screen code blank padded or cut, then cut to 3 and 8 characters by a NUL.
  std::array<char, 4> commandBuffer{};
  kvom::FixedText(commandBuffer.data(), commandBuffer.size()).assign(kvom::callerText(command, commandLength));
  commandBuffer[3] = '\0';
  std::array<char, 9> codeBuffer{};
  kvom::FixedText(codeBuffer.data(), codeBuffer.size()).assign(kvom::callerText(screenCode, screenCodeLength));
  codeBuffer[8] = '\0';
  std::array<char, 6> resultBuffer{' ', ' ', ' ', ' ', ' ', '\0'};

  // The form command reads a full value text and up to 255 picture characters. A caller's shorter
  // text is worked on in a copy whose rest is end marks, and the changes go back to the caller.
  std::array<char, kFormValuesSize + 1> valueCopy{};
  const std::string_view callerValues = kvom::callerText(values, valuesLength);
  const std::size_t valueBytes = std::min(callerValues.size(), valueCopy.size());
  std::copy_n(callerValues.begin(), valueBytes, valueCopy.begin());
  std::fill(valueCopy.begin() + static_cast<std::ptrdiff_t>(valueBytes), valueCopy.end(), kValuesEndMark);

  std::array<char, kPictureRefsSize + 1> pictureCopy{};
  std::string_view pictureText = kvom::callerText(pictures, picturesLength);
  pictureText = pictureText.substr(0, pictureText.find('\0'));
  kvom::copyTerminated(pictureCopy, pictureText);

  kvom::report::ReportFormCommand(commandBuffer.data(), codeBuffer.data(),
                                  values != nullptr ? valueCopy.data() : nullptr, pictureCopy.data(),
                                  resultBuffer.data());
  if (values != nullptr) std::copy_n(valueCopy.begin(), valueBytes, values);

  // What the command left, its terminator included, in at most 5 characters.
  const std::size_t resultBytes = static_cast<std::size_t>(std::clamp<std::int64_t>(resultLength, 0, 5));
  kvom::report::returnField(result, resultLength, std::string_view(resultBuffer.data(), resultBytes));
}

void REPORT_NOOP() { kvom::report::ReportHook(); }

void GET_DATE_TIME(char* date, char* time, std::int32_t* seconds, std::int64_t dateLength, std::int64_t timeLength) {
  std::array<char, 8> dateText{};
  std::array<char, 8> timeText{};
  std::int32_t elapsed = 0;
  kvom::report::GetDateTime(dateText.data(), timeText.data(), &elapsed);
  kvom::report::returnField(date, dateLength, std::string_view(dateText.data(), dateText.size()));
  kvom::report::returnField(time, timeLength, std::string_view(timeText.data(), timeText.size()));
  if (seconds != nullptr) *seconds = elapsed;
}

void RTF_OUTPUT_ENABLED(std::int32_t* enabled) { kvom::report::RtfOutputEnabled(enabled); }

void EMPTY_BRIDGE() {}

}  // extern "C"
