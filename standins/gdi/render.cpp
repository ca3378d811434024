// Rendering of display lists with cairo: PNG images of surfaces and PDF documents of their pages.
// Coordinates are device pixels; a pixel (x, y) is the square from (x, y) to (x + 1, y + 1), so
// lines run through pixel centres as on the screen.

#include <cairo-pdf.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <string_view>

#include "standins/gdi/gdi_state.h"
#include "standins/gdi/metafile_records.h"

namespace standins::gdi {

namespace win = platform::win;
using detail::Surface;

namespace {

void setColor(cairo_t* cr, win::COLORREF color) {
  cairo_set_source_rgb(cr, (color & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0, ((color >> 16) & 0xFF) / 255.0);
}

// One character of the ANSI code page (1252) as UTF-8; control characters show as blanks.
std::string utf8(unsigned char c) {
  static constexpr std::array<char16_t, 32> high = {0x20AC, u'?',   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, u'?',   0x017D, u'?',
                                                    u'?',   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, u'?',   0x017E, 0x0178};
  char32_t code = c;
  if (c < 0x20 || c == 0x7F) code = u' ';
  if (c >= 0x80 && c < 0xA0) code = high[c - 0x80];
  std::string out;
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
  return out;
}

bool faceIs(std::string_view face, std::initializer_list<std::string_view> names) {
  for (std::string_view name : names) {
    if (face.size() == name.size() && std::equal(face.begin(), face.end(), name.begin(),
                                                 [](char a, char b) { return std::tolower(a) == std::tolower(b); })) {
      return true;
    }
  }
  return false;
}

// The installed family that stands for a face: metric-compatible sans, serif and monospace faces.
const char* family(const win::LOGFONTA& font, bool fixedPitch) {
  const std::string_view face(font.lfFaceName, strnlen(font.lfFaceName, sizeof font.lfFaceName));
  if (fixedPitch) return "Liberation Mono";
  if (faceIs(face, {"Times New Roman", "Times"}) || (font.lfPitchAndFamily & 0xF0) == win::FF_ROMAN) {
    return "Liberation Serif";
  }
  return "Liberation Sans";
}

void clipTo(cairo_t* cr, const win::RECT& r) {
  cairo_rectangle(cr, r.left, r.top, std::max(0, r.right - r.left), std::max(0, r.bottom - r.top));
  cairo_clip(cr);
}

// Dash patterns in pixels of a 96-dpi screen, scaled to the surface's resolution.
bool setPen(cairo_t* cr, const PenStyle& pen, double dpiScale) {
  if (pen.style == win::PS_NULL) return false;
  setColor(cr, pen.color);
  cairo_set_line_width(cr, pen.width);
  std::vector<double> dashes;
  switch (pen.style) {
    case win::PS_DASH:
      dashes = {18, 6};
      break;
    case win::PS_DOT:
      dashes = {3, 3};
      break;
    case win::PS_DASHDOT:
      dashes = {9, 6, 3, 6};
      break;
    case win::PS_DASHDOTDOT:
      dashes = {9, 3, 3, 3, 3, 3};
      break;
    default:
      break;
  }
  for (double& d : dashes) d *= dpiScale * pen.width;
  cairo_set_dash(cr, dashes.data(), static_cast<int>(dashes.size()), 0);
  const bool solid = dashes.empty();
  cairo_set_line_cap(cr, solid ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  return true;
}

void fillRect(cairo_t* cr, const win::RECT& r, win::COLORREF color) {
  setColor(cr, color);
  cairo_rectangle(cr, r.left, r.top, r.right - r.left, r.bottom - r.top);
  cairo_fill(cr);
}

void ellipsePath(cairo_t* cr, double cx, double cy, double rx, double ry) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, std::max(rx, 0.01), std::max(ry, 0.01));
  cairo_new_sub_path(cr);
  cairo_arc(cr, 0, 0, 1, 0, 2 * std::numbers::pi);
  cairo_close_path(cr);
  cairo_restore(cr);
}

// Fills the current path with the brush, then outlines it with the pen.
void fillAndStroke(cairo_t* cr, const DisplayEntry& e, double dpiScale) {
  if (!e.brush.hollow) {
    setColor(cr, e.brush.color);
    cairo_fill_preserve(cr);
  }
  if (setPen(cr, e.pen, dpiScale)) cairo_stroke_preserve(cr);
  cairo_new_path(cr);
}

void drawShape(cairo_t* cr, const DisplayEntry& e, double dpiScale) {
  const win::POINT a = e.points[0];
  const win::POINT b = e.points[1];
  // The outline runs through the pixel centres of the box's edges; right and bottom are excluded.
  const double left = a.x + 0.5;
  const double top = a.y + 0.5;
  const double width = std::max(0, b.x - a.x - 1);
  const double height = std::max(0, b.y - a.y - 1);
  if (e.kind == EntryKind::Rectangle) {
    if (e.pen.style == win::PS_NULL) {
      if (!e.brush.hollow) fillRect(cr, {a.x, a.y, b.x - 1, b.y - 1}, e.brush.color);
      return;
    }
    cairo_rectangle(cr, left, top, width, height);
  } else {
    ellipsePath(cr, left + width / 2, top + height / 2, width / 2, height / 2);
  }
  fillAndStroke(cr, e, dpiScale);
}

// An arc of the ellipse in the box, counter-clockwise on the device from the radial through the
// start point to the radial through the end point; equal radials give the whole ellipse.
void drawArc(cairo_t* cr, const DisplayEntry& e, double dpiScale) {
  const win::POINT a = e.points[0];
  const win::POINT b = e.points[1];
  const double rx = std::max(0.01, (b.x - a.x - 1) / 2.0);
  const double ry = std::max(0.01, (b.y - a.y - 1) / 2.0);
  const double cx = a.x + 0.5 + (b.x - a.x - 1) / 2.0;
  const double cy = a.y + 0.5 + (b.y - a.y - 1) / 2.0;
  auto angle = [&](win::POINT p) { return std::atan2((p.y + 0.5 - cy) / ry, (p.x + 0.5 - cx) / rx); };
  const double start = angle(e.points[2]);
  double end = angle(e.points[3]);
  if (std::fabs(end - start) < 1e-9) end = start - 2 * std::numbers::pi;
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, rx, ry);
  cairo_new_sub_path(cr);
  // On a y-down device a visually counter-clockwise arc runs toward smaller angles.
  cairo_arc_negative(cr, 0, 0, 1, start, end);
  cairo_restore(cr);
  if (setPen(cr, e.pen, dpiScale)) cairo_stroke(cr);
  cairo_new_path(cr);
}

void drawLine(cairo_t* cr, const DisplayEntry& e, double dpiScale) {
  if (!setPen(cr, e.pen, dpiScale)) return;
  cairo_move_to(cr, e.points[0].x + 0.5, e.points[0].y + 0.5);
  for (std::size_t i = 1; i < e.points.size(); ++i) cairo_line_to(cr, e.points[i].x + 0.5, e.points[i].y + 0.5);
  cairo_stroke(cr);
}

// Text: the run takes exactly the width of the measure model. Fixed-pitch faces put each character
// in its own cell; proportional faces keep their glyph shapes, spaced out where the model is wider
// and closed up, then narrowed, where it is narrower, so that columns that line up in the model line up on the page.
void drawText(cairo_t* cr, const DisplayEntry& e) {
  const FontStyle& f = e.font;
  const std::size_t n = e.text.size();
  if (e.opaqueRect) fillRect(cr, *e.opaqueRect, e.backgroundColor);
  if (f.height <= 0) return;

  const bool bold = f.description.lfWeight >= 600;
  cairo_select_font_face(cr, family(f.description, f.fixedPitch),
                         f.description.lfItalic != 0 ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  // Unhinted metrics: glyph advances and extents scale exactly with the size on every surface.
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
  constexpr double probe = 100;
  cairo_set_font_size(cr, probe);
  cairo_font_extents_t extents;
  cairo_font_extents(cr, &extents);
  const double em = probe * f.height / std::max(1.0, extents.ascent + extents.descent);
  cairo_set_font_size(cr, em);

  std::vector<std::string> glyphs;
  std::vector<double> natural;
  double naturalWidth = 0;
  for (unsigned char c : e.text) {
    glyphs.push_back(utf8(c));
    cairo_text_extents_t extents;
    cairo_text_extents(cr, glyphs.back().c_str(), &extents);
    natural.push_back(extents.x_advance);
    naturalWidth += extents.x_advance;
  }

  // Each glyph's left edge along the baseline, and the horizontal glyph scale.
  std::vector<double> x(n, 0);
  double scale = 1;
  double width = 0;
  if (!e.advances.empty()) {
    for (std::size_t i = 0; i < n; ++i) {
      x[i] = width;
      width += e.advances[i];
    }
  } else if (f.fixedPitch) {
    width = f.charWidth * static_cast<double>(n);
    const double cell = n > 0 && natural[0] > 0 ? natural[0] : f.charWidth;
    scale = f.charWidth / cell;
    for (std::size_t i = 0; i < n; ++i) x[i] = f.charWidth * static_cast<double>(i);
  } else {
    width = f.charWidth * static_cast<double>(n);
    // Glyphs keep their natural width where the model leaves room (spaced out evenly) and are
    // narrowed only as far as letting them close up by a little cannot make up the difference.
    const double closeUp = 0.02 * em;
    if (naturalWidth > 0) {
      scale = std::min(1.0, (width + closeUp * static_cast<double>(n > 1 ? n - 1 : 0)) / naturalWidth);
    }
    const double leftover = width - naturalWidth * scale;
    const double gap = n > 1 ? leftover / static_cast<double>(n - 1) : 0;
    double position = n == 1 ? leftover / 2 : 0;
    for (std::size_t i = 0; i < n; ++i) {
      x[i] = position;
      position += natural[i] * scale + gap;
    }
  }

  cairo_save(cr);
  cairo_translate(cr, e.points[0].x, e.points[0].y);
  cairo_rotate(cr, -f.angle * std::numbers::pi / 180);
  double left = 0;
  if ((e.textAlign & win::TA_CENTER) == win::TA_CENTER) {
    left = -width / 2;
  } else if ((e.textAlign & win::TA_RIGHT) != 0) {
    left = -width;
  }
  double top = 0;
  if ((e.textAlign & win::TA_BASELINE) == win::TA_BASELINE) {
    top = -f.ascent;
  } else if ((e.textAlign & win::TA_BOTTOM) != 0) {
    top = -f.height;
  }
  if (e.backgroundMode == win::OPAQUE) {
    setColor(cr, e.backgroundColor);
    cairo_rectangle(cr, left, top, width, f.height);
    cairo_fill(cr);
  }
  setColor(cr, e.textColor);
  const double baseline = top + f.ascent;
  for (std::size_t i = 0; i < n; ++i) {
    cairo_save(cr);
    cairo_translate(cr, left + x[i], baseline);
    cairo_scale(cr, scale, 1);
    cairo_move_to(cr, 0, 0);
    cairo_show_text(cr, glyphs[i].c_str());
    cairo_restore(cr);
  }
  const double thickness = std::max(1.0, f.height / 18);
  cairo_set_line_width(cr, thickness);
  cairo_set_dash(cr, nullptr, 0, 0);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  if (f.description.lfUnderline != 0) {
    const double y = baseline + (f.height - f.ascent) / 2;
    cairo_move_to(cr, left, y);
    cairo_line_to(cr, left + width, y);
    cairo_stroke(cr);
  }
  if (f.description.lfStrikeOut != 0) {
    const double y = baseline - f.ascent * 0.3;
    cairo_move_to(cr, left, y);
    cairo_line_to(cr, left + width, y);
    cairo_stroke(cr);
  }
  cairo_restore(cr);
}

void drawEntries(cairo_t* cr, const std::vector<DisplayEntry>& entries, double dpiScale);

// A picture of pixels, each pixel a square of the source's units.
void drawPixelPicture(cairo_t* cr, const Snapshot& source) {
  if (source.width <= 0 || source.height <= 0 ||
      source.pixels.size() < static_cast<std::size_t>(source.width) * static_cast<std::size_t>(source.height)) {
    return;
  }
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, source.width, source.height);
  cairo_surface_flush(image);
  unsigned char* data = cairo_image_surface_get_data(image);
  const int stride = cairo_image_surface_get_stride(image);
  for (int row = 0; row < source.height; ++row) {
    std::memcpy(data + static_cast<std::ptrdiff_t>(row) * stride,
                source.pixels.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(source.width),
                static_cast<std::size_t>(source.width) * 4);
  }
  cairo_surface_mark_dirty(image);
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint(cr);
  cairo_surface_destroy(image);
}

// A block transfer: the source's content, moved and scaled from the source rectangle onto the
// target rectangle and clipped to it.
void drawBlit(cairo_t* cr, const DisplayEntry& e, double dpiScale) {
  const win::POINT t0 = e.points[0], t1 = e.points[1], s0 = e.points[2], s1 = e.points[3];
  if (s1.x == s0.x || s1.y == s0.y || t1.x == t0.x || t1.y == t0.y || !e.snapshot) return;
  clipTo(cr, {std::min(t0.x, t1.x), std::min(t0.y, t1.y), std::max(t0.x, t1.x), std::max(t0.y, t1.y)});
  cairo_translate(cr, t0.x, t0.y);
  cairo_scale(cr, static_cast<double>(t1.x - t0.x) / (s1.x - s0.x), static_cast<double>(t1.y - t0.y) / (s1.y - s0.y));
  cairo_translate(cr, -s0.x, -s0.y);
  const Snapshot& source = *e.snapshot;
  if (!source.pixels.empty()) {
    drawPixelPicture(cr, source);
    return;
  }
  fillRect(cr, {0, 0, source.width, source.height}, source.background);
  clipTo(cr, {0, 0, source.width, source.height});
  drawEntries(cr, source.entries, dpiScale);
}

void drawEntry(cairo_t* cr, const DisplayEntry& e, double dpiScale) {
  cairo_save(cr);
  if (e.clip) clipTo(cr, *e.clip);
  switch (e.kind) {
    case EntryKind::Line:
      if (e.points.size() >= 2) drawLine(cr, e, dpiScale);
      break;
    case EntryKind::Rectangle:
    case EntryKind::Ellipse:
      drawShape(cr, e, dpiScale);
      break;
    case EntryKind::Arc:
      drawArc(cr, e, dpiScale);
      break;
    case EntryKind::FillRect:
    case EntryKind::Fill:
      if (!e.brush.hollow) fillRect(cr, {e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y}, e.brush.color);
      break;
    case EntryKind::Text:
      drawText(cr, e);
      break;
    case EntryKind::Blit:
      drawBlit(cr, e, dpiScale);
      break;
  }
  cairo_restore(cr);
}

void drawEntries(cairo_t* cr, const std::vector<DisplayEntry>& entries, double dpiScale) {
  for (const DisplayEntry& e : entries) drawEntry(cr, e, dpiScale);
}

void drawPage(cairo_t* cr, const Surface& surface, const Page& page) {
  fillRect(cr, {0, 0, surface.width, surface.height}, surface.background);
  clipTo(cr, {0, 0, surface.width, surface.height});
  drawEntries(cr, page.entries, surface.dpiX / 96.0);
}

// cairo and the font configuration keep the fonts they have looked up in caches of their own;
// they are released when the library is unloaded, so that leak checkers see every block freed.
struct FontCaches {
  ~FontCaches() {
    cairo_debug_reset_static_data();
    FcFini();
  }
} fontCaches;

Surface* surfaceOf(win::HDC hdc) {
  detail::Context* context = detail::findContext(hdc);
  return context != nullptr ? detail::targetSurface(*context) : nullptr;
}

bool startRendering(std::string_view operation, win::HDC hdc, const std::string& path) {
  return detail::enter(operation, detail::contextName(hdc) + ' ' + path);
}

}  // namespace

