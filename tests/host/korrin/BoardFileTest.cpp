// SPDX-License-Identifier: MIT
// Board documents and pictures: save, load and save again gives the same bytes; bad files are
// refused with a message naming the file and the problem; the SVG is well-formed XML.
#include "KorrinTestSupport.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace korrintest {
namespace {

namespace fs = std::filesystem;

class TBoardFileTest : public TBoardTest {
protected:
    void SetUp() override {
        TBoardTest::SetUp();
        Dir = fs::temp_directory_path() /
              ("korrin-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
    }
    void TearDown() override {
        fs::remove_all(Dir);
        TBoardTest::TearDown();
    }
    std::string PathOf(const std::string& name) const { return (Dir / name).string(); }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    std::string Save(uint32_t board, const std::string& name) {
        char error[512] = {};
        EXPECT_EQ(KorrinHost_SaveBoard(board, PathOf(name).c_str(), error, sizeof error), 0)
            << error;
        return Read(PathOf(name));
    }
    // The load's message, and that the current board did not change.
    std::string LoadError(const std::string& path) {
        char error[512] = "untouched";
        EXPECT_EQ(KorrinHost_LoadBoard(path.c_str(), error, sizeof error), 0u);
        EXPECT_EQ(PcbApi_GetCurrentBoardHandle(), Board);
        return error;
    }
    // A board with every kind and awkward values.
    void Populate() {
        AddTrack(Board, -10, 20, 30000, -40000, 1, 123);
        AddTrack(Board, 0, 0, 1, 1, 0x04000011); // mechanical 17
        AddTrack(Board, 0, 0, 1, 1, 0x01010028); // signal layer 40
        AddTrack(Board, 0, 0, 1, 1, 0x02000005); // a value without a name
        uint32_t arc = PcbApi_CreateObject(kKindArc);
        TArc a;
        a.Query(ptRead, arc);
        a.Start = 0.1 + 0.2;
        a.End = std::numeric_limits<double>::quiet_NaN();
        a.Radius = 5000;
        a.V1 = -7;
        a.Query(ptWrite, arc);
        PcbApi_AddObjectToContainer(Board, arc);
        uint32_t text = PcbApi_CreateObject(kKindText);
        TText t;
        t.Query(ptRead, text);
        std::strcpy(t.Text, "a<b>&\"c\" \xff\xfe end"); // markup and bytes that are not UTF-8
        t.Rotation = -std::numeric_limits<double>::infinity();
        t.Query(ptWrite, text);
        PcbApi_AddObjectToContainer(Board, text);
        uint32_t pad = PcbApi_CreateObject(kKindPad);
        const int32_t size[2] = {7, 8};
        PcbApi_SetPadSizeOnLayer(pad, 40, size);
        PcbApi_SetPadShapeOnLayer(pad, 0, 9);
        PcbApi_AddObjectToContainer(Board, pad);
        for (uint8_t kind : {kKindVia, kKindFill, kKindNet, kKindComponentBody, kKindEmbeddedBoard,
                             kKindDimension, kKindBoardOutline})
            PcbApi_AddObjectToContainer(Board, PcbApi_CreateObject(kind));
        IPCB_Primitive* region = Server()->PCBObjectFactory(kKindRegion, 0, 0);
        void* out = nullptr;
        region->QueryInterface(IID_IPCB_Region, &out);
        IPCB_Contour* c = Server()->PCBContourFactory();
        c->SetCount(3);
        c->SetPoint(1, 100, 0);
        c->SetPoint(2, 0, 100);
        static_cast<IPCB_Region*>(out)->SetOutlineContour(c);
        c->Release();
        BoardInterface(Board)->AddPCBObject(region);
        uint32_t comp = PcbApi_CreateObject(kKindComponent);
        TComponent cc;
        cc.Query(ptRead, comp);
        std::strcpy(cc.Name, "U7");
        cc.Rotation = 12.5;
        cc.Query(ptWrite, comp);
        char links[8][kText256] = {"a", "b", "c", "d", "e", "f", "g", "h"};
        PcbApi_QueryComponentSourceLinks(ptWrite, comp, links[0], links[1], links[2], links[3],
                                         links[4], links[5], links[6], links[7]);
        AddTrack(comp, 1, 2, 3, 4, 33);
        PcbApi_AddObjectToContainer(Board, comp);
        KorrinHost_SetLayerName(Board, 58, "Assembly \"top\"");
        BoardInterface(Board)->SetLayerShown(5, true);
        uint8_t record[kBoardOptionRecordSize] = {};
        record[0] = 1, record[127] = 0xFF;
        PcbApi_QueryBoardGridsEx(ptWrite, Board, record);
        PcbApi_QueryBoardPrinterOptionsPlotterPen(ptWrite, Board, 3, record);
        char name[kText21] = "Top Signal";
        uint8_t shown = 0;
        int32_t copper = 1, value = 2;
        PcbApi_QueryLayer(ptWrite, Board, 1, name, &shown, &copper, &value);
        int32_t pairs = 2;
        PcbApi_QueryBoardLayerPairsCount(Board, &pairs, ptWrite);
    }
    fs::path Dir;
};

TEST_F(TBoardFileTest, SaveLoadAndSaveAgainGivesTheSameBytes) {
    Populate();
    std::string first = Save(Board, "first.json");
    char error[512] = {};
    uint32_t loaded = KorrinHost_LoadBoard(PathOf("first.json").c_str(), error, sizeof error);
    ASSERT_NE(loaded, 0u) << error;
    EXPECT_EQ(PcbApi_GetCurrentBoardHandle(), loaded);
    std::string second = Save(loaded, "second.json");
    EXPECT_EQ(first, second);

    // The loaded board answers like the original.
    char fileName[kText256] = {};
    int32_t v = 0;
    uint8_t b = 0, unit = 0;
    uint32_t layer = 0;
    PcbApi_QueryBoard(ptRead, loaded, &v, fileName, &b, &v, &v, &v, &v, &unit, &layer, &v);
    EXPECT_EQ(std::string(fileName), PathOf("first.json"));
    IPCB_Board* board = BoardInterface(loaded);
    EXPECT_EQ(board->GetPrimitiveCounter(0xFFFFFFFEu),
              BoardInterface(Board)->GetPrimitiveCounter(0xFFFFFFFEu));
    char name[kText256] = {};
    board->LayerName(58, name);
    EXPECT_STREQ(name, "Assembly \"top\"");
    EXPECT_TRUE(board->LayerShown(5));
    IPCB_BoardIterator* it = board->BoardIterator_Create();
    it->AddFilter_ObjectSet(1u << kKindArc | 1u << kKindText);
    IPCB_Primitive* arc = it->FirstPCBObject();
    ASSERT_NE(arc, nullptr);
    TArc a;
    a.Query(ptRead, arc->Handle());
    EXPECT_EQ(a.Start, 0.1 + 0.2);
    EXPECT_TRUE(std::isnan(a.End));
    EXPECT_EQ(a.V1, -7);
    IPCB_Primitive* text = it->NextPCBObject();
    ASSERT_NE(text, nullptr);
    TText t;
    t.Query(ptRead, text->Handle());
    EXPECT_STREQ(t.Text, "a<b>&\"c\" \xff\xfe end");
    EXPECT_EQ(t.Rotation, -std::numeric_limits<double>::infinity());
    board->BoardIterator_Destroy(it);
    KorrinHost_CloseBoard(loaded);

    // The document says what the objects are in the wrapper's own words.
    EXPECT_NE(first.find("\"Kind\": \"Track\", \"Layer\": \"Top Layer\", \"X\": -10, \"Y\": 20, "
                         "\"X2\": 30000, \"Y2\": -40000, \"Width\": 123"),
              std::string::npos);
    EXPECT_NE(first.find("\"Layer\": \"Mechanical Layer 17\""), std::string::npos);
    EXPECT_NE(first.find("\"Layer\": \"Mid Layer 39\""), std::string::npos);
    EXPECT_NE(first.find("\"LayerValue\": 33554437"), std::string::npos);
    EXPECT_NE(first.find("\"StartAngle\": 0.30000000000000004"), std::string::npos);
    EXPECT_NE(first.find("\"Children\": [{\"Kind\": \"Track\", \"Layer\": \"Top Overlay\""),
              std::string::npos);
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir), fs::directory_iterator()), 2);
}

