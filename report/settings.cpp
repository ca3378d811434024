#include "report/settings.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "common/fixed_text.h"
#include "exports/run_paths_setup.h"
#include "platform/windows/files.h"
#include "platform/windows/profile.h"

namespace kvom::report {

LanguageCode ReportLanguageCode = {' ', ' ', ' '};
LanguageCode ActiveLanguageCode = {' ', ' ', ' '};
LanguageCode SharedLanguageCode{};

namespace {

constexpr std::size_t kSettingSize = 80;
constexpr std::size_t kPathSize = 256;

struct Language {
  std::int32_t number;
  std::string_view name;
  std::string_view databankFile;
  char letter() const { return name.front(); }
  std::string_view code() const { return name.substr(0, 3); }
};

constexpr std::array<Language, 6> kLanguages = {{
    {1, "ENGLISH", "G_ENGLIS.PDA"},
    {2, "FRENCH", "G_FRENCH.PDA"},
    {3, "GERMAN", "G_GERMAN.PDA"},
    {4, "SPANISH", "G_SPANIS.PDA"},
    {5, "ITALIAN", "G_ITALIA.PDA"},
    {6, "CHINESE", "G_CHINES.PDA"},
}};

constexpr const Language& kEnglish = kLanguages[0];

std::int32_t ReportLanguageNumber = 0;

const Language* byLetter(char letter) {
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  const auto it = std::find_if(kLanguages.begin(), kLanguages.end(),
                               [upper](const Language& language) { return language.letter() == upper; });
  return it != kLanguages.end() ? &*it : nullptr;
}

// The language a stored or given name chooses: by its first letter, ENGLISH when that names none
// (an empty name included), so that no code is ever made of whatever the text holds.
const Language& chosenBy(std::string_view name) {
  const Language* language = name.empty() ? nullptr : byLetter(name.front());
  return language != nullptr ? *language : kEnglish;
}

const Language* byNumber(std::int32_t number) {
  return number >= 1 && number <= static_cast<std::int32_t>(kLanguages.size()) ? &kLanguages[number - 1] : nullptr;
}

char* programDirWith(std::span<char> buffer, std::string_view subdirectory) {
  if (buffer.empty()) return buffer.data();
  copyTerminated(buffer, std::string_view(exports::GetProgramDir()));
  appendTerminated(buffer, subdirectory);
  return buffer.data();
}

void assignCode(LanguageCode& target, std::string_view code) { FixedText(target).assign(code); }

}  // namespace

std::int32_t ReadLanguageSetting(char* code) {
  std::array<char, kSettingSize> value{};
  copyTerminated(value, "Default");
  GetPrivateProfileStringA("Setting", "Language", "Default", value.data(), kSettingSize, kSettingsFile);
  const std::string_view stored(value.data());
  const Language& language = stored == "Default" ? kEnglish : chosenBy(stored);
  if (code != nullptr) std::copy_n(language.code().data(), 3, code);
  return language.number;
}

std::int32_t ReadPagesPerSheet() {
  std::array<char, kSettingSize> value{};
  GetPrivateProfileStringA("Print Format", "Output", "1 per 1", value.data(), kSettingSize, kSettingsFile);
  const auto sameIgnoringCase = [](std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
  };
  const std::string_view output(value.data());
  if (sameIgnoringCase(output, "4 per 1")) return 4;
  if (sameIgnoringCase(output, "2 per 1")) return 2;
  return 1;
}

bool LanguageAvailable(std::int32_t number) {
  const Language* language = byNumber(number);
  if (language == nullptr) return false;
  std::array<char, kPathSize> path{};
  GetDatabankDir(path);
  // A path that does not fit names no file that could be opened.
  return appendTerminated(path, language->databankFile) && FileExists(path.data()) == 1;
}

std::int32_t SetLanguageByName(const char* name) {
  const Language& language = chosenBy(name != nullptr ? std::string_view(name) : std::string_view{});
  if (!LanguageAvailable(language.number)) return 0;
  // The codes change only once the file holds the new name, so that the file, the report's codes
  // and the logic layer's copy never disagree.
  std::array<char, kSettingSize> canonical{};
  copyTerminated(canonical, language.name);
  if (WritePrivateProfileStringA("Setting", "Language", canonical.data(), kSettingsFile) == platform::win::FALSE) {
    return 0;
  }
  assignCode(ReportLanguageCode, language.code());
  assignCode(ActiveLanguageCode, language.code());
  SetLanguageFromLetter(canonical.data());
  STORE_LANGUAGE_CODE();
  return 1;
}

void SetLanguageByNumber(std::int32_t number) {
  const Language* language = byNumber(number);
  if (language == nullptr || ActiveLanguageCode[0] == language->letter()) return;
  std::array<char, kSettingSize> name{};
  copyTerminated(name, language->name);
  SetLanguageByName(name.data());
}

char* GetLanguageDir(std::span<char> buffer) { return programDirWith(buffer, "DAT\\LAN\\"); }
char* GetDatabankDir(std::span<char> buffer) { return programDirWith(buffer, "DAT\\PDA\\"); }

void SetLanguageFromLetter(const char* text) {
  if (text == nullptr || *text == '\0') return;
  if (const Language* language = byLetter(*text)) ReportLanguageNumber = language->number;
}

std::int32_t GetLanguageNumber() { return ReportLanguageNumber; }

void GET_LANGUAGE(char* text, std::int64_t length) {
  LanguageCode code{};
  ReadLanguageSetting(code.data());
  if (text == nullptr || length <= 0) return;
  FixedText(text, static_cast<std::size_t>(length)).assign({code.data(), code.size()});
}

void STORE_LANGUAGE_CODE() {
  LanguageCode code{};
  GET_LANGUAGE(code.data(), static_cast<std::int64_t>(code.size()));
  SharedLanguageCode = code;
}

std::int32_t FileExists(const char* path) {
  if (path == nullptr) return 0;
  return GetFileAttributesA(path) != platform::win::INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

std::int32_t IsInputFileName(const char* name) {
  if (name == nullptr) return 0;
  std::string_view fileName(name);
  if (const std::size_t slash = fileName.find_last_of("\\/:"); slash != std::string_view::npos) {
    fileName.remove_prefix(slash + 1);
  }
  const std::size_t dot = fileName.find('.');
  if (dot == std::string_view::npos) return 0;
  const std::string_view extension = fileName.substr(dot + 1);
  if (extension.size() < 3) return 0;
  for (std::size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(extension[i])) != "KVI"[i]) return 0;
  }
  return 1;
}

}  // namespace kvom::report
