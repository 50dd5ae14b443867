// SPDX-License-Identifier: MIT
// The options dialog's answer table, which the host and the plug-in both read: every control
// is found by each of its names, per-layer answers only with a layer, and the texts built from
// the table name every control.
#include "abi/DialogAnswers.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

using namespace dxfi::abi;

namespace {

TEST(TDialogAnswers, EveryNameFindsItsControlWhateverItsCase) {
    std::set<std::string> names;
    for (std::size_t i = 0; i < kDialogAnswerCount; ++i) {
        const TDialogAnswerEntry& entry = kDialogAnswers[i];
        EXPECT_EQ(entry.Answer, i) << entry.Name << " out of the order of TDialogAnswer";
        for (std::string_view name : {entry.Name, entry.Alias, entry.ObjectName}) {
            if (name.empty()) continue;
            std::string upper(name), lower(name);
            for (char& c : upper)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            for (char& c : lower)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            EXPECT_TRUE(names.insert(lower).second) << name << " names two controls";
            for (const std::string& spelled : {std::string(name), upper, lower}) {
                std::string_view layer = "untouched";
                const std::string written = entry.PerLayer ? spelled + ":Outline 2" : spelled;
                const TDialogAnswerEntry* found = FindDialogAnswer(written, &layer);
                ASSERT_NE(found, nullptr) << written;
                EXPECT_EQ(found->Answer, entry.Answer) << written;
                EXPECT_EQ(layer, entry.PerLayer ? "Outline 2" : "untouched") << written;
                // A per-layer answer needs its layer; the others take none.
                EXPECT_EQ(FindDialogAnswer(entry.PerLayer ? spelled + ":" : spelled + ":x"),
                          nullptr)
                    << written;
            }
        }
        EXPECT_EQ(entry.PerLayer, entry.Answer == daLayer || entry.Answer == daCondition ||
                                      entry.Answer == daDiameter);
    }
    for (const char* unknown : {"", "colour", "unit", "unitss", "layer", "layers:x", " units"})
        EXPECT_EQ(FindDialogAnswer(unknown), nullptr) << '"' << unknown << '"';
}

TEST(TDialogAnswers, TheRefusalAndTheHelpNameEveryControl) {
    EXPECT_EQ(DialogAnswerNamesText(),
              "units, scale, space, blocks, splines, linewidth, x, y or result, or layer:, "
              "condition: or diameter: followed by a drawing layer's name");
    const std::string help = DialogAnswersHelp();
    for (const TDialogAnswerEntry& entry : kDialogAnswers) {
        const std::string written = std::string(entry.Name) + (entry.PerLayer ? ":" : "=");
        EXPECT_TRUE(help.find("  " + written) != std::string::npos ||
                    help.find(", " + written) != std::string::npos)
            << written;
        if (!entry.Alias.empty()) {
            EXPECT_NE(help.find("(" + std::string(entry.Alias) + " is the same)"),
                      std::string::npos)
                << entry.Alias;
        }
        if (!entry.ObjectName.empty()) {
            const std::string object = " " + std::string(entry.ObjectName);
            EXPECT_TRUE(help.find(object + ",") != std::string::npos ||
                        help.find(object + " ") != std::string::npos ||
                        help.find("\n" + std::string(entry.ObjectName) + ",") != std::string::npos)
                << entry.ObjectName;
        }
    }
    // Lines of at most 95 columns, the help ending with a line end.
    std::size_t start = 0;
    while (start < help.size()) {
        const std::size_t end = help.find('\n', start);
        ASSERT_NE(end, std::string::npos) << "the help's last line has no line end";
        EXPECT_LE(end - start, 95u) << help.substr(start, end - start);
        start = end + 1;
    }
    EXPECT_NE(help.find("The window's object names UnitsEdit, ScaleGroup, DrawingSpaceRadioGroup, "
                        "BlocksRadioGroup,\nSplinesComboBox, LineWidthEdit, XEdit and YEdit may be "
                        "used for the same controls.\n"),
              std::string::npos)
        << help;
}

} // namespace
