#pragma once
// RTF form files: the forms of one group in the stand-in's own text format (README.md), rendered
// with a form's values into an RTF document.

#include <string>
#include <string_view>
#include <vector>

#include "standins/report_formatting/rtf_document.h"

namespace standins::report_formatting {

// The values of a value text: the bytes between the 0x03 marks, the text after the last mark
// counting as one more value when it is not empty. Reading stops at a NUL or the end mark 0x19.
std::vector<std::string> splitValues(std::string_view values);

// Renders the form of the screen code (compared without regard to case) from the file's text into
// the document. False, and nothing rendered, when the file has no such form.
bool renderForm(std::string_view fileText, std::string_view screenCode, const std::vector<std::string>& values,
                RtfDocument& document);

}  // namespace standins::report_formatting
