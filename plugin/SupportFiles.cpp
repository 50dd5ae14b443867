// SPDX-License-Identifier: MIT
#include "plugin/SupportFiles.h"

#include "abi/ClientApi.h"
#include "base/ShortString.h"
#include "base/TextCompare.h"
#include "engine/Pad2.h"
#include "pcbimport/ImportRun.h"
#include "platform/DynamicLibrary.h"
#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "plugin/HostClientFunctions.h"

#include <algorithm>

namespace dxfi {

namespace {

std::string Cut(const std::string& path) {
    return std::string(CutUtf8(path, kShortStringMax));
}

// The product folder ("\Corvane2004") as a relative folder of this file system.
std::string ProductSubfolder(const std::string& productFolder) {
    std::string folder = productFolder;
    std::replace(folder.begin(), folder.end(), '\\', platform::kPathDelimiter);
    const std::size_t start = folder.find_first_not_of(platform::kPathDelimiter);
    return start == std::string::npos ? std::string() : folder.substr(start);
}

bool TryCandidate(std::string& name, const std::string& candidate) {
    const std::string path = Cut(candidate);
    if (path.empty() || !ClientExistSpecific(path)) return false;
    name = path;
    return true;
}

bool SearchNinePlaces(std::string& name, const std::string& productFolder) {
    const std::string filePart = platform::ExtractFileName(name);
    if (TryCandidate(name, name)) return true;
    if (TryCandidate(name, ClientConvertFileNameToExeFileName(name))) return true;
    if (TryCandidate(name, platform::FileSystemCase(platform::ExecutableFolder() + "System" +
                                                    platform::kPathDelimiter + name)))
        return true;
    const std::string ownFile = platform::OwnModuleFile();
    const std::string ownFolder =
        ownFile.empty() ? std::string() : platform::ExtractFilePath(ownFile);
    if (TryCandidate(name, platform::FileSystemCase(ownFolder + name))) return true;

    const std::string appData = platform::IncludeTrailingDelimiter(
        platform::FolderPath(platform::foAppData) + ProductSubfolder(productFolder));
    if (!platform::FolderExists(appData)) platform::CreateFolders(appData);
    if (TryCandidate(name, appData + ClientExtractWholeFileNameFromPath(name))) return true;

    if (TryCandidate(name, platform::FolderPath(platform::foWindows) + filePart)) return true;
    if (TryCandidate(name, platform::FolderPath(platform::foSystem) + filePart)) return true;
    if (TryCandidate(name, platform::FolderPath(platform::foCommand) + filePart)) return true;
    return TryCandidate(name, platform::SearchPath(name));
}

void ShowEngineFileError(const std::string& text) {
    ShowHostMessage("Error", text, abi::kMbOk | abi::kMbIconError);
}

} // namespace

bool IsImportableFileName(const std::string& name) {
    if (!ClientExistSpecific(name)) return false;
    const std::string upper = ToUpperAscii(name);
    return upper.find("DXF") != std::string::npos || upper.find("DWG") != std::string::npos;
}

bool LocateSupportFile(std::string& name, const std::string& productFolder) {
    name = Cut(name);
    if (SearchNinePlaces(name, productFolder)) return true;
    name = Cut(ClientExtractWholeFileNameFromPath(name));
    SearchNinePlaces(name, productFolder);
    return ClientExistSpecific(name);
}

bool LoadDrawingEngine(const std::string& productFolder, std::string& failure) {
    std::string library = kEngineLibraryFile;
    if (!LocateSupportFile(library, productFolder)) {
        failure = std::string("the drawing engine ") + kEngineLibraryFile + " was not found";
        ShowEngineFileError(std::string("The drawing engine ") + kEngineLibraryFile +
                            " was not found, so nothing was imported. Put it beside the "
                            "import plug-in or the host program, or in a folder on PATH.");
        return false;
    }
    LoadEngineLibrary(library);
    if (!EngineLibraryLoaded()) {
        failure = "the drawing engine " + library + " could not be loaded";
        ShowEngineFileError("The drawing engine " + library +
                            " could not be loaded, so nothing was imported. Reinstall it "
                            "for this system.");
        return false;
    }
    std::string data = kEngineDataFile;
    if (!LocateSupportFile(data, productFolder)) {
        failure =
            std::string("the drawing engine's data file ") + kEngineDataFile + " was not found";
        ShowEngineFileError(std::string("The drawing engine's data file ") + kEngineDataFile +
                            " was not found, so nothing was imported. Put it beside " + library +
                            ".");
        return false;
    }
    if (InitEngine(data)) return true;
    failure = "the drawing engine could not be started with " + data;
    return false;
}

void CloseDrawingEngine() {
    CloseEngine();
}

} // namespace dxfi
