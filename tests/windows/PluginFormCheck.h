// SPDX-License-Identifier: MIT
// The checks of the import plug-in's Windows form, called by WindowsFormCheck: the report made
// through the system's XML engine, and dxfimport.dll as the host sees it.
#pragma once

#include <string>

namespace dxfi::formcheck {

using TCheck = void (*)(bool ok, const std::string& what, const std::string& detail);

// Writes the HTML that the host's default report stylesheet makes of a fixed report to
// `htmlFile` (the same program built for Linux writes the same file there, and the two must be
// equal), and on Windows checks that stylesheets with a DTD, document() or a script are
// refused.
void CheckReport(TCheck check, const std::string& htmlFile);

// Windows only: dxfimport.dll beside the program loads, exports its two functions by their plain
// names and nothing else, carries the DESCRIPTION resource, and its import entry removes its
// 12 bytes; the support-file search finds the engine beside the module and along PATH; the
// product folder comes from the registry.
void CheckPluginDll(TCheck check, const std::string& exeFolder);

// The child that CheckPluginDll starts from a folder without the engine: looks for `name` as
// the plug-in does and writes the path found (or "") to `resultFile`. Returns the exit code.
int LocateSupportFileForCheck(const std::string& name, const std::string& resultFile);

} // namespace dxfi::formcheck
