#pragma once
// Control of the graphics stand-in, for host programs and tests.
//
// Every drawing call is mapped to device units and appended to the display list of the surface the
// context draws on: a window surface, a bitmap (memory contexts), a page, or the screen. Tests read
// the display list and the call log, not pixels; writePng and writePdf render a surface with cairo
// so that people can look at it. The text measure model and the rendering rules are described in
// standins/gdi/README.md.
//
// Call log: one entry per GDI call in call order, the function name followed by its arguments as
// given, separated by single blanks. Queries that only read a context's or an object's state
// (GetMapMode, GetTextColor, GetBkColor, GetBkMode, GetTextAlign, the Get...OrgEx and Get...ExtEx
// functions, GetCurrentPositionEx, GetClipBox, GetCurrentObject, GetObjectType, GetObjectA, LPtoDP,
// DPtoLP) are not logged and cannot be made to fail. Handles are written by kind and number: "dc3", "pen7",
// "brush8", "font9", "rgn10", "bmp11", metafiles "mf12" and "emf13", windows "wnd14", stock objects
// as "stock:BLACK_PEN", unknown handles as "obj<number>", null as "0". Texts appear as given (their count of
// characters), colours as six hex digits in the order of the COLORREF (blue, green, red: "0000FF" is red). Examples:
//   CreatePen 2 1 000000           SelectObject dc1 pen4         LineTo dc1 100 200
//   TextOutA dc1 10 20 Total       SetMapMode dc1 7              DeleteObject font5
// Failed calls are logged all the same.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/windows/gdi.h"

