// SPDX-License-Identifier: MIT
// A drawing read in small steps, as the engine reads large files, gives exactly what a read of
// the whole bytes gives: the same groups, the same records, the same messages. Steps of a few
// bytes cut every line, number and escape somewhere.
#include "DxfText.h"

#include "pad2/DxfError.h"
#include "pad2/DxfReader.h"
#include "pad2/DxfScanner.h"
#include "pad2/FileMapping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace pad2;
using namespace pad2test;

namespace {

// A source that hands out `step` more bytes per request, however many were asked for, and
// records the most it ever made readable.
struct TSteppedSource {
    std::size_t Size;
    std::size_t Step;
    std::size_t Readable = 0;
    std::size_t Requests = 0;
    std::size_t More(std::size_t wanted) {
        ++Requests;
        Readable = std::min(Size, std::max(Readable + Step, std::min(wanted, Readable + Step)));
        return Readable;
    }
};

// Every group as "code|kind|text|where", or the message that ended the scan.
std::string Scan(const std::string& bytes, std::size_t step) {
    std::ostringstream out;
    try {
        TDxfScanner::TMore more;
        std::size_t readable = bytes.size();
        TSteppedSource source{bytes.size(), step};
        if (step > 0) {
            more = [&source](std::size_t wanted) { return source.More(wanted); };
            readable = source.More(0);
        }
        TDxfScanner s(bytes.data(), bytes.size(), "x.dxf", more, readable);
        TGroup g;
        while (s.Next(g)) {
            out << g.Code << '|' << int(g.Kind) << '|' << g.Text << '|' << g.Where << '\n';
            if (g.Code >= 10 && g.Code < 60) out << s.ToDouble(g) << '\n';
        }
    } catch (const EDxfError& e) {
        out << "error " << e.Code << ": " << e.Message;
    }
    return out.str();
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The whole model, field by field, with doubles compared by their bits.
void ExpectSameDrawing(const TDrawing& a, const TDrawing& b, const std::string& name) {
    SCOPED_TRACE(name);
    ASSERT_EQ(a.Entities.size(), b.Entities.size());
    for (std::size_t i = 0; i < a.Entities.size(); ++i) {
        const pad2::TEntity &x = a.Entities[i], &y = b.Entities[i];
        ASSERT_TRUE(x.Code == y.Code && x.Flags == y.Flags && x.Layer == y.Layer &&
                    x.Data == y.Data && x.Aux == y.Aux && x.Aux2 == y.Aux2 && x.Next == y.Next)
            << "entity " << i;
    }
    ASSERT_EQ(a.Doubles.size(), b.Doubles.size());
    EXPECT_EQ(std::memcmp(a.Doubles.data(), b.Doubles.data(), a.Doubles.size() * 8), 0);
    EXPECT_EQ(a.Strings, b.Strings);
    EXPECT_EQ(a.Blob, b.Blob);
    EXPECT_EQ(a.BlobStarts, b.BlobStarts);
    ASSERT_EQ(a.Layers.size(), b.Layers.size());
    for (std::size_t i = 0; i < a.Layers.size(); ++i)
        EXPECT_TRUE(a.Layers[i].Name == b.Layers[i].Name &&
                    a.Layers[i].Colour == b.Layers[i].Colour &&
                    a.Layers[i].Flags == b.Layers[i].Flags);
    ASSERT_EQ(a.Blocks.size(), b.Blocks.size());
    for (std::size_t i = 0; i < a.Blocks.size(); ++i) {
        const TBlock &x = a.Blocks[i], &y = b.Blocks[i];
        EXPECT_TRUE(x.Name == y.Name && x.First == y.First && x.Last == y.Last &&
                    x.Defined == y.Defined && std::memcmp(x.Base, y.Base, sizeof x.Base) == 0);
    }
    EXPECT_EQ(*a.Header, *b.Header);
}

} // namespace

TEST(StreamedReadTest, GroupsAndMessagesDoNotDependOnTheSteps) {
    const std::string texts[] = {
        "  0\r\nSECTION\r\n 10 \r\n  1.5 \r\n999\r\n comment\r\n",
        "0\nLINE\n10\n" + std::string(5000, '1') + "\n20\n-0.125e-3\n1\n" +
            std::string(20000, 'x') + "\n0\nEOF\n",
        "0\nSECTION\n\n\n  \r\n\n",       // blank lines end the file
        "0\nSECTION\nabc\nvalue\n",       // a bad group code
        "0\nSECTION\n10\nnot a number\n", // a bad value
        "0\nSECTION\n10",                 // a code without its value line
        "0\nSECTION\n1\nlast value without newline",
    };
    for (const std::string& text : texts) {
        const std::string whole = Scan(text, 0);
        for (std::size_t step : {1u, 2u, 3u, 7u, 64u})
            EXPECT_EQ(Scan(text, step), whole) << "step " << step << " of\n" << text;
    }
}

TEST(StreamedReadTest, EveryTestDrawingReadsTheSameInSteps) {
    const std::filesystem::path dir = DXFI_TEST_DATA_DIR;
    ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir << " is missing";
    int drawings = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".dxf") continue;
        ++drawings;
        const std::string bytes = ReadFile(entry.path());
        const std::string name = entry.path().filename().string();
        const auto whole = ReadDxf(bytes.data(), bytes.size(), name);
        for (std::size_t step : {1u, 13u, 4096u}) {
            TSteppedSource source{bytes.size(), step};
            TReadCallbacks callbacks;
            callbacks.More = [&source](std::size_t wanted) { return source.More(wanted); };
            const auto stepped = ReadDxf(bytes.data(), bytes.size(), name, callbacks);
            ExpectSameDrawing(*whole, *stepped, name + " in steps of " + std::to_string(step));
            if (step == 13) {
                EXPECT_GT(source.Requests, bytes.size() / 26) << name;
            }
        }
    }
    EXPECT_GT(drawings, 20);
}

