#pragma once
// The page settings that printing, preview, the page drawing and the plot drawing share.

#include <array>
#include <cstdint>

#include "common/export.h"
#include "platform/windows/types.h"

namespace kvom::report {

inline constexpr std::int32_t kFontModeProportional = 0;  // proportional text, aligned values, leaders
inline constexpr std::int32_t kFontModeFixed = 1;         // fixed-pitch plain rows

inline constexpr std::int32_t kDevicePrinter = 0;
inline constexpr std::int32_t kDevicePreview = 1;
inline constexpr std::int32_t kDeviceMetafile = 2;

inline constexpr std::size_t kFaceNameSize = 20;  // at most 19 characters and the NUL

struct PageLayoutRecord {
  std::int32_t pagesPerSheet = 1;  // 1, 2 or 4
  std::int32_t columns = 80;       // columns per line
  std::array<char, kFaceNameSize> faceName = {'A', 'r', 'i', 'a', 'l'};
  std::int32_t fontMode = kFontModeProportional;
  std::int32_t deviceMode = kDevicePrinter;
  // Added to every cell position; set per page.
  std::int32_t columnOffset = 0;
  std::int32_t rowOffset = 0;
  platform::win::HFONT titleFont = nullptr;
  platform::win::HFONT boldFont = nullptr;
  platform::win::HFONT normalFont = nullptr;
  std::int32_t PagePictureFlag = 0;  // 1 while a page picture is drawn
  // Measures text when the target context cannot (while preview copies a sheet); else null.
  platform::win::HDC measuringContext = nullptr;
};

// One record for the process; nothing resets it between jobs.
KVOM_EXPORT extern PageLayoutRecord PageLayout;

// Sets the font mode; mode 0 also chooses the face "Arial", mode 1 "Courier New", each with 80
// columns; other modes change only the font mode.
KVOM_EXPORT void SetPrintFontMode(std::int32_t mode);

}  // namespace kvom::report
