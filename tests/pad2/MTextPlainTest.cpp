// SPDX-License-Identifier: MIT
// The plain text of MTEXT strings: formatting codes removed, escaped characters kept, and plain
// runs of every length around them copied whole.
#include "pad2/MTextPlain.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

using pad2::MTextPlainText;

TEST(MTextPlainTest, CodesGoAndCharactersStay) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"plain text", "plain text"},
        {"{}", ""},
        {"{\\fArial|b1;Bold}\\Pline", "Bold line"},
        {"a\\Nb\\~c", "a b c"},
        {"a\\\\b\\{c\\}", "a\\b{c}"},
        {"x\\S1/2;y", "x1/2y"},
        {"x\\S1\\/2;", "x1/2"},
        {"x\\S3^4", "x3^4"}, // a cut text: the fraction runs to the end
        {"\\Lunder\\l \\Oover\\o \\Kstrike\\k", "under over strike"},
        {"\\H2.5x;big\\C1;red\\W0.8;narrow\\Q15;tilt\\T2;wide\\A1;mid\\pxi-3;para",
         "bigrednarrowtiltwidemidpara"},
        {"\\fArial", ""}, // an argument without its ';'
        {"end\\", "end\\"},
        {"\\Zq", "\\Zq"}, // an unknown code stays
        {"\xC2\xB1 0.5 {\\H3;mm}", "\xC2\xB1 0.5 mm"}};
    for (const auto& [text, plain] : cases)
        EXPECT_EQ(MTextPlainText(text), plain) << text;

    // Plain runs of every length before, between and after codes.
    for (std::size_t length = 0; length < 70; ++length) {
        const std::string run(length, 'r');
        EXPECT_EQ(MTextPlainText(run + "\\P" + run + "{\\C2;" + run + "}" + run),
                  run + " " + run + run + run)
            << length;
    }
}
