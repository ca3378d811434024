#pragma once
// The logical-to-device mapping of a device context: a mapping mode, window and viewport origins
// and extents, as Windows keeps them.

#include "platform/windows/types.h"

namespace standins::gdi::detail {

struct Mapping {
  int mode = 1;  // MM_TEXT
  platform::win::POINT windowOrigin{0, 0};
  platform::win::SIZE windowExtent{1, 1};
  platform::win::POINT viewportOrigin{0, 0};
  platform::win::SIZE viewportExtent{1, 1};
};

// Device = (logical - window origin) * viewport extent / window extent + viewport origin, rounded
// to the nearest unit (halves away from zero).
platform::win::POINT toDevice(const Mapping& mapping, platform::win::POINT logical);
platform::win::POINT toLogical(const Mapping& mapping, platform::win::POINT device);
// Device units per logical unit along each axis (negative when the axis is flipped).
double scaleX(const Mapping& mapping);
double scaleY(const Mapping& mapping);

// Sets the mode: the text mode and the fixed metric and English modes set both extents (from the
// device's pixels per inch); the isotropic and anisotropic modes keep the extents in force.
// False for an unknown mode.
bool setMode(Mapping& mapping, int mode, int dpiX, int dpiY);
// Extents count only in the isotropic and anisotropic modes; in the isotropic mode the viewport
// extent is then shrunk on one axis so that a logical unit has the same physical size on both.
// False for a zero extent.
bool setWindowExtent(Mapping& mapping, int x, int y, int dpiX, int dpiY);
bool setViewportExtent(Mapping& mapping, int x, int y, int dpiX, int dpiY);

}  // namespace standins::gdi::detail
