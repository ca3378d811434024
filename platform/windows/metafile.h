#pragma once
// Windows metafiles: contexts that record drawing calls as metafile records, the pictures they
// make (plain Windows metafiles, in memory or in files), and enhanced metafiles read from files.
// A metafile context is an HDC of its own kind: every gdi.h call that draws or sets an attribute
// is recorded in logical units, to be played into another context later.

#include <cstddef>

#include "platform/windows/types.h"

namespace platform::win {

// Picture of a metafile with its mapping, as the clipboard format CF_METAFILEPICT holds it (in a
// global memory block).
struct METAFILEPICT {
  LONG mm;    // mapping mode the picture is meant for
  LONG xExt;  // its size, in units of that mode (a suggested size for the isotropic and anisotropic
  LONG yExt;  // modes)
  HMETAFILE hMF;
};
static_assert(sizeof(METAFILEPICT) == 24 && offsetof(METAFILEPICT, yExt) == 8 && offsetof(METAFILEPICT, hMF) == 16);

// The 18-byte header of a plain metafile's bits, little-endian, no padding (sizes in 16-bit words).
#pragma pack(push, 2)
struct METAHEADER {
  WORD mtType;          // 1 memory, 2 disk
  WORD mtHeaderSize;    // 9 (words)
  WORD mtVersion;       // 0x0300
  DWORD mtSize;         // whole metafile in words
  WORD mtNoObjects;     // most objects alive at once
  DWORD mtMaxRecord;    // largest record in words
  WORD mtNoParameters;  // 0
};
#pragma pack(pop)
static_assert(sizeof(METAHEADER) == 18 && alignof(METAHEADER) == 2);
static_assert(offsetof(METAHEADER, mtVersion) == 4 && offsetof(METAHEADER, mtSize) == 6 &&
              offsetof(METAHEADER, mtNoObjects) == 10 && offsetof(METAHEADER, mtMaxRecord) == 12 &&
              offsetof(METAHEADER, mtNoParameters) == 16);

// Function numbers of plain metafile records (the low byte numbers the function, the high byte
// its count of parameter words where Windows fixes it).
inline constexpr WORD META_EOF = 0x0000;
inline constexpr WORD META_SAVEDC = 0x001E;
inline constexpr WORD META_REALIZEPALETTE = 0x0035;
inline constexpr WORD META_SETBKCOLOR = 0x0201;
inline constexpr WORD META_SETBKMODE = 0x0102;
inline constexpr WORD META_SETMAPMODE = 0x0103;
inline constexpr WORD META_SETROP2 = 0x0104;
inline constexpr WORD META_SETPOLYFILLMODE = 0x0106;
inline constexpr WORD META_SETTEXTCOLOR = 0x0209;
inline constexpr WORD META_SETWINDOWORG = 0x020B;
inline constexpr WORD META_SETWINDOWEXT = 0x020C;
inline constexpr WORD META_SETVIEWPORTORG = 0x020D;
inline constexpr WORD META_SETVIEWPORTEXT = 0x020E;
inline constexpr WORD META_LINETO = 0x0213;
inline constexpr WORD META_MOVETO = 0x0214;
inline constexpr WORD META_INTERSECTCLIPRECT = 0x0416;
inline constexpr WORD META_ARC = 0x0817;
inline constexpr WORD META_ELLIPSE = 0x0418;
inline constexpr WORD META_PATBLT = 0x061D;
inline constexpr WORD META_RESTOREDC = 0x0127;
inline constexpr WORD META_RECTANGLE = 0x041B;
inline constexpr WORD META_TEXTOUT = 0x0521;
inline constexpr WORD META_POLYLINE = 0x0325;
inline constexpr WORD META_SELECTOBJECT = 0x012D;
inline constexpr WORD META_SETTEXTALIGN = 0x012E;
inline constexpr WORD META_DIBSTRETCHBLT = 0x0B41;
inline constexpr WORD META_STRETCHDIB = 0x0F43;
inline constexpr WORD META_DELETEOBJECT = 0x01F0;
inline constexpr WORD META_CREATEPENINDIRECT = 0x02FA;
inline constexpr WORD META_CREATEFONTINDIRECT = 0x02FB;
inline constexpr WORD META_CREATEBRUSHINDIRECT = 0x02FC;
inline constexpr WORD META_EXTTEXTOUT = 0x0A32;

// Placeable metafile files start with this key, ahead of a 22-byte header.
inline constexpr DWORD PLACEABLE_METAFILE_KEY = 0x9AC6CDD7u;

// Record types of enhanced metafiles.
inline constexpr DWORD EMR_HEADER = 1;
inline constexpr DWORD EMR_POLYLINE = 4;
inline constexpr DWORD EMR_SETWINDOWEXTEX = 9;
inline constexpr DWORD EMR_SETWINDOWORGEX = 10;
inline constexpr DWORD EMR_SETVIEWPORTEXTEX = 11;
inline constexpr DWORD EMR_SETVIEWPORTORGEX = 12;
inline constexpr DWORD EMR_EOF = 14;
inline constexpr DWORD EMR_SETMAPMODE = 17;
inline constexpr DWORD EMR_SETBKMODE = 18;
inline constexpr DWORD EMR_SETTEXTALIGN = 22;
inline constexpr DWORD EMR_SETTEXTCOLOR = 24;
inline constexpr DWORD EMR_SETBKCOLOR = 25;
inline constexpr DWORD EMR_MOVETOEX = 27;
inline constexpr DWORD EMR_INTERSECTCLIPRECT = 30;
inline constexpr DWORD EMR_SAVEDC = 33;
inline constexpr DWORD EMR_RESTOREDC = 34;
inline constexpr DWORD EMR_SELECTOBJECT = 37;
inline constexpr DWORD EMR_CREATEPEN = 38;
inline constexpr DWORD EMR_CREATEBRUSHINDIRECT = 39;
inline constexpr DWORD EMR_DELETEOBJECT = 40;
inline constexpr DWORD EMR_ELLIPSE = 42;
inline constexpr DWORD EMR_RECTANGLE = 43;
inline constexpr DWORD EMR_ARC = 45;
inline constexpr DWORD EMR_LINETO = 54;
inline constexpr DWORD EMR_EXTCREATEFONTINDIRECTW = 82;
inline constexpr DWORD EMR_EXTTEXTOUTA = 83;
inline constexpr DWORD EMR_EXTTEXTOUTW = 84;
inline constexpr DWORD EMR_POLYLINE16 = 87;
inline constexpr DWORD ENHMETA_SIGNATURE = 0x464D4520u;  // " EMF"

// The header record of an enhanced metafile (its first record, EMR_HEADER). Bounds are device
// units of the reference device, the frame 0.01 mm. Older files end the header's fields after
// szlMillimeters (88 bytes) or after bOpenGL (100 bytes); the description and the pixel format,
// when there are any, follow the fields within the record.
struct ENHMETAHEADER {
  DWORD iType;  // EMR_HEADER
  DWORD nSize;  // bytes of this record
  RECT rclBounds;
  RECT rclFrame;
  DWORD dSignature;  // ENHMETA_SIGNATURE
  DWORD nVersion;
  DWORD nBytes;    // the whole metafile
  DWORD nRecords;  // records, header and end included
  WORD nHandles;
  WORD sReserved;
  DWORD nDescription;    // characters (16-bit) of the description, 0 for none
  DWORD offDescription;  // its offset from the record's start
  DWORD nPalEntries;
  SIZE szlDevice;       // reference device in pixels
  SIZE szlMillimeters;  // reference device in millimetres
  DWORD cbPixelFormat;  // bytes of the pixel format descriptor, 0 for none
  DWORD offPixelFormat;
  DWORD bOpenGL;        // TRUE when the picture holds OpenGL records
  SIZE szlMicrometers;  // reference device in micrometres
};
static_assert(sizeof(ENHMETAHEADER) == 108);
static_assert(offsetof(ENHMETAHEADER, rclBounds) == 8 && offsetof(ENHMETAHEADER, rclFrame) == 24 &&
              offsetof(ENHMETAHEADER, dSignature) == 40 && offsetof(ENHMETAHEADER, nBytes) == 48 &&
              offsetof(ENHMETAHEADER, nRecords) == 52 && offsetof(ENHMETAHEADER, nHandles) == 56 &&
              offsetof(ENHMETAHEADER, nDescription) == 60 && offsetof(ENHMETAHEADER, offDescription) == 64 &&
              offsetof(ENHMETAHEADER, szlDevice) == 72 && offsetof(ENHMETAHEADER, szlMillimeters) == 80 &&
              offsetof(ENHMETAHEADER, cbPixelFormat) == 88 && offsetof(ENHMETAHEADER, offPixelFormat) == 92 &&
              offsetof(ENHMETAHEADER, bOpenGL) == 96 && offsetof(ENHMETAHEADER, szlMicrometers) == 100);

}  // namespace platform::win

