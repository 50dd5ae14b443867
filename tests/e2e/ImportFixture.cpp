// SPDX-License-Identifier: MIT
#include "e2e/ImportFixture.h"

#include <cmath>
#include <filesystem>

const std::string kHost = std::string(DXFI_BIN_DIR) + "/pcbhost";
const std::string kTestData = DXFI_TEST_DATA_DIR;
const std::string kPlacementWarning =
    "The imported file was not wholly contained in the valid PCB\n"
    "region (100inch x 100inch) and will be moved accordingly.\n"
    "\n"
    "To obtain a precise import location and prevent this warning\n"
    "in the future modify the \"locate AutoCAD (0,0) at\" option in\n"
    "the previous dialog.";

int32_t At(double drawingUnits) {
    return static_cast<int32_t>(std::llround(10000000.0 + drawingUnits * 10000.0));
}

std::map<std::string, int> CountsByKindAndLayer(const TJson& board) {
    std::map<std::string, int> counts;
    if (!board.is_object() || !board.contains("Objects")) return counts;
    for (const TJson& object : board["Objects"])
        ++counts[object.value("Kind", "?") + "@" + object.value("Layer", "?")];
    return counts;
}

std::vector<TJson> ObjectsOfKind(const TJson& board, const std::string& kind) {
    std::vector<TJson> objects;
    if (!board.is_object() || !board.contains("Objects")) return objects;
    for (const TJson& object : board["Objects"])
        if (object.value("Kind", "") == kind) objects.push_back(object);
    return objects;
}

::testing::AssertionResult HasObject(const TJson& board, const TJson& fields) {
    if (!board.is_object() || !board.contains("Objects"))
        return ::testing::AssertionFailure() << "no board";
    for (const TJson& object : board["Objects"]) {
        bool all = true;
        for (const auto& [name, value] : fields.items())
            if (!object.contains(name) || object[name] != value) {
                all = false;
                break;
            }
        if (all) return ::testing::AssertionSuccess();
    }
    auto failure = ::testing::AssertionFailure()
                   << "no object with " << fields.dump() << "; the board has:";
    const std::string kind = fields.value("Kind", "");
    int shown = 0;
    for (const TJson& object : board["Objects"])
        if ((kind.empty() || object.value("Kind", "") == kind) && shown++ < 40) {
            TJson brief = object;
            brief.erase("Children");
            failure << "\n  " << brief.dump();
        }
    return failure;
}

void TImportFixture::SetUp() {
    std::filesystem::create_directory(Path("tmp"));
    std::filesystem::create_directory(Path("cfg"));
}

bool TImportFixture::Exists(const std::string& name) const {
    return std::filesystem::exists(Path(name));
}

std::string TImportFixture::CopyIn(const std::string& source, std::string name) {
    if (name.empty()) name = std::filesystem::path(source).filename().string();
    std::filesystem::copy_file(source, Path(name),
                               std::filesystem::copy_options::overwrite_existing);
    return name;
}

TProgramRun TImportFixture::Import(const std::string& drawing,
                                   const std::vector<std::string>& options) {
    std::vector<std::string> args{"import", drawing};
    args.insert(args.end(), options.begin(), options.end());
    return RunProgram(Folder.Path(), kHost, args,
                      {"XDG_CONFIG_HOME=" + Path("cfg"), "DXFI_USER_HIVE=" + Path("cfg/user.reg")});
}

void TImportFixture::WriteSavedOptions(const std::vector<std::string>& values) {
    std::string hive = "Windows Registry Editor Version 5.00\n\n"
                       "[HKEY_CURRENT_USER\\Software\\Corvane2004\\Lumora\\Preferences\\Drenvik"
                       "\\Misc]\n";
    for (const std::string& value : values)
        hive += value + "\n";
    Folder.WriteFile("cfg/user.reg", hive);
}

TJson TImportFixture::LoadBoard(const std::string& name) {
    TJson board = TJson::parse(TTempFolder::ReadFile(Path(name)), nullptr, false);
    if (board.is_discarded() || !board.is_object()) {
        ADD_FAILURE() << "the board " << Path(name) << " is missing or not JSON";
        return TJson();
    }
    return board;
}
