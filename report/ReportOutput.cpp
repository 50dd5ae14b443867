// SPDX-License-Identifier: MIT
#include "report/ReportOutput.h"

#include "abi/ClientApi.h"
#include "abi/Workspace.h"
#include "base/Assertion.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "report/GeneralReportException.h"
#include "report/ReplaceFileSafely.h"
#include "report/ReportHost.h"

#include "report/ReportTransform.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace dxfi {
namespace {

constexpr const char* kModule = "RT_Report";

#if defined(_WIN32)
// The C runtime's names for the descriptor calls the temporary file is written with.
int fsync(int fd) {
    return _commit(fd);
}
#endif

// Writes `text` to a new temporary file beside `target` (so that putting it in place is a
// rename, and the earlier file stays whole until the new one is complete), with the user's
// normal file mode, flushed to disk; returns its path. Temporaries that killed runs left
// beside `target` are removed first.
std::string WriteTemporaryFile(const std::string& text, const std::string& target) {
    platform::RemoveStaleTemporaries(target);
    std::string path;
    const int fd = platform::CreateTemporaryBeside(target, path);
    if (fd < 0)
        throw std::runtime_error("The report could not be written beside " + target + " (" +
                                 std::strerror(errno) +
                                 "). Check that the folder exists and may be written.");
    std::string_view rest = text;
    bool written = true;
    while (written && !rest.empty()) {
        const auto put = write(fd, rest.data(), rest.size());
        if (put < 0 && errno == EINTR) continue;
        written = put > 0;
        if (written) rest.remove_prefix(static_cast<std::size_t>(put));
    }
    if (written && fsync(fd) != 0) written = false;
    const int reason = errno;
    if (close(fd) != 0) written = false;
    if (!written) {
        platform::RemoveFile(path);
        throw std::runtime_error("The report could not be written beside " + target + " (" +
                                 std::strerror(reason ? reason : EIO) +
                                 "); the earlier report is kept. Check that the disk has room.");
    }
    return path;
}

std::string Text(const char* text) {
    return text ? text : "";
}

// The folder part of `path` with its delimiter ("" when it has none).
std::string FolderOf(const std::string& path) {
    return platform::ExtractFilePath(path);
}

// Where an output of the document goes, with its trailing delimiter.
std::string OutputFolder(const std::string& documentPath, abi::IProject* project,
                         abi::IProjectOutput* output) {
    std::string folder;
    if (!project) {
        folder = FolderOf(documentPath);
    } else {
        // The reference path names the output folder itself; its parent must exist for the
        // folder to be made.
        std::string reference = output ? Text(output->ReferencePath()) : std::string();
        while (reference.size() > 1 && reference.back() == platform::kPathDelimiter)
            reference.pop_back();
        if (!reference.empty() &&
            platform::FolderExists(platform::FileSystemCase(FolderOf(reference)))) {
            folder = platform::IncludeTrailingDelimiter(reference);
            if (!platform::FolderExists(platform::FileSystemCase(folder)))
                platform::CreateFolder(folder);
        } else {
            folder = FolderOf(Text(project->FullPath()));
        }
    }
    if (!platform::FolderExists(platform::FileSystemCase(folder)))
        folder = platform::FolderPath(platform::foCurrent);
    return platform::IncludeTrailingDelimiter(folder);
}

void Check(int32_t status, const char* operation) {
    if (status != kStatusOk)
        throw std::runtime_error(std::string("The report output options failed to ") + operation +
                                 ".");
}

} // namespace

[[noreturn]] void StylesheetFailed(const std::string& stylesheetPath, const std::string& message) {
    ShowReportMessage("Error", "Error using " + stylesheetPath + "\n\n" + message, abi::kMbOk);
    throw EGeneralReportException(message);
}

std::string ReadStylesheet(const std::string& stylesheetPath, std::size_t largest) {
    std::string source, problem;
    if (platform::ReadRegularFile(stylesheetPath, source, problem) != platform::rfRead)
        StylesheetFailed(stylesheetPath, "The stylesheet could not be read: " +
                                             (problem.empty() ? "it does not exist" : problem) +
                                             ".");
    if (source.size() > largest)
        StylesheetFailed(stylesheetPath, "The stylesheet is too large to be read.");
    return source;
}