TEST_F(TBoardFileTest, BadBoardFilesAreRefusedWithTheFileAndTheProblem) {
    std::string missing = PathOf("missing.json");
    EXPECT_EQ(LoadError(missing), "Cannot load board '" + missing + "': the file does not exist.");

    EXPECT_EQ(LoadError(Dir.string()),
              "Cannot load board '" + Dir.string() + "': that is a folder, not a board file.");

    std::string empty = PathOf("empty.json");
    Write(empty, " \n ");
    EXPECT_EQ(LoadError(empty), "Cannot load board '" + empty + "': the file is empty.");

    std::string notJson = PathOf("drawing.dxf");
    Write(notJson, "0\nSECTION\n");
    EXPECT_EQ(
        LoadError(notJson).rfind("Cannot load board '" + notJson + "': the file is not JSON: ", 0),
        0u);

    std::string truncated = PathOf("truncated.json");
    Write(truncated, R"({"Format": "korrin-board", "Version": 1, "Objects": [{"Kind": "Track")");
    EXPECT_NE(LoadError(truncated).find("the file is not JSON"), std::string::npos);

    std::string array = PathOf("array.json");
    Write(array, "[1, 2]");
    EXPECT_EQ(LoadError(array), "Cannot load board '" + array +
                                    "': the file is not a board document: expected a JSON object.");

    std::string other = PathOf("other.json");
    Write(other, R"({"name": "package", "Objects": []})");
    EXPECT_EQ(LoadError(other), "Cannot load board '" + other +
                                    "': the file is not a board document: 'Format' is not "
                                    "'korrin-board'.");

    auto shaped = [&](const std::string& name, const std::string& objects,
                      const std::string& board = R"("Board": {})") {
        std::string path = PathOf(name);
        Write(path, R"({"Format": "korrin-board", "Version": 1, )" + board +
                        (objects.empty() ? "" : ", ") + objects + "}");
        return LoadError(path).substr(path.size() + 22); // after "Cannot load board '<path>': "
    };
    EXPECT_EQ(shaped("a.json", ""), "the member 'Objects' is missing.");
    EXPECT_EQ(shaped("b.json", R"("Objects": {})"), "Objects: expected a list of objects.");
    EXPECT_EQ(shaped("c.json", R"("Objects": [{"Kind": "Track", "Layer": "Top Layer"}, 5])"),
              "Objects[1]: expected an object.");
    EXPECT_EQ(shaped("d.json", R"("Objects": [{"Kind": "Spline"}])"),
              "Objects[0].Kind: 'Spline' is not an object kind.");
    EXPECT_EQ(shaped("e.json", R"("Objects": [{"Kind": "Arc", "Layer": "Top Layr"}])"),
              "Objects[0].Layer: 'Top Layr' is not a layer name.");
    EXPECT_EQ(shaped("f.json", R"("Objects": [{"Kind": "Track", "Width": 1.5}])"),
              "Objects[0].Width: expected an integer from -2147483648 to 2147483647.");
    EXPECT_EQ(shaped("g.json", R"("Objects": [{"Kind": "Track", "X": 4294967296}])"),
              "Objects[0].X: expected an integer from -2147483648 to 2147483647.");
    EXPECT_EQ(shaped("h.json",
                     R"("Objects": [{"Kind": "Component", "Children": [{"Kind": "Component"}]}])"),
              "Objects[0].Children[0]: a component cannot hold a component.");
    EXPECT_EQ(shaped("i.json", R"("Objects": [])", R"("Board": [])"), "Board: expected an object.");
    EXPECT_EQ(shaped("j.json", R"("Objects": [])", R"("Board": {"CurrentLayer": 3})"),
              "Board.CurrentLayer: expected a layer name.");

    // A number beyond a double's range names the file, not only the JSON library's text.
    std::string huge = PathOf("huge.json");
    Write(huge, R"({"Format": "korrin-board", "Version": 1e999, "Board": {}, "Objects": []})");
    EXPECT_EQ(LoadError(huge), "Cannot load board '" + huge +
                                   "': a number is out of range (number overflow parsing "
                                   "'1e999').");
    EXPECT_EQ(shaped("k.json", R"("Objects": [{"Kind": "Track", "X": -1e400}])"),
              "a number is out of range (number overflow parsing '-1e400').");

    // A named pipe (no writer) is refused at once with what it is.
    std::string pipe = PathOf("pipe.json");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(LoadError(pipe),
              "Cannot load board '" + pipe + "': it is a named pipe, not a board file.");

    // A failed load leaves no objects behind: the board count of handles stays usable and the
    // current board is the one from before.
    EXPECT_EQ(PcbApi_GetCurrentBoardHandle(), Board);
}

