// SPDX-License-Identifier: MIT
// The XSLT engine behind the report outputs, one per system (libxml2 and libxslt on POSIX, the
// system's MSXML on Windows), and what the engines share.
#pragma once

#include "report/BaseReport.h"

#include <cstddef>
#include <string>

namespace dxfi {

// Applies the stylesheet file to the report's document and returns the output as the engine
// serialises it (UTF-8). `extension` receives the stylesheet's "file_extension" parameter as
// OutputFileExtension gives it. Every engine or stylesheet failure goes to StylesheetFailed.
std::string ApplyReportStylesheet(const TBaseReport& report, const std::string& stylesheetPath,
                                  std::string& extension);

// Shows "Error using " + stylesheet + "\n\n" + message and raises EGeneralReportException.
[[noreturn]] void StylesheetFailed(const std::string& stylesheetPath, const std::string& message);

// The stylesheet file's bytes; a file that cannot be read, or is larger than `largest` bytes,
// goes to StylesheetFailed.
std::string ReadStylesheet(const std::string& stylesheetPath, std::size_t largest);

// The output's extension for a "file_extension" parameter text: ".html" when it is empty,
// "." put in front when it has none.
std::string OutputFileExtension(std::string parameter);

} // namespace dxfi
