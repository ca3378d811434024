// The clipboard: opened by one window at a time, one item per format, owning what it holds.

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/windows/memory.h"
#include "platform/windows/metafile.h"
#include "standins/gdi/gdi_state.h"

using namespace standins::gdi;
using namespace standins::gdi::detail;
namespace win = platform::win;

namespace {

WindowSystem& clip() { return state().windowSystem; }

// Gives back one item the clipboard owns: a bitmap, or a memory block (a metafile picture's
// metafile with it).
void freeItem(win::UINT format, win::HANDLE data) {
  if (format == win::CF_BITMAP) {
    const auto it = state().objects.find(id(data));
    if (it != state().objects.end() && it->second.kind == ObjectKind::Bitmap && !isSelected(it->first)) {
      state().objects.erase(it);
    }
    return;
  }
  auto block = static_cast<win::HGLOBAL>(data);
  if (format == win::CF_METAFILEPICT && GlobalSize(block) >= sizeof(win::METAFILEPICT)) {
    win::METAFILEPICT picture{};
    if (const void* bytes = GlobalLock(block)) {
      std::memcpy(&picture, bytes, sizeof picture);
      GlobalUnlock(block);
      deleteMetafileObject(id(picture.hMF), ObjectKind::Metafile);
    }
  }
  GlobalFree(block);
}

// Whether the item is something the clipboard can own.
bool acceptable(win::UINT format, win::HANDLE data) {
  if (data == nullptr) return false;
  if (format == win::CF_BITMAP) {
    const Object* o = findObject(id(data));
    return o != nullptr && o->kind == ObjectKind::Bitmap && o->stockName.empty();
  }
  const std::size_t size = GlobalSize(static_cast<win::HGLOBAL>(data));
  return format == win::CF_METAFILEPICT ? size >= sizeof(win::METAFILEPICT) : size > 0;
}

std::string formatName(win::UINT format) {
  switch (format) {
    case win::CF_TEXT:
      return "CF_TEXT";
    case win::CF_BITMAP:
      return "CF_BITMAP";
    case win::CF_METAFILEPICT:
      return "CF_METAFILEPICT";
    default:
      return std::to_string(format);
  }
}

}  // namespace

namespace standins::gdi::detail {

void freeClipboardItems() {
  auto items = std::move(clip().clipboardItems);
  clip().clipboardItems.clear();
  for (const auto& [format, data] : items) freeItem(format, data);
}

}  // namespace standins::gdi::detail

namespace standins::gdi {

std::vector<platform::win::UINT> clipboardFormats() {
  std::vector<win::UINT> formats;
  for (const auto& item : clip().clipboardItems) formats.push_back(item.first);
  return formats;
}

platform::win::HANDLE clipboardData(platform::win::UINT format) {
  for (const auto& [f, data] : clip().clipboardItems) {
    if (f == format) return data;
  }
  return nullptr;
}

bool clipboardOpen() { return clip().clipboardOpen; }

void holdClipboard(platform::win::HWND other) { clip().clipboardHolder = id(other); }

void releaseClipboard() { clip().clipboardHolder.reset(); }

}  // namespace standins::gdi

extern "C" {

win::BOOL OpenClipboard(win::HWND owner) {
  if (!enter("OpenClipboard", windowName(owner))) return win::FALSE;
  if (clip().clipboardHolder && *clip().clipboardHolder != id(owner)) return win::FALSE;
  if (clip().clipboardOpen && clip().clipboardOwner != id(owner)) return win::FALSE;
  clip().clipboardOpen = true;
  clip().clipboardOwner = id(owner);
  return win::TRUE;
}

win::BOOL CloseClipboard() {
  if (!enter("CloseClipboard", {})) return win::FALSE;
  if (!clip().clipboardOpen) return win::FALSE;
  clip().clipboardOpen = false;
  clip().clipboardOwner = 0;
  return win::TRUE;
}

win::BOOL EmptyClipboard() {
  if (!enter("EmptyClipboard", {})) return win::FALSE;
  if (!clip().clipboardOpen) return win::FALSE;
  freeClipboardItems();
  return win::TRUE;
}

win::HANDLE SetClipboardData(win::UINT format, win::HANDLE data) {
  if (!enter("SetClipboardData", formatName(format))) return nullptr;
  if (!clip().clipboardOpen || !acceptable(format, data)) return nullptr;
  auto& items = clip().clipboardItems;
  const auto it = std::find_if(items.begin(), items.end(), [format](const auto& item) { return item.first == format; });
  if (it != items.end()) {
    const auto old = *it;
    items.erase(it);
    if (old.second != data) freeItem(old.first, old.second);
  }
  items.emplace_back(format, data);
  return data;
}

win::HANDLE GetClipboardData(win::UINT format) {
  if (!enter("GetClipboardData", formatName(format))) return nullptr;
  if (!clip().clipboardOpen) return nullptr;
  return clipboardData(format);
}

win::BOOL IsClipboardFormatAvailable(win::UINT format) {
  if (!enter("IsClipboardFormatAvailable", formatName(format))) return win::FALSE;
  return clipboardData(format) != nullptr ? win::TRUE : win::FALSE;
}

}  // extern "C"
