#pragma once
// Windows printing: the print dialog with its device mode and device names blocks, documents and
// pages on a printer context, the old escape that starts a document, and the abort procedure the
// spooler calls while it works.

#include <cstddef>

#include "platform/windows/gdi.h"
#include "platform/windows/types.h"
#include "platform/windows/window.h"

namespace platform::win {

// The abort procedure: called with the printer context and 0 (or an error code) while the spooler
// works; FALSE ends the job.
using ABORTPROC = BOOL (*)(HDC hdc, int code);
// The print dialog's hook procedures (not used by the stand-in, kept for the record's layout).
using LPPRINTHOOKPROC = UINT_PTR (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
using LPSETUPHOOKPROC = LPPRINTHOOKPROC;

inline constexpr int CCHDEVICENAME = 32;
inline constexpr int CCHFORMNAME = 32;

// Which DEVMODEA fields hold a value (dmFields).
inline constexpr DWORD DM_ORIENTATION = 0x00000001;
inline constexpr DWORD DM_PAPERSIZE = 0x00000002;
inline constexpr DWORD DM_PAPERLENGTH = 0x00000004;
inline constexpr DWORD DM_PAPERWIDTH = 0x00000008;
inline constexpr DWORD DM_SCALE = 0x00000010;
inline constexpr DWORD DM_COPIES = 0x00000100;
inline constexpr DWORD DM_PRINTQUALITY = 0x00000400;
inline constexpr DWORD DM_YRESOLUTION = 0x00002000;
inline constexpr DWORD DM_COLLATE = 0x00008000;

inline constexpr SHORT DMORIENT_PORTRAIT = 1;
inline constexpr SHORT DMORIENT_LANDSCAPE = 2;

inline constexpr SHORT DMPAPER_LETTER = 1;  // 8.5 x 11 inches
inline constexpr SHORT DMPAPER_A3 = 8;      // 297 x 420 mm
inline constexpr SHORT DMPAPER_A4 = 9;      // 210 x 297 mm
inline constexpr SHORT DMPAPER_A5 = 11;     // 148 x 210 mm

// The printer settings record: device name, orientation, paper, copies and resolution. The driver's
// own data (dmDriverExtra bytes) follows the dmSize bytes of the record in the same block. For a
// display, the 16 bytes from dmOrientation to dmPrintQuality hold its position and orientation
// instead; only the printer's reading is declared here.
struct DEVMODEA {
  BYTE dmDeviceName[CCHDEVICENAME];
  WORD dmSpecVersion;
  WORD dmDriverVersion;
  WORD dmSize;  // bytes of the record as its writer knew it
  WORD dmDriverExtra;
  DWORD dmFields;
  SHORT dmOrientation;
  SHORT dmPaperSize;
  SHORT dmPaperLength;  // tenths of a millimetre
  SHORT dmPaperWidth;
  SHORT dmScale;
  SHORT dmCopies;
  SHORT dmDefaultSource;
  SHORT dmPrintQuality;  // dots per inch when positive
  SHORT dmColor;
  SHORT dmDuplex;
  SHORT dmYResolution;
  SHORT dmTTOption;
  SHORT dmCollate;
  BYTE dmFormName[CCHFORMNAME];
  WORD dmLogPixels;
  DWORD dmBitsPerPel;
  DWORD dmPelsWidth;
  DWORD dmPelsHeight;
  DWORD dmDisplayFlags;  // pages to a sheet for a printer
  DWORD dmDisplayFrequency;
  DWORD dmICMMethod;
  DWORD dmICMIntent;
  DWORD dmMediaType;
  DWORD dmDitherType;
  DWORD dmReserved1;
  DWORD dmReserved2;
  DWORD dmPanningWidth;
  DWORD dmPanningHeight;
};
static_assert(sizeof(DEVMODEA) == 156);
static_assert(offsetof(DEVMODEA, dmSpecVersion) == 32 && offsetof(DEVMODEA, dmSize) == 36 &&
              offsetof(DEVMODEA, dmFields) == 40 && offsetof(DEVMODEA, dmOrientation) == 44 &&
              offsetof(DEVMODEA, dmPaperSize) == 46 && offsetof(DEVMODEA, dmCopies) == 54 &&
              offsetof(DEVMODEA, dmPrintQuality) == 58 && offsetof(DEVMODEA, dmYResolution) == 64 &&
              offsetof(DEVMODEA, dmFormName) == 70 && offsetof(DEVMODEA, dmLogPixels) == 102 &&
              offsetof(DEVMODEA, dmBitsPerPel) == 104 && offsetof(DEVMODEA, dmDisplayFrequency) == 120 &&
              offsetof(DEVMODEA, dmICMMethod) == 124 && offsetof(DEVMODEA, dmPanningHeight) == 152);
// The version of the record declared here.
inline constexpr WORD DM_SPECVERSION = 0x0401;

// The device names block: offsets (in characters from the block's start) of the NUL-terminated
// driver, device and port names that follow the record in the same memory block.
struct DEVNAMES {
  WORD wDriverOffset;
  WORD wDeviceOffset;
  WORD wOutputOffset;
  WORD wDefault;  // DN_DEFAULTPRN when the names are those of the default printer
};
static_assert(sizeof(DEVNAMES) == 8 && offsetof(DEVNAMES, wDeviceOffset) == 2 && offsetof(DEVNAMES, wDefault) == 6);
inline constexpr WORD DN_DEFAULTPRN = 0x0001;

// Print dialog flags (PRINTDLGA::Flags), in and out.
inline constexpr DWORD PD_ALLPAGES = 0x00000000;
inline constexpr DWORD PD_SELECTION = 0x00000001;
inline constexpr DWORD PD_PAGENUMS = 0x00000002;  // out: the user chose a page range
inline constexpr DWORD PD_NOSELECTION = 0x00000004;
inline constexpr DWORD PD_NOPAGENUMS = 0x00000008;
inline constexpr DWORD PD_COLLATE = 0x00000010;
inline constexpr DWORD PD_PRINTTOFILE = 0x00000020;
inline constexpr DWORD PD_PRINTSETUP = 0x00000040;
inline constexpr DWORD PD_NOWARNING = 0x00000080;
inline constexpr DWORD PD_RETURNDC = 0x00000100;       // in: hand back a printer context in hDC
inline constexpr DWORD PD_RETURNIC = 0x00000200;       // in: hand back an information context
inline constexpr DWORD PD_RETURNDEFAULT = 0x00000400;  // in: no dialog, the default printer's settings
inline constexpr DWORD PD_SHOWHELP = 0x00000800;
inline constexpr DWORD PD_USEDEVMODECOPIES = 0x00040000;
inline constexpr DWORD PD_USEDEVMODECOPIESANDCOLLATE = 0x00040000;
inline constexpr DWORD PD_DISABLEPRINTTOFILE = 0x00080000;
inline constexpr DWORD PD_HIDEPRINTTOFILE = 0x00100000;

// The print dialog record. On success the dialog hands back movable blocks of a DEVMODEA and a
// DEVNAMES (the caller frees them with GlobalFree), the chosen range and copies, and with
// PD_RETURNDC a printer context (the caller deletes it with DeleteDC). 64-bit Windows lays it out
// with the natural alignment of its fields (only 32-bit Windows packs it to bytes, 66 bytes there).
struct PRINTDLGA {
  DWORD lStructSize;
  HWND hwndOwner;
  HGLOBAL hDevMode;
  HGLOBAL hDevNames;
  HDC hDC;
  DWORD Flags;
  WORD nFromPage;
  WORD nToPage;
  WORD nMinPage;
  WORD nMaxPage;
  WORD nCopies;
  HINSTANCE hInstance;
  LPARAM lCustData;
  LPPRINTHOOKPROC lpfnPrintHook;
  LPSETUPHOOKPROC lpfnSetupHook;
  const char* lpPrintTemplateName;
  const char* lpSetupTemplateName;
  HGLOBAL hPrintTemplate;
  HGLOBAL hSetupTemplate;
};
static_assert(sizeof(PRINTDLGA) == 120);
static_assert(offsetof(PRINTDLGA, hwndOwner) == 8 && offsetof(PRINTDLGA, hDevMode) == 16 &&
              offsetof(PRINTDLGA, hDevNames) == 24 && offsetof(PRINTDLGA, hDC) == 32 &&
              offsetof(PRINTDLGA, Flags) == 40 && offsetof(PRINTDLGA, nFromPage) == 44 &&
              offsetof(PRINTDLGA, nMaxPage) == 50 && offsetof(PRINTDLGA, nCopies) == 52 &&
              offsetof(PRINTDLGA, hInstance) == 56 && offsetof(PRINTDLGA, lCustData) == 64 &&
              offsetof(PRINTDLGA, lpfnPrintHook) == 72 && offsetof(PRINTDLGA, hSetupTemplate) == 112);

// Why the last common dialog call failed (CommDlgExtendedError); 0 when the user cancelled.
inline constexpr DWORD CDERR_STRUCTSIZE = 0x0001;
inline constexpr DWORD CDERR_MEMALLOCFAILURE = 0x0009;
inline constexpr DWORD CDERR_DIALOGFAILURE = 0xFFFF;
inline constexpr DWORD PDERR_NODEFAULTPRN = 0x1008;   // there is no default printer
inline constexpr DWORD PDERR_RETDEFFAILURE = 0x1009;  // PD_RETURNDEFAULT with device blocks given
inline constexpr DWORD PDERR_CREATEICFAILURE = 0x100A;
inline constexpr DWORD PDERR_PRINTERNOTFOUND = 0x100B;

// A document as StartDocA starts it.
struct DOCINFOA {
  int cbSize;
  const char* lpszDocName;
  const char* lpszOutput;    // a file to print to instead of the printer; null for the printer
  const char* lpszDatatype;  // null
  DWORD fwType;              // 0
};
static_assert(sizeof(DOCINFOA) == 40);
static_assert(offsetof(DOCINFOA, lpszDocName) == 8 && offsetof(DOCINFOA, lpszOutput) == 16 &&
              offsetof(DOCINFOA, lpszDatatype) == 24 && offsetof(DOCINFOA, fwType) == 32);

// Results of the spooling calls: greater than 0 on success, these on failure.
inline constexpr int SP_ERROR = -1;
inline constexpr int SP_APPABORT = -2;  // the abort procedure ended the job
inline constexpr int SP_USERABORT = -3;
inline constexpr int SP_OUTOFDISK = -4;
inline constexpr int SP_OUTOFMEMORY = -5;

// Printer escapes (Escape).
inline constexpr int ABORTDOC = 2;   // aborts the document
inline constexpr int STARTDOC = 10;  // starts a document; the input is its name (cbInput characters)
inline constexpr int ENDDOC = 11;    // ends the document

}  // namespace platform::win

extern "C" {

// Shows the print dialog (with PD_RETURNDEFAULT: takes the default printer without a dialog) and
// fills the record. FALSE when the user cancelled or the dialog failed; CommDlgExtendedError tells
// which (0: cancelled).
platform::win::BOOL PrintDlgA(platform::win::PRINTDLGA* dialog);
platform::win::DWORD CommDlgExtendedError();

// Registers the procedure the spooler calls while the context's job is printed; > 0 on success,
// SP_ERROR otherwise.
int SetAbortProc(platform::win::HDC hdc, platform::win::ABORTPROC procedure);
// Starts a print job on a printer context; the job's number (> 0), or SP_ERROR.
int StartDocA(platform::win::HDC hdc, const platform::win::DOCINFOA* document);
// Ends the job and hands it to the printer; > 0, or SP_... on failure.
int EndDoc(platform::win::HDC hdc);
// Discards the job; > 0, or SP_ERROR.
int AbortDoc(platform::win::HDC hdc);
// Starts and ends a page of the job; > 0, or SP_... on failure (SP_APPABORT when the abort
// procedure ended the job).
int StartPage(platform::win::HDC hdc);
int EndPage(platform::win::HDC hdc);
// The old printer escapes STARTDOC, ENDDOC and ABORTDOC, as StartDocA (with the input as the
// document's name), EndDoc and AbortDoc: > 0 on success, SP_... on failure; 0 for an escape the
// device does not know.
int Escape(platform::win::HDC hdc, int escape, int inputBytes, const char* input, void* output);

}  // extern "C"
