// The report-formatting library on this machine: an on/off switch, a call log, failure injection,
// and an RTF document that each form, break and section extends and that is written out whole
// after every change, so that the file on disk is always a complete document.

#include "standins/report_formatting/report_formatting_standin.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>

#include "platform/report_formatting.h"
#include "platform/windows/profile.h"
#include "standins/failure_schedule.h"
#include "standins/host/host_standin.h"
#include "standins/report_formatting/rtf_document.h"
#include "standins/report_formatting/rtf_form.h"
#include "standins/windows/windows_standin.h"

namespace standins::report_formatting {
namespace {

constexpr const char* kProfileFile = "SORVEX.INI";
constexpr const char* kProfileSection = "RTF";
constexpr const char* kDefaultOutputPath = "REPORT.RTF";
constexpr unsigned kProfileBufferSize = 260;

struct State {
  std::vector<std::string> log;
  // Injected failures: operation -> calls still to pass, then calls to fail (< 0: every later one).
  FailureSchedule failing;
  std::optional<bool> enabled;            // set by control; nullopt: the profile's
  std::optional<std::string> outputPath;  // set by control; nullopt: the profile's or the default
  bool profileRead = false;
  bool profileEnabled = false;
  std::string profileOutputPath;  // native path from the profile; empty when it names none
  RtfDocument document;
  std::string written;   // the document text of the last successful write
  int sectionDepth = 0;  // sections started and not yet ended
};

State& state() {
  static State instance;
  return instance;
}

std::string_view text(const char* argument) { return argument != nullptr ? argument : ""; }

bool failsNow(std::string_view operation) { return state().failing.failsNow(operation); }

std::string profileValue(const char* key) {
  char buffer[kProfileBufferSize] = {};
  GetPrivateProfileStringA(kProfileSection, key, "", buffer, kProfileBufferSize, kProfileFile);
  return buffer;
}

bool switchedOn(std::string value) {
  std::transform(value.begin(), value.end(), value.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return value == "1" || value == "YES" || value == "ON" || value == "TRUE";
}

// Reads the profile's settings that control has not set, once after load or reset.
void readProfile() {
  State& s = state();
  if (s.profileRead) return;
  s.profileRead = true;
  if (!s.enabled) s.profileEnabled = switchedOn(profileValue("Enabled"));
  if (!s.outputPath) {
    const std::string file = profileValue("File");
    if (!file.empty()) s.profileOutputPath = windows::toNativePath(file);
  }
}

// Every library function starts here: the host stand-in's fault injection, the log entry, the
// profile, and this stand-in's own fault injection (true when the call is to fail).
bool enter(std::string_view operation, std::string entry) {
  host::raiseIfArmed(operation);
  state().log.push_back(std::move(entry));
  readProfile();
  return failsNow(operation);
}

// Writes the whole document; false when the file cannot be written (the document stays in memory).
bool writeDocument() {
  State& s = state();
  if (failsNow("writeDocument")) return false;
  const std::string document = s.document.text();
  std::ofstream out(outputPath(), std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(document.data(), static_cast<std::streamsize>(document.size()));
  out.close();
  if (!out) return false;
  s.written = document;
  return true;
}

std::int32_t result(bool done) { return done ? 1 : 0; }

}  // namespace

void reset() { state() = State{}; }

// Handing a setting back to the profile has the profile read again at the next call.
void setRtfEnabled(std::optional<bool> enabled) {
  if (!enabled) state().profileRead = false;
  state().enabled = enabled;
}

void setOutputPath(std::optional<std::string> nativePath) {
  if (!nativePath) state().profileRead = false;
  state().outputPath = std::move(nativePath);
  startNewDocument();
}

std::string outputPath() {
  const State& s = state();
  if (s.outputPath) return *s.outputPath;
  if (!s.profileOutputPath.empty()) return s.profileOutputPath;
  return kDefaultOutputPath;
}

std::string documentText() { return state().written; }

void startNewDocument() {
  state().document = RtfDocument{};
  state().written.clear();
}

void failOperation(std::string_view operation, int skip, int times) { state().failing.arm(operation, skip, times); }

const std::vector<std::string>& callLog() { return state().log; }
void clearCallLog() { state().log.clear(); }

}  // namespace standins::report_formatting

using namespace standins::report_formatting;

extern "C" {

std::int32_t IsRTFEnabled() {
  if (enter("IsRTFEnabled", "IsRTFEnabled")) return 0;
  const State& s = state();
  return result(s.enabled.value_or(s.profileEnabled));
}

std::int32_t ParseRTF(const char* formPath, const char* screenCode, const char* values) {
  const std::string entry =
      "ParseRTF " + std::string(text(formPath)) + " " + std::string(text(screenCode)) + " " + std::string(text(values));
  if (enter("ParseRTF", entry) || formPath == nullptr || screenCode == nullptr) return 0;

  std::ifstream in(standins::windows::toNativePath(formPath), std::ios::binary);
  if (!in) return 0;
  const std::string fileText{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (!renderForm(fileText, screenCode, splitValues(text(values)), state().document)) return 0;
  return result(writeDocument());
}

std::int32_t PageBreak() {
  if (enter("PageBreak", "PageBreak")) return 0;
  state().document.pageBreak();
  return result(writeDocument());
}

std::int32_t ComponentBreak() {
  if (enter("ComponentBreak", "ComponentBreak")) return 0;
  state().document.rule();
  return result(writeDocument());
}

std::int32_t TOCBreak() {
  if (enter("TOCBreak", "TOCBreak")) return 0;
  state().document.contentsMarker();
  return result(writeDocument());
}

std::int32_t SectionStart(const char* title) {
  if (enter("SectionStart", "SectionStart " + std::string(text(title)))) return 0;
  // Top-level sections take the large heading, sections inside them the smaller one.
  State& s = state();
  s.document.heading(s.sectionDepth == 0 ? 1 : 2, RtfText{RtfDocument::escape(text(title))});
  ++s.sectionDepth;
  return result(writeDocument());
}

std::int32_t SectionEnd() {
  // A section is its heading and what follows it; its end adds nothing to the page.
  if (enter("SectionEnd", "SectionEnd")) return 0;
  State& s = state();
  if (s.sectionDepth > 0) --s.sectionDepth;
  return 1;
}

}  // extern "C"
