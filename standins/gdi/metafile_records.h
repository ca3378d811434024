#pragma once
// Recording of plain metafile records by metafile contexts. Records are 16-bit words: the record's
// size in words (32 bits, low word first), its function number, then its parameters, most of them
// in the reverse order of the function's arguments, as the metafile format has them.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/windows/metafile.h"
#include "standins/gdi/gdi_state.h"

namespace standins::gdi::detail {

struct MetafileRecorder {
  std::string file;                   // Windows path of a disk metafile; empty for a memory metafile
  std::vector<std::uint16_t> words;   // the records so far, without header and end record
  std::vector<std::uintptr_t> slots;  // the metafile's object table: object handle per index, 0 when free
  std::uint32_t maxRecord = 0;        // largest record in words

  void add(win::WORD function, std::span<const std::uint16_t> parameters);
  // The object's index in the metafile's table, recording its creation when it has none yet.
  std::uint16_t slotOf(std::uintptr_t handle, const Object& object);
  // The complete bits: header, records, end record.
  std::vector<std::uint8_t> bits(bool onDisk) const;
};

// The recorder of a metafile context, null for any other context.
MetafileRecorder* recorderOf(win::HDC hdc);
// Records the call when hdc is a metafile context; tells whether it was one. Every parameter is
// cut to 16 bits.
bool recordCall(win::HDC hdc, win::WORD function, std::initializer_list<long long> parameters);
// Records a COLORREF parameter's two words.
bool recordColor(win::HDC hdc, win::WORD function, win::COLORREF color);
// META_TEXTOUT or META_EXTTEXTOUT of a metafile context.
bool recordText(win::HDC hdc, int x, int y, win::UINT options, const win::RECT* rect, const char* text, int count,
                const int* advances, bool extended);
bool recordPolyline(win::HDC hdc, const win::POINT* points, int count);
// The selection of a pen, brush or font into a metafile context (its creation first when new).
void recordSelect(win::HDC hdc, std::uintptr_t handle);
// An object being deleted leaves the table of every metafile context that uses it.
void recordDelete(std::uintptr_t handle);
// A block transfer into a metafile context: the source's pixels as a device-independent bitmap.
bool recordBlit(win::HDC target, int x, int y, int width, int height, const Surface& source, win::RECT sourceRect,
                win::DWORD rop);

// The pixels of a part of a surface, rendered as it would be shown: 0x00RRGGBB, rows top down.
std::vector<std::uint32_t> renderPixels(const Surface& surface, win::RECT part);
// Draws a picture of pixels (rows top down) into the target rectangle of the context.
bool drawPixels(win::HDC hdc, int x, int y, int width, int height, int pixelWidth, int pixelHeight,
                std::vector<std::uint32_t> pixels);

// The bytes of a file named by a Windows path; nullopt when it cannot be read.
std::optional<std::vector<std::uint8_t>> readWholeFile(const char* windowsPath);

}  // namespace standins::gdi::detail
