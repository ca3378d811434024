#pragma once
// Control of the object-library stand-in. The ANSI code page is Windows-1252.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com.h"

namespace standins::com {

void reset();  // forgets faults and the log; registered classes stay

using Factory = std::function<platform::HRESULT(const platform::IID& interfaceId, void** object)>;
void registerClass(const platform::CLSID& classId, Factory factory);
void unregisterClass(const platform::CLSID& classId);
// Makes every creation fail with this result (nullopt: normal creation).
void failCreation(std::optional<platform::HRESULT> result);

// OleInitialize calls minus OleUninitialize calls.
int initializeDepth();
// "OleInitialize", "OleUninitialize", "CoCreateInstance <class context>" in order.
const std::vector<std::string>& callLog();
void clearCallLog();
// Strings allocated and not yet freed.
long liveStrings();

// Conversions through the ANSI code page, for tests and stand-ins.
std::u16string toWide(std::string_view ansi);
std::string toAnsi(std::u16string_view wide);
platform::BSTR allocString(std::string_view ansi);
std::string fromString(platform::BSTR text);

}  // namespace standins::com
