#pragma once
// The pictures of the current form or page: up to ten enhanced metafiles, Windows metafiles or plots,
// each placed over a rectangle of character cells. Reads picture references, loads picture files by
// their extension, draws them, and reads and writes Windows metafile files (plain, or placeable with
// the 22-byte header in front).

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/export.h"
#include "platform/windows/types.h"
#include "report/aligned_values.h"
#include "report/plot_object.h"

namespace kvom::report {

inline constexpr std::int32_t kPictureEmpty = 0;
inline constexpr std::int32_t kPictureEnhanced = 1;   // enhanced metafile
inline constexpr std::int32_t kPicturePlaceable = 2;  // Windows metafile with a placeable header
inline constexpr std::int32_t kPicturePlain = 3;      // Windows metafile without one
inline constexpr std::int32_t kPicturePlot = 4;

inline constexpr std::size_t kMaxPictures = 10;
inline constexpr std::size_t kPlaceableHeaderSize = 22;
inline constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7u;
inline constexpr std::size_t kMaxPictureReference = 79;  // characters of a reference and of its name

using PlaceableHeader = std::array<unsigned char, kPlaceableHeaderSize>;

struct PictureSlot {
  std::int32_t kind = kPictureEmpty;
  std::int32_t firstCell = 0;                              // row * 80 + column, from 0, of the top-left cell
  std::int32_t lastCell = 0;                               // of the bottom-right cell
  platform::win::RECT plotWindow{};                        // kept by DrawPlotInRect; all 0 until first drawn
  platform::win::RECT drawnRect{};                         // where the plot was last drawn on the screen
  platform::win::HENHMETAFILE enhancedMetafile = nullptr;  // kind 1
  platform::win::HMETAFILE metafile = nullptr;             // kinds 2 and 3
  PlaceableHeader placeableHeader{};                       // kind 2, as read
  PlotObject plot;                                         // kind 4
};

struct PictureTableRecord {
  std::array<PictureSlot, kMaxPictures> slots{};
  std::int32_t count = 0;  // slots 0 .. count - 1 are loaded
};
KVOM_EXPORT extern PictureTableRecord PictureTable;

// Set by a picture reference in angle brackets, cleared by one in braces: while set the screen
// draws its pictures under the text, else over it. Set at load.
KVOM_EXPORT extern std::int32_t PictureBracketFlag;

// Empties the count and loads the references in the first 255 characters of the text. The slots
// are not freed first (FreeAllPictures does that).
KVOM_EXPORT void LoadPagePictures(const char* text);
// Loads the reference "name column row column row" into the slot; cells counted from baseCell.
// 1 when loaded, else 0. A reference beyond 79 characters, a name beyond 79, or fewer than five
// fields load nothing.
KVOM_EXPORT std::int32_t LoadPicture(std::int32_t slot, const char* reference, std::int32_t baseCell,
                                     std::int32_t block);
// Loads the file by the extension of its name: EMF, WMF, KVD or BFD (any case). 1 or 0.
KVOM_EXPORT std::int32_t LoadPictureFile(std::int32_t slot, const char* path, std::int32_t block);
// Draws the slot into the rectangle (the context's units). The context's mapping and clip are left
// as they were found.
KVOM_EXPORT void DrawPicture(std::int32_t slot, platform::win::HWND window, platform::win::HDC dc,
                             const platform::win::RECT& rect);
// The mouse point packs x into the low 16 bits and y into the high 16 bits, both unsigned. 1 and the
// index of the first plot drawn on the screen whose rectangle holds the point (edges included).
KVOM_EXPORT std::int32_t PictureAtPoint(std::uint32_t point, std::int32_t& index);
KVOM_EXPORT void FreePicture(std::int32_t slot);
KVOM_EXPORT void FreeAllPictures();

// Reads a metafile file: placeable (kind 2, header kept; its checksum is not tested) or plain
// (kind 3). Null on failure.
KVOM_EXPORT platform::win::HMETAFILE ReadWindowsMetafile(const char* path, PlaceableHeader& header, PictureSlot& slot);
// The anisotropic mapping of the header's bounding box onto the rectangle.
KVOM_EXPORT void MapPlaceableWindow(platform::win::HWND window, platform::win::HDC dc, const PlaceableHeader& header,
                                    const platform::win::RECT& rect);
// Writes the metafile with a placeable header of the rectangle's bounding box, followed by the
// bytes that the metafile's own header counts (what a reader takes): 1 written, 0 failed (no file
// is left behind then), as for a metafile whose header counts fewer bytes than itself.
KVOM_EXPORT std::int32_t WritePlaceableMetafile(platform::win::HMETAFILE metafile, const char* path,
                                                const platform::win::RECT& rect);
// Writes the metafile's bits alone (a plain metafile file): 1 or 0.
KVOM_EXPORT std::int32_t WriteMetafile(platform::win::HMETAFILE metafile, const char* path);
// The XOR of the header's first ten 16-bit words.
KVOM_EXPORT std::uint16_t PlaceableChecksum(std::span<const unsigned char, kPlaceableHeaderSize> header);

}  // namespace kvom::report
