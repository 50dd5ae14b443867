// SPDX-License-Identifier: MIT
// Whole imports of the shared real-world drawings (public projects' DXF files, read where they
// lie) at the scale the dialog starts with: no entity is refused by the point test, and no
// coordinate reaches the board clamped to its edge, except in the drawings named below.
#include "e2e/ImportFixture.h"
#include "support/TextSearch.h"

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

const std::string kSet = DXFI_REALWORLD_DIR;

// Drawings whose content does not fit the board at the scale they start with, and why. Their
// out-of-range entities must be reported, never clamped silently; the placement's move keeps
// what remains in range.
struct TException {
    const char* Reason;
};

const std::map<std::string, TException>& Exceptions() {
    static const std::map<std::string, TException> exceptions = {
        {"CadQuery__cadquery__tests~testdata~three_layers.dxf",
         {"declares inches but spans more than 214 inches"}},
        {"LibreDWG__libredwg__test~test-data~example_2018.dxf",
         {"its content spans more than the board's 214748 mil at 1 mm per declared unit"}},
        {"LibreDWG__libredwg__test~test-data~example_r13.dxf",
         {"no declared units: at 1 mil per unit some entities lie beyond 214748 units"}},
        {"mikedh__trimesh__models~2D~spline_1.dxf",
         {"declares inches but lies beyond 214 inches from the origin"}},
        {"mozman__ezdxf__examples_dxf~dimension_in_block.dxf",
         {"declares metres: the board holds 5.4 m, the drawing more"}},
        {"mozman__ezdxf__examples_dxf~multi_insert_with_attribs.dxf",
         {"declares metres: its MINSERT's rows and columns, every copy placed, reach 46 m"}},
        {"mozman__ezdxf__examples_dxf~text.dxf",
         {"its texts span more than the board's range at 1 mm per declared unit"}},
        {"mozman__ezdxf__examples_dxf~text_negative_extrusion.dxf", {"as text.dxf, mirrored"}},
        {"mozman__ezdxf__tests~test_01_dxf_entities~houses_of_parliament_georeferenced.dxf",
         {"georeferenced: coordinates of 530000 units lie beyond 214 inches"}},
    };
    return exceptions;
}

std::vector<std::string> Drawings() {
    std::vector<std::string> names;
    std::ifstream in(DXFI_TEST_DATA_DIR "/realworld_counts.json");
    const TJson counts = TJson::parse(in, nullptr, false);
    if (!counts.is_object()) return names;
    for (const auto& [name, value] : counts.items())
        names.push_back(name);
    return names;
}

// Every integer of the board at the 32-bit range's ends: a coordinate clamped to the edge.
void FindClamped(const TJson& value, int& count) {
    if (value.is_number_integer()) {
        const int64_t v = value.get<int64_t>();
        if (v >= 2147483647 || v <= -2147483647) ++count;
    } else if (value.is_structured()) {
        for (const auto& item : value)
            FindClamped(item, count);
    }
}

class TRealWorldImport : public TImportFixture,
                         public ::testing::WithParamInterface<std::string> {};

TEST_P(TRealWorldImport, NothingRefusedByThePointTestNothingClamped) {
    const std::string drawing = kSet + "/" + GetParam();
    ASSERT_TRUE(fs::exists(drawing))
        << "missing drawing (is the real-world set there?) " << drawing;
    const TProgramRun run = Import(drawing, {"-o", Path("board.json"), "--no"});
    ASSERT_EQ(run.ExitCode, 0) << run.Out << run.Err;
    const TJson board = LoadBoard("board.json");
    std::string report;
    if (Exists("Import Error Report.html"))
        report = TTempFolder::ReadFile(Path("Import Error Report.html"));
    EXPECT_EQ(testsupport::Occurrences(report, "because of invalid"), 0u) << report;
    int clamped = 0;
    FindClamped(board, clamped);
    const auto exception = Exceptions().find(GetParam());
    if (exception == Exceptions().end()) {
        EXPECT_EQ(testsupport::Occurrences(report, "beyond the board"), 0u) << report;
        EXPECT_EQ(clamped, 0);
        return;
    }
    // Beyond the board's range at this scale: reported, with the placement's known effect.
    EXPECT_GT(testsupport::Occurrences(report, "beyond the board&apos;s range at this scale") +
                  testsupport::Occurrences(report, "beyond the board's range at this scale"),
              0u)
        << exception->second.Reason;
    EXPECT_EQ(clamped, 0) << exception->second.Reason;
}

INSTANTIATE_TEST_SUITE_P(RealWorld, TRealWorldImport, ::testing::ValuesIn(Drawings()),
                         testsupport::NameOfParam);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(TRealWorldImport);

TEST(RealWorldImportSetTest, TheSetIsThere) {
    EXPECT_TRUE(fs::is_directory(kSet)) << "the real-world drawing set is missing: " << kSet;
    EXPECT_EQ(Drawings().size(), 99u) << "tests/data/realworld_counts.json lists the set";
}

} // namespace