std::string OutputFileExtension(std::string parameter) {
    if (parameter.empty()) return ".html";
    if (parameter.front() != '.') parameter.insert(parameter.begin(), '.');
    return parameter;
}

std::string ReplaceFileExtension(std::string_view path, std::string_view extension) {
    std::size_t folderEnd = path.rfind(platform::kPathDelimiter);
    std::size_t nameStart = folderEnd == std::string_view::npos ? 0 : folderEnd + 1;
    std::size_t dot = path.rfind('.');
    std::string result(
        path.substr(0, dot == std::string_view::npos || dot < nameStart ? path.size() : dot));
    result.append(extension);
    return result;
}

std::string DefaultReportStylesheet() {
    return ReportTemplatesFolder() + "report_html_default.xsl";
}

void OpenInHost(const std::string& file) {
    SendHostCommand("WorkspaceManager:OpenObject", "Filename=" + file);
}

void TransformReport(const TBaseReport& report, const std::string& basePath,
                     const std::string& stylesheetPath, std::string& outputFile) {
    Assert(report.DocumentHandle() != nullptr, kModule);
    const std::string kind = platform::NonRegularFileKind(platform::FileSystemCase(stylesheetPath));
    if (!kind.empty()) {
        ShowReportMessage("Error", stylesheetPath + " is " + kind + ", not a stylesheet file",
                          abi::kMbOk | abi::kMbIconError);
        return;
    }
    if (!platform::FileExists(platform::FileSystemCase(stylesheetPath))) {
        ShowReportMessage("Error", stylesheetPath + " does not exist",
                          abi::kMbOk | abi::kMbIconError);
        return;
    }
    std::string extension;
    std::string text = ApplyReportStylesheet(report, stylesheetPath, extension);
    outputFile = ReplaceFileExtension(basePath, extension);
    std::string temporary = WriteTemporaryFile(text, outputFile);
    text = std::string();
    ReplaceFileSafely(temporary, outputFile);
}

void ProduceOutput(const TBaseReport& report, const std::string& documentPath,
                   IReportOutputTransformation& transformation, std::string& outputFile) {
    bool generate = false;
    Check(transformation.GetGenerate(generate), "read Generate");
    if (!generate) return;
    std::string ownerName, stylesheet;
    bool show = false;
    Check(transformation.GetOwnerName(ownerName), "read OwnerName");
    Check(transformation.GetXSLTFilename(stylesheet), "read XSLTFilename");
    Check(transformation.GetShow(show), "read Show");

    abi::IWorkspace* workspace = HostWorkspace();
    abi::IProject* project =
        workspace ? workspace->GetProjectContaining(documentPath.c_str()) : nullptr;
    abi::IProjectOutput* output = project ? project->OutputObject() : nullptr;

    std::string baseName = ownerName;
    if (project)
        baseName +=
            " - " + ReplaceFileExtension(platform::ExtractFileName(Text(project->FileName())), "");
    TransformReport(report, OutputFolder(documentPath, project, output) + baseName, stylesheet,
                    outputFile);
    if (!show) return;
    if (output && !outputFile.empty()) output->AddOutputFile(outputFile.c_str());
    OpenInHost(outputFile);
}

void GenerateReportOutputs(const TBaseReport& report, const std::string& documentPath,
                           const std::string& reportName, std::string& outputFile, bool show) {
    TInterfacePtr<IReportOutputOptions> options = TReportOutputOptions::Create();
    Check(options->SetName(reportName), "set Name");
    TInterfacePtr<IReportOutputTransformation> added;
    Check(options->AddTransformation(added.Receive()), "add a transformation");
    Check(added->SetXSLTFilename(DefaultReportStylesheet()), "set XSLTFilename");
    Check(added->SetShow(show), "set Show");

    int32_t count = 0;
    Check(options->GetTransformationCount(count), "count the transformations");
    for (int32_t index = 0; index < count; ++index) {
        TInterfacePtr<IReportOutputTransformation> transformation;
        Check(options->GetTransformation(index, transformation.Receive()), "give a transformation");
        ProduceOutput(report, documentPath, *transformation, outputFile);
    }
}

} // namespace dxfi