bool detail::writeSurfacePng(const Surface& surface, const std::string& path) {
  if (surface.width <= 0 || surface.height <= 0) return false;
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, surface.width, surface.height);
  cairo_t* cr = cairo_create(image);
  drawPage(cr, surface, surface.pages.back());
  cairo_destroy(cr);
  const bool written = cairo_surface_write_to_png(image, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(image);
  return written;
}

std::vector<std::uint32_t> detail::renderPixels(const Surface& surface, win::RECT part) {
  const int width = std::max(0, static_cast<int>(part.right - part.left));
  const int height = std::max(0, static_cast<int>(part.bottom - part.top));
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  if (pixels.empty()) return pixels;
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cr = cairo_create(image);
  cairo_translate(cr, -part.left, -part.top);
  drawPage(cr, surface, surface.pages.back());
  cairo_destroy(cr);
  cairo_surface_flush(image);
  const unsigned char* data = cairo_image_surface_get_data(image);
  const int stride = cairo_image_surface_get_stride(image);
  for (int row = 0; row < height; ++row) {
    const auto* line = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(row) * stride);
    for (int col = 0; col < width; ++col) {
      pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) + static_cast<std::size_t>(col)] =
          line[col] & 0xFFFFFFu;
    }
  }
  cairo_surface_destroy(image);
  return pixels;
}

