#pragma once
// Plots held in memory: loading a plot file into movable memory blocks, drawing it fitted into a
// rectangle, and the writers that put plots (or any file) into plot containers or turn a plot into a
// placeable metafile file.

#include <cstdint>

#include "common/export.h"
#include "platform/windows/types.h"

namespace kvom::report {

struct PictureSlot;

// A loaded plot. All zero is empty; the blocks are locked only while a routine works on them.
struct PlotObject {
  platform::win::HGLOBAL records = nullptr;    // PlotRecord array, 25 bytes each
  platform::win::HGLOBAL extraText = nullptr;  // the texts' characters; none when the plot has none
  std::int32_t recordCount = 0;
  std::int32_t xExtent = 0;  // the plot's extents times 1000, cut toward zero
  std::int32_t yExtent = 0;
  // The rectangle (device units) of this plot's last aspect fitting in DrawPlotInRect: drawing into
  // it again needs no new fitting.
  platform::win::RECT FittedPlotRect{};
};

// A selected area of a bitmap, for CopyBitmapToClipboard. The clipboard takes the bitmap in bitmap
// mode, after which the handle is null again.
struct BitmapSelectionRecord {
  platform::win::HBITMAP bitmap = nullptr;
  platform::win::RECT area{};  // in the bitmap's pixels
};
KVOM_EXPORT extern BitmapSelectionRecord BitmapSelection;
// Hands a bitmap and its selected area to BitmapSelection (the caller keeps owning the bitmap
// until the clipboard takes it).
KVOM_EXPORT void SetBitmapSelection(platform::win::HBITMAP bitmap, const platform::win::RECT& area);

// Reads a plot (".KVD" text or one block of a ".BFD" container) into the object: 1 when loaded,
// 0 when the file holds no records (the object is then left as it was) or memory runs out.
KVOM_EXPORT std::int32_t LoadPlot(PlotObject& plot, const char* path, std::int32_t block);
// Frees the object's blocks (the handles become null) and the plotter's shared pens and font.
KVOM_EXPORT void FreePlot(PlotObject& plot);
// Plays the slot's plot into the rectangle (device units) with its aspect ratio kept.
KVOM_EXPORT void DrawPlotInRect(PictureSlot& slot, platform::win::HWND window, platform::win::HDC dc,
                                const platform::win::RECT& rect);

// The rectangle fitted into `rect` for a plot of the given extents: narrowed and centred
// horizontally when it is too wide, else shortened and centred vertically when too tall; a
// difference of one unit or less, or a zero extent, leaves it as it is.
KVOM_EXPORT platform::win::RECT FitPlotRect(const platform::win::RECT& rect, std::int32_t xExtent,
                                            std::int32_t yExtent);

// Writers. Names are relative to the case directory. A write that fails shows "Can not write to
// file" ("K-VOM") and leaves the container as it was: a converted container is written beside the
// old one and replaces it only once whole, a failed append is cut back.
// The plot (".KVD" added when the name has no '.') written as the single block of a container of
// the same base name with the extension ".BFD".
KVOM_EXPORT void ConvertPlotFile(const char* name);
// Block 1 of the source plot appended with the title to the target container.
KVOM_EXPORT void AppendPlotBlock(const char* source, const char* target, const char* title);
// The bytes of any file appended to the target container as one block.
KVOM_EXPORT void AppendFileBlock(const char* source, const char* target, const char* title);
// Block 1 of the plot drawn into a metafile of width x height logical units and written as a
// placeable metafile file.
KVOM_EXPORT void PlotToMetafile(const char* plotName, const char* metafileName, std::int32_t width,
                                std::int32_t height);
// Copies BitmapSelection to the clipboard: a metafile picture in mode 0, the bitmap otherwise.
KVOM_EXPORT void CopyBitmapToClipboard(platform::win::HWND window, std::int32_t mode);

}  // namespace kvom::report