TEST_F(TBoardFileTest, SavingNeverHarmsAnExistingFile) {
    AddTrack(Board, 0, 0, 10, 10);
    std::string path = PathOf("board.json");
    Write(path, "precious");
    char error[512] = {};
    std::string nowhere = (Dir / "no-such-folder" / "board.json").string();
    EXPECT_NE(KorrinHost_SaveBoard(Board, nowhere.c_str(), error, sizeof error), 0);
    EXPECT_EQ(
        std::string(error).rfind("Cannot save board '" + nowhere + "': the temporary file '", 0),
        0u)
        << error;
    EXPECT_NE(KorrinHost_SaveBoard(0x7FFFFFF0u, path.c_str(), error, sizeof error), 0);
    EXPECT_STREQ(error, "Cannot save board: the board handle names no open board.");
    EXPECT_EQ(Read(path), "precious");
    // A tiny error buffer gets a cut, terminated message.
    char tiny[8] = "xxxxxxx";
    EXPECT_NE(KorrinHost_SaveBoard(0x7FFFFFF0u, path.c_str(), tiny, sizeof tiny), 0);
    EXPECT_STREQ(tiny, "Cannot ");
}

TEST_F(TBoardFileTest, TemporariesOfKilledSavesAreRemovedByTheNextSave) {
    AddTrack(Board, 0, 0, 10, 10);
    std::string path = PathOf("board.json");
    pid_t dead = 4190000;
    while (kill(dead, 0) == 0 || errno != ESRCH)
        --dead;
    std::string stale = path + ".tmp" + std::to_string(dead);
    std::string live = path + ".tmp1"; // pid 1 always runs
    std::string other = path + ".tmpx";
    for (const std::string& name : {stale, live, other})
        Write(name, "left");
    char error[512] = {};
    ASSERT_EQ(KorrinHost_SaveBoard(Board, path.c_str(), error, sizeof error), 0) << error;
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(live));
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp" + std::to_string(getpid())));
    EXPECT_NE(Read(path).find("\"Kind\": \"Track\""), std::string::npos);
}

