// SPDX-License-Identifier: MIT
// Turning a finished report into the file the user reads: an XSLT 1.0 stylesheet makes HTML of
// it, the file goes beside the board (or into its project's output folder) and, when asked,
// the host opens it.
//
// Failures: a missing stylesheet shows an "Error" box and produces nothing. A stylesheet that
// does not parse, or that the engine refuses or fails to apply (including any attempt to write
// files, create folders or reach the network, which stylesheets may never do, to read files
// outside the stylesheet's own folder, or to produce more than a bounded output), shows a box
// "Error using " + stylesheet + "\n\n" + the engine's message and raises
// EGeneralReportException with that message. A stylesheet path that names a named pipe, folder
// or device is refused like a missing one, saying what it is. The output is written to a
// temporary file beside its target and renamed over it; one that cannot be written raises
// std::runtime_error naming the target, and the earlier file is kept. Texts and paths are UTF-8.
#pragma once

#include "report/BaseReport.h"
#include "report/ReportOutputOptions.h"

#include <string>
#include <string_view>

namespace dxfi {

// Produces every output of a report named `reportName` ("Import Error Report") for the
// document at `documentPath`, with the host's default stylesheet, opening it in the host when
// `show`. `outputFile` receives the last output's file name (left as it was when none was
// produced).
void GenerateReportOutputs(const TBaseReport& report, const std::string& documentPath,
                           const std::string& reportName, std::string& outputFile, bool show);

// Produces one output when its Generate is set, into the output folder of `documentPath`
// (its project's output folder, its project's folder, its own folder or the current
// directory, the first that exists), then, when its Show is set, registers the file with the
// project's output object and asks the host to open it, even when no file was produced.
void ProduceOutput(const TBaseReport& report, const std::string& documentPath,
                   IReportOutputTransformation& transformation, std::string& outputFile);

// The host's templates folder (the report's resource path) + "report_html_default.xsl".
std::string DefaultReportStylesheet();

// Applies the stylesheet to the report and writes the result to `basePath` with the
// extension the stylesheet's "file_extension" parameter names (".html" by default), replacing
// an earlier file through ReplaceFileSafely. `outputFile` receives that name, unless the
// stylesheet is missing.
void TransformReport(const TBaseReport& report, const std::string& basePath,
                     const std::string& stylesheetPath, std::string& outputFile);

// A transformation may hold this many bytes of the XML engine's memory, plus 2 KB for each node
// of the report, before it is stopped as a failure of the stylesheet (256 MB by default).
void SetTransformMemoryLimit(std::size_t bytes);

// Asks the host to open `file` (command "WorkspaceManager:OpenObject", "Filename=" + file).
void OpenInHost(const std::string& file);

// `path` with the extension of its file part (what follows its last ".") replaced by
// `extension`, or `extension` appended when the file part has no ".".
std::string ReplaceFileExtension(std::string_view path, std::string_view extension);

} // namespace dxfi
