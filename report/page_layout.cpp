#include "report/page_layout.h"

#include "common/fixed_text.h"

namespace kvom::report {

PageLayoutRecord PageLayout;

void SetPrintFontMode(std::int32_t mode) {
  PageLayout.fontMode = mode;
  if (mode != kFontModeProportional && mode != kFontModeFixed) return;
  copyTerminated(PageLayout.faceName, mode == kFontModeProportional ? "Arial" : "Courier New");
  PageLayout.columns = 80;
}

}  // namespace kvom::report