TEST_F(TBoardFileTest, TheSvgIsWellFormedWithALayerGroupPerLayerAndArcsAsArcs) {
    Populate();
    AddTrack(Board, 0, 0, 10, 10, 58); // on the renamed layer
    uint32_t arc = PcbApi_CreateObject(kKindArc);
    TArc a;
    a.Query(ptRead, arc);
    a.Radius = 100000, a.Start = 0, a.End = 270, a.Layer = 32;
    a.Query(ptWrite, arc);
    PcbApi_AddObjectToContainer(Board, arc);
    std::string path = PathOf("board.svg");
    char error[512] = {};
    ASSERT_EQ(KorrinHost_RenderSvg(Board, path.c_str(), error, sizeof error), 0) << error;
    std::string svg = Read(path);
    xmlDocPtr doc = xmlReadMemory(svg.data(), static_cast<int>(svg.size()), "board.svg", nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    ASSERT_NE(doc, nullptr) << svg;
    xmlNodePtr root = xmlDocGetRootElement(doc);
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(reinterpret_cast<const char*>(root->name), "svg");
    int layerGroups = 0;
    for (xmlNodePtr n = root->children; n; n = n->next) {
        if (n->type != XML_ELEMENT_NODE) continue;
        xmlChar* id = xmlGetProp(n, BAD_CAST "id");
        if (id && std::strcmp(reinterpret_cast<char*>(id), "board") == 0) {
            xmlChar* transform = xmlGetProp(n, BAD_CAST "transform");
            EXPECT_STREQ(reinterpret_cast<char*>(transform), "scale(1,-1)");
            xmlFree(transform);
            for (xmlNodePtr g = n->children; g; g = g->next)
                if (g->type == XML_ELEMENT_NODE) ++layerGroups;
        }
        xmlFree(id);
    }
    xmlFreeDoc(doc);
    // Layers with objects: top, bottom, overlay, multi, mechanical 1, mechanical 17, signal 40,
    // the unnamed value, no layer (nets and others).
    EXPECT_GE(layerGroups, 8);
    EXPECT_NE(svg.find("a&lt;b&gt;&amp;&quot;c&quot; \xef\xbf\xbd\xef\xbf\xbd end"),
              std::string::npos)
        << "markup escaped, bad bytes replaced";
    // 0 to 270 degrees counter-clockwise: the large arc, positive sweep.
    EXPECT_NE(svg.find("<path d=\"M 10 0 A 10 10 0 1 1 "), std::string::npos);
    EXPECT_NE(svg.find("Assembly &quot;top&quot;"), std::string::npos) << "legend uses board names";
}

TEST_F(TBoardFileTest, TheSummaryCountsByKindAndLayerName) {
    AddTrack(Board, 0, 0, 100000, 0, 1, 20000);
    AddTrack(Board, 0, 0, 0, 100000, 57, 20000);
    KorrinHost_SetLayerName(Board, 57, "Outline");
    std::string summary;
    ASSERT_EQ(KorrinHost_BoardSummaryJson(
                  Board,
                  [](void* c, const char* text, size_t length) {
                      static_cast<std::string*>(c)->assign(text, length);
                  },
                  &summary),
              0);
    EXPECT_NE(summary.find("\"Track\": 2"), std::string::npos) << summary;
    EXPECT_NE(summary.find("\"Top Layer\": 1"), std::string::npos) << summary;
    EXPECT_NE(summary.find("\"Outline\": 1"), std::string::npos) << summary;
    EXPECT_NE(summary.find("\"Left\": -10000"), std::string::npos) << summary;
    EXPECT_NE(summary.find("\"Top\": 110000"), std::string::npos) << summary;
}

// Board files as this host writes them are read by a quick scanner; anything it does not
// expect is read by the general JSON reader. Both must give the same board: a document that
// the scanner reads is loaded again with an unknown member added, which only the general
// reader accepts, and both boards must save to the same bytes.
TEST_F(TBoardFileTest, BothReadersGiveTheSameBoard) {
    Populate();
    std::string saved = Save(Board, "populated.json");
    const std::string objects = R"([
    {"Kind": "Track", "Layer": "Top Layer", "X": -0, "Y": 2147483647, "X2": -2147483648, "Y2": 0, "Width": 0},
    {"Y": 5, "Kind": "Arc", "X": 4, "Layer": "Bottom Layer", "EndAngle": 12345678901234567, "Radius": 3, "StartAngle": 1e-3, "Width": 7},
    {"Kind": "Arc", "Layer": "Top Layer", "X": 0, "Y": 0, "Radius": 1, "StartAngle": -0, "EndAngle": -0.0, "Width": 1, "Value1": -7},
    {"Kind": "Text", "Layer": "top overlay", "X": 1, "Y": 2, "Text": "tab\t \u0001 \"q\" \\ \/ ÄØ° 漢 😀", "Height": 5, "Rotation": "NaN", "Mirror": 1, "Width": 3},
    {"Kind": "Text", "Layer": "Mechanical Layer 17", "X": 1, "Y": 2, "Text": {"Bytes": "ff00"}, "Height": 5, "Rotation": "-Infinity", "Mirror": 0, "Width": 3, "FontName": "Courier", "BarCode": [1, 2, 3, 4]},
    {"Kind": "Track", "Layer": "Top Layer", "LayerValue": 33554437, "X": 1, "Y": 1, "X2": 2, "Y2": 2, "Width": 9, "Flags": 65535, "PrimByte": 255, "BitField3": 7},
    {"Kind": "Via", "Layer": "Multi Layer", "X": 0, "Y": 0, "Size": 1, "HoleSize": 1, "LowLayer": "Top Layer", "HighLayer": "Mid Layer 2", "HighLayerValue": 3},
    {"Kind": "Component", "Layer": "Top Layer", "X": 0, "Y": 0, "Name": "U1", "Rotation": 90},
    {"Kind": "Fill", "Layer": "Top Layer", "X": 0, "Y": 0, "X2": 10, "Y2": 10, "Rotation": 45.5}
  ])";
    for (const std::string& document :
         {saved,
          R"({"Format": "korrin-board", "Version": 1, "Board": {}, "Objects": )" + objects + "}",
          // Members in another order; the board after the objects or before them.
          R"({"Objects": )" + objects +
              R"(, "Board": {"DisplayUnit": 0}, "Version": 1, "Format": "korrin-board"})"}) {
        std::string quick = PathOf("quick.json"), general = PathOf("general.json");
        Write(quick, document);
        std::string withUnknown = document;
        withUnknown.insert(withUnknown.rfind('}'), R"(, "Note": [1, {"a": 2}])");
        Write(general, withUnknown);
        char error[512] = {};
        uint32_t a = KorrinHost_LoadBoard(quick.c_str(), error, sizeof error);
        ASSERT_NE(a, 0u) << error;
        uint32_t b = KorrinHost_LoadBoard(general.c_str(), error, sizeof error);
        ASSERT_NE(b, 0u) << error;
        std::string fromQuick = Save(a, "a.json"), fromGeneral = Save(b, "b.json");
        EXPECT_EQ(fromQuick, fromGeneral);
        if (document == saved) {
            EXPECT_EQ(fromQuick, saved);
        }
        KorrinHost_CloseBoard(a);
        KorrinHost_CloseBoard(b);
    }

    // What neither reader accepts is refused with the same words whichever reads it first.
    KorrinHost_SetCurrentBoard(Board);
    auto refusal = [&](const std::string& text) {
        std::string path = PathOf("bad.json");
        Write(path, text);
        return LoadError(path).substr(path.size() + 22);
    };
    const std::string head =
        R"({"Format": "korrin-board", "Version": 1, "Board": {}, "Objects": [)";
    EXPECT_EQ(refusal(head + R"({"Kind": "Track", "X": 1.5}]})"),
              "Objects[0].X: expected an integer from -2147483648 to 2147483647.");
    EXPECT_EQ(refusal(head + R"({"Kind": "Track"}, {"Kind": "Arc", "Layer": 3}]})"),
              "Objects[1].Layer: expected a layer name.");
    EXPECT_EQ(
        refusal(head + R"({"Kind": "Text", "Text": "\ud800"}]})").rfind("the file is not JSON", 0),
        0u);
    EXPECT_EQ(refusal(head + "{\"Kind\": \"Text\", \"Text\": \"\xc0\xaf\"}]}")
                  .rfind("the file is not JSON", 0),
              0u);
    EXPECT_EQ(refusal(head + R"({"Kind": "Track"}]} x)").rfind("the file is not JSON", 0), 0u);
    EXPECT_EQ(refusal(R"({"Format": "korrin-board", "Version": 2, "Board": {}, "Objects": []})"),
              "the file is a board document of a version this host does not read (expected "
              "'Version': 1).");
}

} // namespace
} // namespace korrintest