namespace standins::gdi {

// Kinds of device context. Printer contexts come with the printing services; a printer's surface
// has a page per printed page, every other surface one page. Metafile contexts (CreateMetaFileA)
// draw on no surface: they record metafile records.
enum class ContextKind { Window, Memory, Page, Screen, Information, Printer, Metafile };

// Kinds of object in the one handle table.
enum class ObjectKind { Pen, Brush, Font, Region, Bitmap, Metafile, EnhancedMetafile };

struct PenStyle {
  int style = platform::win::PS_SOLID;  // after Windows' rule: dashed styles wider than 1 are solid
  double width = 1;                     // device units, at least 1
  platform::win::COLORREF color = 0;
};

struct BrushStyle {
  bool hollow = false;
  platform::win::COLORREF color = 0;
};

// A font as it was realised for one text output: its description, and its measures in device
// units by the measure model.
struct FontStyle {
  platform::win::LOGFONTA description{};
  bool fixedPitch = false;
  double height = 0;     // cell height
  double ascent = 0;     // top of the cell to the baseline
  double charWidth = 0;  // the one advance of every character
  double angle = 0;      // escapement in degrees, counter-clockwise
};

struct DisplayEntry;

// A snapshot of a surface's content, shared by block transfers that copied it.
struct Snapshot {
  int width = 0;
  int height = 0;
  platform::win::COLORREF background = 0;
  std::vector<DisplayEntry> entries;
  // A picture of pixels (0x00RRGGBB, rows top down, width x height) in place of entries: a bitmap
  // played from a metafile.
  std::vector<std::uint32_t> pixels;
};

enum class EntryKind {
  Line,       // points: the polyline's vertices (2 or more)
  Rectangle,  // points: top-left and bottom-right corner (right and bottom excluded)
  Ellipse,    // points: the bounding box's corners
  Arc,        // points: the bounding box's corners, start point, end point
  FillRect,   // points: corners; brush: the fill (no outline)
  Text,       // points: the reference point; text, font, colours, alignment
  Blit,       // points: target corners, then source corners; snapshot: the source's content
  Fill        // PatBlt: points: corners; fill colour in brush
};

struct DisplayEntry {
  EntryKind kind = EntryKind::Line;
  std::vector<platform::win::POINT> points;  // device units
  PenStyle pen;
  BrushStyle brush;
  FontStyle font;
  std::string text;              // ANSI code page bytes
  std::vector<double> advances;  // ExtTextOutA: each character's advance in device units
  platform::win::COLORREF textColor = 0;
  platform::win::COLORREF backgroundColor = 0xFFFFFF;
  int backgroundMode = platform::win::OPAQUE;
  platform::win::UINT textAlign = 0;
  std::optional<platform::win::RECT> opaqueRect;  // ExtTextOutA with ETO_OPAQUE, device units
  std::optional<platform::win::RECT> clip;        // device units, right and bottom excluded
  std::shared_ptr<const Snapshot> snapshot;       // Blit
  platform::win::DWORD rop = 0;                   // Blit and Fill
};

struct Page {
  std::vector<DisplayEntry> entries;
};

// Forgets every context, object, count, failure and the log. Handles still held by callers become
// unknown: calls with them fail and never reach freed memory.
void reset();

// A window surface of the given client size (96 pixels per inch, screen capabilities), with a
// context that draws on it. The context is deleted with DeleteDC.
platform::win::HDC createWindowContext(int width, int height);
// A printer-like page of the given size in pixels and resolution: GetDeviceCaps answers HORZRES,
// VERTRES, PHYSICALWIDTH, PHYSICALHEIGHT with the size, LOGPIXELSX/Y with the resolution, HORZSIZE
// and VERTSIZE in millimetres; the offsets are 0.
platform::win::HDC createPageContext(int widthPixels, int heightPixels, int dpi);
// The screen that "DISPLAY" contexts, window contexts and memory contexts of no device describe
// (default 1920 x 1080 at 96 pixels per inch).
void setScreen(int width, int height, int dpi);

std::optional<ContextKind> contextKind(platform::win::HDC hdc);
int liveContexts();

// The surface a context draws on: the window, page or screen; the bitmap selected into a memory
// context. Empty for an unknown context or one that draws on nothing.
const std::vector<Page>& pages(platform::win::HDC hdc);
// The entries of the surface's last page (empty when none).
const std::vector<DisplayEntry>& displayList(platform::win::HDC hdc);
// The entries of a bitmap's content.
const std::vector<DisplayEntry>& bitmapContent(platform::win::HBITMAP bitmap);
void clearDisplayList(platform::win::HDC hdc);

const std::vector<std::string>& callLog();
void clearCallLog();

// Objects made and not yet deleted, by kind; stock objects are never counted.
int liveObjects(ObjectKind kind);
int liveObjects();
// DeleteObject calls that were refused: a null or unknown handle, one already deleted, or an object
// selected into a live context (Windows refuses to delete those; the object stays alive and
// selected). Deleting a stock object does nothing and is not counted.
int invalidDeletes();
// DeleteDC calls of an unknown or already deleted context.
int invalidContextDeletes();

// After `skip` calls of the named operation have passed, the next `times` calls (< 0: every later
// one) fail the way Windows reports it (null handle, FALSE or 0) and change nothing. Names are the
// function names ("CreatePen", "CreateCompatibleDC", "CreateCompatibleBitmap", "SelectObject",
// "TextOutA", "BitBlt", ...) and "writePdf", "writePng".
void failOperation(std::string_view operation, int skip = 0, int times = -1);

// The text measure model (README): a font description's cell height, ascent and character
// advance in the font's own (logical) units.
// The advance of a font without a width of its own, in percent of its height.
inline constexpr int kProportionalAdvancePercent = 44;
inline constexpr int kFixedAdvancePercent = 52;
// The largest height and width a font has; a description that asks for more gets this.
inline constexpr int kMaxFontSize = 32767;

struct TextMeasure {
  int height = 0;
  int ascent = 0;
  int charWidth = 0;
  bool fixedPitch = false;
};
TextMeasure measureFont(const platform::win::LOGFONTA& font);

// Pictures. writePdf writes every page of the context's surface as one PDF page of the surface's
// physical size (pixels at its resolution); writePng writes the surface's last page at device
// resolution. Both false when the context has no surface or the file cannot be written.
bool writePdf(platform::win::HDC hdc, const std::string& path);
bool writePng(platform::win::HDC hdc, const std::string& path);

}  // namespace standins::gdi
