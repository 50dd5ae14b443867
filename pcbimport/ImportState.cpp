// SPDX-License-Identifier: MIT
#include "pcbimport/ImportState.h"

#include <utility>

namespace dxfi {

namespace {

TPcbBoard* TheCurrentBoard = nullptr;

TImportOptionsDialogFactory& TheOptionsDialogFactory() {
    static TImportOptionsDialogFactory factory;
    return factory;
}

std::string& TheProductFolder() {
    static std::string folder = "\\Corvane2004";
    return folder;
}

} // namespace

void SetCurrentBoard(TPcbBoard* board) {
    TheCurrentBoard = board;
}

TPcbBoard* CurrentBoard() {
    return TheCurrentBoard;
}

void SetProductFolder(std::string folder) {
    TheProductFolder() = std::move(folder);
}

const std::string& ProductFolder() {
    return TheProductFolder();
}

void SetImportOptionsDialogFactory(TImportOptionsDialogFactory factory) {
    TheOptionsDialogFactory() = std::move(factory);
}

const TImportOptionsDialogFactory& ImportOptionsDialogFactory() {
    return TheOptionsDialogFactory();
}

} // namespace dxfi