TEST(StreamedReadTest, AFileReadInStepsKeepsOnlyAWindowAndNoticesChanges) {
    // Six megabytes of comments around one line: more than one step of the file reader.
    std::string comments;
    while (comments.size() < (std::size_t{6} << 20))
        comments += Groups({{999, std::string(1000, 'c')}});
    const std::string text = EntitiesDxf(comments + Groups({{0, "LINE"}, {10, "1"}, {20, "2"}}));
    TTempFile file(text, "big.dxf");

    {
        TFileMapping mapping(file.Path(), "big.dxf");
        const std::size_t first = mapping.LoadUpTo(0);
        ASSERT_GT(first, 0u);
#if !defined(_WIN32)
        ASSERT_LT(first, text.size()); // a step, not the whole file (Windows reads it whole)
#endif
        EXPECT_EQ(std::string(mapping.Data(), first), text.substr(0, first));
        // Dropped pages are reused for what follows; the bytes read later are still right.
        mapping.Release(first - 100);
        const std::size_t all = mapping.LoadUpTo(text.size());
        ASSERT_EQ(all, text.size());
        EXPECT_EQ(std::string(mapping.Data() + first - 50, all - first + 50),
                  text.substr(first - 50));
    }
    {
        // Cut short after the first step: the next step fails, never a fault.
        TFileMapping mapping(file.Path(), "big.dxf");
        mapping.LoadUpTo(0);
        ASSERT_EQ(::truncate(file.Path().c_str(), static_cast<off_t>(text.size() / 2 + 1)), 0);
        try {
            mapping.LoadUpTo(text.size());
            ADD_FAILURE() << "a shortened file was read";
        } catch (const EDxfError& e) {
            EXPECT_EQ(e.Code, ecFileChanged);
        }
    }

    // Through the engine: the whole file is read and the line is found behind the comments.
    std::ofstream(file.Path(), std::ios::binary | std::ios::trunc) << text;
    const dxfi::abi::TDrawingHandle h = edaLoadFile(file.Path().c_str(), 1, 0);
    ASSERT_NE(h, 0u) << LastError();
    const auto entities = ListOf(h, "*Model_Space");
    edaCloseFile(h);
    ASSERT_EQ(entities.size(), 2u); // block start and the line
    EXPECT_EQ(entities[1].F(dxfi::abi::LineData::Start), 1.0);
}
