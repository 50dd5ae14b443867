// SPDX-License-Identifier: MIT
// Which drawings the plug-in takes, where it finds the drawing engine's two support files, and
// loading and closing the engine for one import. Failures are results; a missing or unloadable
// engine file is also told to the user in an "Error" box.
#pragma once

#include <string>

namespace dxfi {

// The engine library ("PAD2.DLL" on the editor's platform) and its initialisation data.
#if defined(_WIN32)
inline constexpr const char* kEngineLibraryFile = "PAD2.DLL";
#else
inline constexpr const char* kEngineLibraryFile = "libpad2.so";
#endif
inline constexpr const char* kEngineDataFile = "PADINIT.DAT";

// The file exists (host's test) and its upper-cased name, folders included, contains "DXF" or
// "DWG".
bool IsImportableFileName(const std::string& name);

// Looks for the file in nine places, then once more for its file part alone; on success the
// name is replaced by the path found. The places: the name itself; the name beside the host
// executable; the host executable's "System/" folder; this library's folder; the per-user
// application-data folder + product folder; the Windows, system and command folders; PATH.
bool LocateSupportFile(std::string& name, const std::string& productFolder);

// Locates, loads and initialises the engine. False (after an "Error" box naming the missing
// or unloadable file) when the files are not found or the library does not load; false when
// the initialisation fails (the engine has then shown its own error). `failure` then names what
// failed, for the host's account of an import that did not take place.
bool LoadDrawingEngine(const std::string& productFolder, std::string& failure);
// Closes the engine and unloads it, so that the next import loads it again.
void CloseDrawingEngine();

} // namespace dxfi