extern "C" {

// A context that records into a new metafile: in memory for a null name, else into that file
// (a Windows path), written when the metafile is closed. Null on failure.
platform::win::HDC CreateMetaFileA(const char* file);
// Ends the recording and deletes the context; the metafile's handle, null on failure (the context
// is deleted all the same).
platform::win::HMETAFILE CloseMetaFile(platform::win::HDC hdc);
// A copy of the metafile: in memory for a null name, else written to that file and read from it.
platform::win::HMETAFILE CopyMetaFileA(platform::win::HMETAFILE metafile, const char* file);
platform::win::BOOL DeleteMetaFile(platform::win::HMETAFILE metafile);
// A metafile read from a plain metafile file (the bits alone, no placeable header); null when the
// file cannot be read or holds no metafile.
platform::win::HMETAFILE GetMetaFileA(const char* file);
// Copies the metafile's bits (header and records) into the buffer; returns the bytes copied, or
// the size of the bits when the buffer is null; 0 on failure or when the buffer is too small.
platform::win::UINT GetMetaFileBitsEx(platform::win::HMETAFILE metafile, platform::win::UINT size, void* buffer);
// A memory metafile made from bits (a copy is kept); null when they are no metafile.
platform::win::HMETAFILE SetMetaFileBitsEx(platform::win::UINT size, const platform::win::BYTE* bits);
// Plays the records into the context in its current state (the metafile's own mapping records
// change the context's mapping); objects it creates are deleted afterwards.
platform::win::BOOL PlayMetaFile(platform::win::HDC hdc, platform::win::HMETAFILE metafile);

// An enhanced metafile read from a file; null when it cannot be read or holds none.
platform::win::HENHMETAFILE GetEnhMetaFileA(const char* file);
// Plays the records stretched so that the picture's frame fills the rectangle (logical units of
// the context).
platform::win::BOOL PlayEnhMetaFile(platform::win::HDC hdc, platform::win::HENHMETAFILE metafile,
                                    const platform::win::RECT* rect);
platform::win::BOOL DeleteEnhMetaFile(platform::win::HENHMETAFILE metafile);
// Copies the header's fields that the file holds (88, 100 or 108 bytes of ENHMETAHEADER, at most
// size bytes); returns the bytes copied, or the size of those fields when the buffer is null; 0 on
// failure.
platform::win::UINT GetEnhMetaFileHeader(platform::win::HENHMETAFILE metafile, platform::win::UINT size,
                                         platform::win::ENHMETAHEADER* header);

}  // extern "C"
