// The logical-to-device mapping of a device context.

#include "standins/gdi/mapping.h"

#include <cmath>
#include <cstdint>

#include "platform/windows/gdi.h"

namespace standins::gdi::detail {

namespace win = platform::win;

namespace {

win::LONG scaled(win::LONG value, win::LONG fromOrigin, win::LONG numerator, win::LONG denominator,
                 win::LONG toOrigin) {
  const double exact = static_cast<double>(static_cast<std::int64_t>(value) - fromOrigin) * numerator / denominator;
  return static_cast<win::LONG>(std::llround(exact) + toOrigin);
}

bool extentsCount(const Mapping& mapping) {
  return mapping.mode == win::MM_ISOTROPIC || mapping.mode == win::MM_ANISOTROPIC;
}

// Shrinks the viewport extent on the axis whose logical unit is physically larger, so that both
// units are equal (the pixel size of each axis comes from its pixels per inch).
void fixIsotropic(Mapping& mapping, int dpiX, int dpiY) {
  const double xSize =
      static_cast<double>(mapping.viewportExtent.cx) / (static_cast<double>(dpiX) * mapping.windowExtent.cx);
  const double ySize =
      static_cast<double>(mapping.viewportExtent.cy) / (static_cast<double>(dpiY) * mapping.windowExtent.cy);
  if (std::fabs(xSize) > std::fabs(ySize)) {
    const double x = std::floor(mapping.viewportExtent.cx * std::fabs(ySize / xSize) + 0.5);
    mapping.viewportExtent.cx = x != 0 ? static_cast<win::LONG>(x) : (mapping.viewportExtent.cx < 0 ? -1 : 1);
  } else if (std::fabs(ySize) > std::fabs(xSize)) {
    const double y = std::floor(mapping.viewportExtent.cy * std::fabs(xSize / ySize) + 0.5);
    mapping.viewportExtent.cy = y != 0 ? static_cast<win::LONG>(y) : (mapping.viewportExtent.cy < 0 ? -1 : 1);
  }
}

}  // namespace

win::POINT toDevice(const Mapping& mapping, win::POINT logical) {
  return {scaled(logical.x, mapping.windowOrigin.x, mapping.viewportExtent.cx, mapping.windowExtent.cx,
                 mapping.viewportOrigin.x),
          scaled(logical.y, mapping.windowOrigin.y, mapping.viewportExtent.cy, mapping.windowExtent.cy,
                 mapping.viewportOrigin.y)};
}

win::POINT toLogical(const Mapping& mapping, win::POINT device) {
  return {scaled(device.x, mapping.viewportOrigin.x, mapping.windowExtent.cx, mapping.viewportExtent.cx,
                 mapping.windowOrigin.x),
          scaled(device.y, mapping.viewportOrigin.y, mapping.windowExtent.cy, mapping.viewportExtent.cy,
                 mapping.windowOrigin.y)};
}

double scaleX(const Mapping& mapping) {
  return static_cast<double>(mapping.viewportExtent.cx) / mapping.windowExtent.cx;
}

double scaleY(const Mapping& mapping) {
  return static_cast<double>(mapping.viewportExtent.cy) / mapping.windowExtent.cy;
}

bool setMode(Mapping& mapping, int mode, int dpiX, int dpiY) {
  // Logical units per inch of the fixed modes.
  int unitsPerInch = 0;
  switch (mode) {
    case win::MM_TEXT:
      mapping.windowExtent = {1, 1};
      mapping.viewportExtent = {1, 1};
      break;
    case win::MM_LOMETRIC:
      unitsPerInch = 254;
      break;
    case win::MM_HIMETRIC:
      unitsPerInch = 2540;
      break;
    case win::MM_LOENGLISH:
      unitsPerInch = 100;
      break;
    case win::MM_HIENGLISH:
      unitsPerInch = 1000;
      break;
    case win::MM_TWIPS:
      unitsPerInch = 1440;
      break;
    case win::MM_ISOTROPIC:
    case win::MM_ANISOTROPIC:
      break;
    default:
      return false;
  }
  if (unitsPerInch != 0) {
    mapping.windowExtent = {unitsPerInch, unitsPerInch};
    mapping.viewportExtent = {dpiX, -dpiY};
  }
  mapping.mode = mode;
  return true;
}

bool setWindowExtent(Mapping& mapping, int x, int y, int dpiX, int dpiY) {
  if (!extentsCount(mapping)) return true;
  if (x == 0 || y == 0) return false;
  mapping.windowExtent = {x, y};
  if (mapping.mode == win::MM_ISOTROPIC) fixIsotropic(mapping, dpiX, dpiY);
  return true;
}

bool setViewportExtent(Mapping& mapping, int x, int y, int dpiX, int dpiY) {
  if (!extentsCount(mapping)) return true;
  if (x == 0 || y == 0) return false;
  mapping.viewportExtent = {x, y};
  if (mapping.mode == win::MM_ISOTROPIC) fixIsotropic(mapping, dpiX, dpiY);
  return true;
}

}  // namespace standins::gdi::detail
