// SPDX-License-Identifier: MIT
// Whole imports through the pcbhost command with the real plug-in, drawing engine and board
// module, each in a scratch folder with its own saved settings.
#pragma once

#include "support/ProgramRun.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

using TJson = nlohmann::json;

// The board coordinate where a drawing coordinate lands with the options the dialog is filled
// with: one drawing unit is 1 mil (10000 board units) and the drawing's origin lies one inch
// (10000000) from the board's.
int32_t At(double drawingUnits);

// Top-level objects counted by "Kind@Layer", e.g. "Track@Mechanical Layer 3".
std::map<std::string, int> CountsByKindAndLayer(const TJson& board);

// Success when one top-level object of the board has every member of `fields` with an equal
// value; the failure lists the objects of that kind.
::testing::AssertionResult HasObject(const TJson& board, const TJson& fields);

// The top-level objects of one kind, in the board's order.
std::vector<TJson> ObjectsOfKind(const TJson& board, const std::string& kind);

class TImportFixture : public ::testing::Test {
protected:
    void SetUp() override;

    std::string Path(const std::string& name) const { return Folder.Path() + name; }
    bool Exists(const std::string& name) const;
    // Copies a file into the scratch folder under `name` (default: its own name).
    std::string CopyIn(const std::string& source, std::string name = "");
    // pcbhost import of `drawing` (a name in the scratch folder) with `options`, the user's
    // saved settings kept in the scratch folder.
    TProgramRun Import(const std::string& drawing, const std::vector<std::string>& options);
    // Saved import options ("Misc" values of the settings, e.g. "ExplodeBlocks"="0") written
    // before the run, as a previous import would have left them.
    void WriteSavedOptions(const std::vector<std::string>& values);
    // The board file parsed; null (and a test failure) when it is missing or not JSON.
    TJson LoadBoard(const std::string& name);

    TTempFolder Folder;
};

extern const std::string kHost;
extern const std::string kTestData;
// The placement warning's text, as the test-mode line and the terminal show it.
extern const std::string kPlacementWarning;