bool writePng(win::HDC hdc, const std::string& path) {
  if (!startRendering("writePng", hdc, path)) return false;
  const Surface* surface = surfaceOf(hdc);
  return surface != nullptr && detail::writeSurfacePng(*surface, path);
}

bool writePdf(win::HDC hdc, const std::string& path) {
  if (!startRendering("writePdf", hdc, path)) return false;
  const Surface* surface = surfaceOf(hdc);
  return surface != nullptr && detail::writePagesPdf(*surface, surface->pages, path);
}

bool detail::writePagesPdf(const Surface& surface, const std::vector<Page>& pages, const std::string& path) {
  if (surface.width <= 0 || surface.height <= 0 || pages.empty()) return false;
  const double pointsX = 72.0 / surface.dpiX;
  const double pointsY = 72.0 / surface.dpiY;
  cairo_surface_t* document = cairo_pdf_surface_create(path.c_str(), surface.width * pointsX, surface.height * pointsY);
  cairo_t* cr = cairo_create(document);
  for (const Page& page : pages) {
    cairo_save(cr);
    cairo_scale(cr, pointsX, pointsY);
    drawPage(cr, surface, page);
    cairo_restore(cr);
    cairo_show_page(cr);
  }
  cairo_destroy(cr);
  cairo_surface_finish(document);
  const bool written = cairo_surface_status(document) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(document);
  return written;
}

}  // namespace standins::gdi
