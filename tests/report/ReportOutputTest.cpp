// SPDX-License-Identifier: MIT
#include "report/ReportOutput.h"

#include "abi/ClientApi.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Identity.h"
#include "report/GeneralReport.h"
#include "report/GeneralReportException.h"
#include "report/ReplaceFileSafely.h"
#include "report/ReportHost.h"
#include "support/ComStubs.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <libxml/HTMLparser.h>
#include <libxml/xpath.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace dxfi;

namespace {

const char* const kTitle = "DXF/DWG File Import Error Report";
const std::string kShipped = DXFI_BIN_DIR "/Templates/report_html_default.xsl";

// A project of the host's workspace.
class TFakeOutput : public testsupport::TStub<dxfi::abi::IProjectOutput> {
public:
    const char* DXFI_STDCALL ReferencePath() override { return Reference.c_str(); }
    int32_t DXFI_STDCALL AddOutputFile(const char* path) override {
        Added.push_back(path);
        return 0;
    }
    std::string Reference;
    std::vector<std::string> Added;
};

class TFakeProject : public testsupport::TStub<dxfi::abi::IProject> {
public:
    const char* DXFI_STDCALL FileName() override { return Name.c_str(); }
    const char* DXFI_STDCALL FullPath() override { return Path.c_str(); }
    dxfi::abi::IProjectOutput* DXFI_STDCALL OutputObject() override {
        return HasOutput ? &Output : nullptr;
    }
    std::string Name, Path;
    bool HasOutput = false;
    TFakeOutput Output;
};

// Holds one project with the documents under its folder.
class TFakeWorkspace : public testsupport::TStub<dxfi::abi::IWorkspace> {
public:
    dxfi::abi::IProject* DXFI_STDCALL GetProjectContaining(const char* path) override {
        Asked.push_back(path);
        std::string folder = platform::ExtractFilePath(Project.Path);
        return !folder.empty() && std::string(path).rfind(folder, 0) == 0 ? &Project : nullptr;
    }
    TFakeProject Project;
    std::vector<std::string> Asked;
};

struct TMessage {
    std::string Caption, Text;
    uint32_t Style;
};

// Host services recorded, the host program in the build's bin folder (where the shipped
// stylesheet is), and a temporary folder of its own.
class ReportOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetFolderOverride(platform::foExecutable, DXFI_BIN_DIR);
        platform::SetFolderOverride(platform::foTemp, Temp.Path());
        SetMessageBoxFunction(
            [this](const std::string& caption, const std::string& text, uint32_t style) {
                Messages.push_back({caption, text, style});
                return dxfi::abi::kIdOk;
            });
        SetHostCommandSender([this](const std::string& command, const std::string& parameters) {
            Commands.push_back(command + "|" + parameters);
        });
        SetWorkspaceProviderForTests(
            [this]() -> dxfi::abi::IWorkspace* { return Workspace.get(); });
        Report = MakeReport({"LINE entity was discarded because of invalid start point (1.5,100)",
                             "SPLINE entity was discarded because it is not supported"});
    }
    void TearDown() override {
        SetMessageBoxFunction({});
        SetHostCommandSender({});
        SetWorkspaceProviderForTests({});
        platform::ClearFolderOverrides();
    }

    // The HTML page of a report of `lines`, made with the shipped stylesheet.
    std::string DiscardPage(const std::vector<std::string>& lines) {
        Report = MakeReport(lines, Temp.Path() + "board.json", "/d/a.dxf");
        std::string output;
        GenerateReportOutputs(*Report, Temp.Path() + "board.json", "r", output, false);
        return TTempFolder::ReadFile(output);
    }
    static std::unique_ptr<TGeneralReport> MakeReport(const std::vector<std::string>& lines,
                                                      const std::string& board = "/b/Main.board",
                                                      const std::string& drawing = "/d/plan.dxf") {
        auto report = std::make_unique<TGeneralReport>(
            kTitle, "", [] { return TClockReading{2024, 5, 6, 14, 3, 11, 0}; });
        report->BeginReport();
        report->BeginFrontMatter("PCB Filename");
        report->WriteFile(board, board);
        report->EndFrontMatter();
        report->BeginFrontMatter("DXF Filename");
        report->WriteFile(drawing, drawing);
        report->EndFrontMatter();
        for (const std::string& line : lines)
            report->WriteLine(line);
        report->EndReport();
        return report;
    }

    // A stylesheet in the temporary folder; `top` goes first inside xsl:stylesheet.
    std::string Stylesheet(const std::string& name, const std::string& top,
                           const std::string& body = "<xsl:value-of select=\"title\"/>",
                           const std::string& extraNamespaces = "") {
        return Temp.WriteFile(name, "<?xml version=\"1.0\"?>\n"
                                    "<xsl:stylesheet version=\"1.0\" "
                                    "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\"" +
                                        extraNamespaces + ">\n" + top +
                                        "<xsl:output method=\"text\"/>\n"
                                        "<xsl:template match=\"/report\">" +
                                        body + "</xsl:template>\n</xsl:stylesheet>\n");
    }

    // The message of the refusal when the report is transformed with `stylesheet` into
    // Temp.Path() + `base` + ".html"; a transformation that succeeds fails the test with
    // `unrefused`.
    std::string TransformRefusal(const std::string& base, const std::string& stylesheet,
                                 std::string& output, const std::string& unrefused) {
        try {
            TransformReport(*Report, Temp.Path() + base, stylesheet, output);
            ADD_FAILURE() << unrefused;
        } catch (const EGeneralReportException& error) {
            return error.Message();
        }
        return "";
    }

    // Temporary files left in the test's folder (where outputs and their temporaries go).
    std::vector<std::string> LeftoverTemporaries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(Temp.Path()))
            if (entry.path().filename().string().find(".tmp") != std::string::npos)
                names.push_back(entry.path().string());
        return names;
    }

    TTempFolder Temp;
    std::unique_ptr<TGeneralReport> Report;
    std::unique_ptr<TFakeWorkspace> Workspace;
    std::vector<TMessage> Messages;
    std::vector<std::string> Commands;
};

// The HTML file parsed, with XPath queries on it.
class THtml {
public:
    explicit THtml(const std::string& text)
        : Doc_(htmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, "UTF-8",
                              HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET)) {}
    ~THtml() { xmlFreeDoc(Doc_); }
    bool Valid() const { return Doc_ != nullptr; }
    // The text content of every node the expression selects, in document order.
    std::vector<std::string> Texts(const char* xpath) const {
        std::vector<std::string> texts;
        xmlXPathContextPtr context = xmlXPathNewContext(Doc_);
        xmlXPathObjectPtr result = xmlXPathEvalExpression(BAD_CAST xpath, context);
        if (result && result->nodesetval)
            for (int i = 0; i < result->nodesetval->nodeNr; ++i) {
                xmlChar* content = xmlNodeGetContent(result->nodesetval->nodeTab[i]);
                texts.emplace_back(content ? reinterpret_cast<const char*>(content) : "");
                xmlFree(content);
            }
        xmlXPathFreeObject(result);
        xmlXPathFreeContext(context);
        return texts;
    }
    std::string Text(const char* xpath) const {
        auto texts = Texts(xpath);
        return texts.size() == 1 ? Trimmed(texts[0])
                                 : "<" + std::to_string(texts.size()) + " nodes>";
    }
    static std::string Trimmed(std::string text) {
        while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
            text.pop_back();
        std::size_t first = 0;
        while (first < text.size() && std::isspace(static_cast<unsigned char>(text[first])))
            ++first;
        return text.substr(first);
    }

private:
    xmlDocPtr Doc_;
};

} // namespace

TEST_F(ReportOutputTest, DefaultStylesheetIsInTheHostsTemplatesFolder) {
    EXPECT_EQ(DefaultReportStylesheet(),
              std::string(DXFI_BIN_DIR) + "/Templates/report_html_default.xsl");
    EXPECT_TRUE(platform::FileExists(DefaultReportStylesheet()));
}

TEST_F(ReportOutputTest, ShippedStylesheetCountsDiscardsAndEscapesMarkup) {
    // Texts from a hostile drawing: markup, quotes, ampersands, entity-like text and control
    // characters, in a layer name, a reason and the file name.
    const std::string hostileFile = "/d/<script>alert(\"x\")</script> & 'q'.dxf";
    std::vector<std::string> lines = {
        "LINE entity was discarded because of invalid start point (1.5,100)",
        "LINE entity was discarded because of invalid start point (2,3)",
        "LINE entity was discarded because of invalid end point (7,8)",
        "SPLINE entity was discarded because it is not supported",
        "INSERT entity was discarded because block did not contain <img src=x onerror=alert(1)>",
        "TEXT entity was discarded because layer \"<b>&amp;\x01\x1b</b>\" is not mapped",
        "A free line without a discard",
    };
    Report = MakeReport(lines, Temp.Path() + "board.json", hostileFile);
    std::string output;
    GenerateReportOutputs(*Report, Temp.Path() + "board.json", "Import Error Report", output,
                          false);

    ASSERT_EQ(output, Temp.Path() + "Import Error Report.html");
    std::string html = TTempFolder::ReadFile(output);
    ASSERT_FALSE(html.empty());
    EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(html.find("<img"), std::string::npos);
    EXPECT_EQ(html.find("<b>"), std::string::npos);
    EXPECT_NE(html.find("&lt;script&gt;alert(\"x\")&lt;/script&gt; &amp; 'q'.dxf"),
              std::string::npos);
    EXPECT_NE(html.find("&lt;b&gt;&amp;amp;\xEF\xBF\xBD\xEF\xBF\xBD&lt;/b&gt;"), std::string::npos);
    // Nothing outside the page: no links, no scripts, no sources.
    EXPECT_EQ(html.find("http:"), std::string::npos);
    EXPECT_EQ(html.find("https:"), std::string::npos);
    EXPECT_EQ(html.find("<link"), std::string::npos);
    EXPECT_EQ(html.find("href="), std::string::npos);

    THtml page(html);
    ASSERT_TRUE(page.Valid());
    EXPECT_EQ(page.Text("/html/head/title"), kTitle);
    EXPECT_EQ(page.Text("//h1"), kTitle);
    EXPECT_EQ(page.Texts("//script").size(), 0u);
    EXPECT_EQ(page.Text("//p[contains(@class,'verdict')]/strong"), "6 entities were discarded.");
    EXPECT_EQ(page.Text("//dl[@class='files']/dd[2]"), hostileFile);

    // By kind: LINE 3, then the ones with 1 by name.
    auto kinds = page.Texts("//table[@class='by-kind']/tbody/tr/th");
    auto kindCounts = page.Texts("//table[@class='by-kind']/tbody/tr/td[@class='num']");
    ASSERT_EQ(kinds.size(), 4u);
    ASSERT_EQ(kindCounts.size(), 4u);
    EXPECT_EQ(kinds, (std::vector<std::string>{"LINE", "INSERT", "SPLINE", "TEXT"}));
    EXPECT_EQ(kindCounts, (std::vector<std::string>{"3", "1", "1", "1"}));
    EXPECT_EQ(page.Text("//table[@class='by-kind']/tfoot//td[@class='num']"), "6");

    // By kind and reason: coordinates are left out of the grouping.
    auto reasons = page.Texts("//table[@class='by-kind-reason']/tbody/tr/td[@class='reason']");
    auto reasonCounts = page.Texts("//table[@class='by-kind-reason']/tbody/tr/td[@class='num']");
    ASSERT_EQ(reasons.size(), 5u);
    ASSERT_EQ(reasonCounts.size(), 5u);
    EXPECT_EQ(reasons,
              (std::vector<std::string>{
                  "because block did not contain <img src=x onerror=alert(1)>",
                  "because of invalid start point", "because of invalid end point",
                  "because it is not supported",
                  "because layer \"<b>&amp;\xEF\xBF\xBD\xEF\xBF\xBD</b>\" is not mapped"}));
    EXPECT_EQ(reasonCounts, (std::vector<std::string>{"1", "2", "1", "1", "1"}));

    // Every line, in order, as written.
    auto listed = page.Texts("//ol[@class='lines']/li");
    ASSERT_EQ(listed.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string expected = lines[i];
        if (i == 5)
            expected = "TEXT entity was discarded because layer "
                       "\"<b>&amp;\xEF\xBF\xBD\xEF\xBF\xBD</b>\" is not mapped";
        EXPECT_EQ(listed[i], expected) << i;
    }
    EXPECT_NE(page.Text("//footer").find("Elapsed time 00:00:00"), std::string::npos);
    EXPECT_TRUE(Messages.empty());
    EXPECT_TRUE(Commands.empty());
    EXPECT_TRUE(LeftoverTemporaries().empty());
}

TEST_F(ReportOutputTest, ShippedStylesheetGroupsInterleavedDiscardsAndUsesNoExtensions) {
    // Kinds cycling through six (beyond any look-back), runs, a kind holding " (" and a line
    // between discards: each group is counted once, whatever the order of its lines.
    std::vector<std::string> lines;
    const char* const kinds[] = {"A", "B", "C", "D", "E", "F"};
    for (int round = 0; round < 5; ++round)
        for (const char* kind : kinds)
            lines.push_back(std::string(kind) + " entity was discarded because r" +
                            std::to_string(round % 2) + " (" + std::to_string(round) + ")");
    lines.push_back("G (x) entity was discarded because r0");
    lines.push_back("not a discard");
    lines.push_back("G (x) entity was discarded because r0 (2,2)");
    lines.push_back("G (y) entity was discarded because r0");
    THtml page(DiscardPage(lines));
    ASSERT_TRUE(page.Valid());
    EXPECT_EQ(page.Text("//p[contains(@class,'verdict')]/strong"), "33 entities were discarded.");
    EXPECT_EQ(page.Texts("//table[@class='by-kind']/tbody/tr/th"),
              (std::vector<std::string>{"A", "B", "C", "D", "E", "F", "G (x)", "G (y)"}));
    EXPECT_EQ(page.Texts("//table[@class='by-kind']/tbody/tr/td[@class='num']"),
              (std::vector<std::string>{"5", "5", "5", "5", "5", "5", "2", "1"}));
    EXPECT_EQ(page.Texts("//table[@class='by-reason']/tbody/tr/td[@class='reason']"),
              (std::vector<std::string>{"because r0", "because r1"}));
    EXPECT_EQ(page.Texts("//table[@class='by-reason']/tbody/tr/td[@class='num']"),
              (std::vector<std::string>{"21", "12"}));
    // Per kind: r0 three times, r1 twice; sorted by count.
    EXPECT_EQ(page.Texts("//table[@class='by-kind-reason']/tbody[1]/tr/td[@class='num']"),
              (std::vector<std::string>{"3", "2"}));
    EXPECT_EQ(page.Texts("//table[@class='by-kind-reason']/tbody/tr/td[@class='reason']").size(),
              14u);

    // Plain XSLT 1.0: engines without extension functions run the same stylesheet.
    const std::string sheet = TTempFolder::ReadFile(kShipped);
    ASSERT_FALSE(sheet.empty());
    EXPECT_EQ(sheet.find("exslt.org"), std::string::npos);
    EXPECT_EQ(sheet.find("node-set"), std::string::npos);
    EXPECT_EQ(sheet.find("urn:schemas-microsoft-com:xslt"), std::string::npos);
}

TEST_F(ReportOutputTest, ShippedStylesheetCountsLargeGroupsAndManyGroups) {
    // One reason in thousands of lines between a few hundred one-line groups (one missing block
    // each): more groups than the stylesheet takes away one by one, so both of its ways of
    // grouping meet in one report.
    std::vector<std::string> lines;
    for (int i = 0; i < 6000; ++i) {
        lines.push_back("LINE entity was discarded because of invalid start point (" +
                        std::to_string(i) + ",0)");
        if (i % 20 == 0)
            lines.push_back("INSERT entity was discarded because its block B" +
                            std::to_string(i / 20) + " is missing");
    }
    THtml page(DiscardPage(lines));
    ASSERT_TRUE(page.Valid());
    EXPECT_EQ(page.Text("//p[contains(@class,'verdict')]/strong"), "6300 entities were discarded.");
    EXPECT_EQ(page.Texts("//table[@class='by-kind']/tbody/tr/td[@class='num']"),
              (std::vector<std::string>{"6000", "300"}));
    auto reasons = page.Texts("//table[@class='by-reason']/tbody/tr/td[@class='reason']");
    auto counts = page.Texts("//table[@class='by-reason']/tbody/tr/td[@class='num']");
    ASSERT_EQ(reasons.size(), 301u);
    ASSERT_EQ(counts.size(), 301u);
    EXPECT_EQ(reasons[0], "because of invalid start point");
    EXPECT_EQ(counts[0], "6000");
    EXPECT_EQ(reasons[1], "because its block B0 is missing");
    EXPECT_EQ(reasons[300], "because its block B299 is missing");
    EXPECT_EQ(counts[300], "1");
    EXPECT_EQ(page.Texts("//table[@class='by-kind-reason']/tbody/tr").size(), 301u);
    EXPECT_EQ(page.Texts("//ol[@class='lines']/li").size(), lines.size());
}

TEST_F(ReportOutputTest, ShippedStylesheetWithoutDiscardsAndWithALoadError) {
    auto report = std::make_unique<TGeneralReport>(kTitle, "");
    report->BeginReport();
    report->WriteError("The file could not be processed - <unexpected end of file>");
    report->EndReport();
    std::string output;
    TransformReport(*report, Temp.Path() + "out", kShipped, output);
    ASSERT_EQ(output, Temp.Path() + "out.html");
    THtml page(TTempFolder::ReadFile(output));
    ASSERT_TRUE(page.Valid());
    EXPECT_EQ(page.Text("//p[contains(@class,'verdict')]/strong"),
              "The drawing could not be loaded.");
    EXPECT_EQ(page.Text("//div[@class='error']/span"),
              "The file could not be processed - <unexpected end of file>");
    EXPECT_EQ(page.Texts("//table").size(), 0u);
    EXPECT_EQ(page.Text("//p[@class='none']"), "The report has no lines.");
}

TEST_F(ReportOutputTest, FileExtensionComesFromTheStylesheetParameter) {
    struct TCase {
        const char* Top;
        const char* Expected;
    };
    const TCase cases[] = {
        {"", "report.html"},
        {"<xsl:param name=\"file_extension\">htm</xsl:param>\n", "report.htm"},
        {"<xsl:param name=\"file_extension\">.xml</xsl:param>\n", "report.xml"},
        {"<xsl:param name=\"file_extension\"></xsl:param>\n", "report.html"},
        // Only the first matching parameter counts; other parameters and nested ones do not.
        {"<xsl:param name=\"other\">txt</xsl:param>\n"
         "<xsl:param name=\"file_extension\">csv</xsl:param>\n"
         "<xsl:param name=\"file_extension\">tsv</xsl:param>\n",
         "report.csv"},
        {"<xsl:variable name=\"file_extension\">txt</xsl:variable>\n", "report.html"},
    };
    for (const TCase& test : cases) {
        std::string stylesheet = Stylesheet("s.xsl", test.Top);
        std::string output;
        TransformReport(*Report, Temp.Path() + "report.old", stylesheet, output);
        EXPECT_EQ(output, Temp.Path() + test.Expected) << test.Top;
        EXPECT_EQ(TTempFolder::ReadFile(output), kTitle) << test.Top;
    }
    EXPECT_TRUE(Messages.empty());
}

TEST_F(ReportOutputTest, ReplacingTheExtension) {
    EXPECT_EQ(ReplaceFileExtension("/a/b/Import Error Report", ".html"),
              "/a/b/Import Error Report.html");
    EXPECT_EQ(ReplaceFileExtension("/a/b/Report - Main.Board", ".html"), "/a/b/Report - Main.html");
    EXPECT_EQ(ReplaceFileExtension("/a.d/b", ".htm"), "/a.d/b.htm");
    EXPECT_EQ(ReplaceFileExtension("x.tar.gz", ""), "x.tar");
    EXPECT_EQ(ReplaceFileExtension("", ".html"), ".html");
}

TEST_F(ReportOutputTest, BoardOutsideAnyProjectGoesBesideTheBoard) {
    Workspace = std::make_unique<TFakeWorkspace>();
    Workspace->Project.Path = "/elsewhere/Main.Board.PrjPcb";
    std::string board = Temp.Path() + "boards/Main.board";
    ASSERT_TRUE(platform::CreateFolder(Temp.Path() + "boards"));
    std::string output = "unchanged";
    GenerateReportOutputs(*Report, board, "Import Error Report", output, true);
    EXPECT_EQ(output, Temp.Path() + "boards/Import Error Report.html");
    EXPECT_TRUE(platform::FileExists(output));
    ASSERT_EQ(Workspace->Asked.size(), 1u);
    EXPECT_EQ(Workspace->Asked[0], board);
    ASSERT_EQ(Commands.size(), 1u);
    EXPECT_EQ(Commands[0], "WorkspaceManager:OpenObject|Filename=" + output);
}

TEST_F(ReportOutputTest, BoardOfAMissingFolderOrNoFolderGoesToTheCurrentDirectory) {
    platform::SetFolderOverride(platform::foCurrent, Temp.Path() + "current");
    ASSERT_TRUE(platform::CreateFolder(Temp.Path() + "current"));
    std::string output;
    GenerateReportOutputs(*Report, Temp.Path() + "gone/Main.board", "Import Error Report", output,
                          false);
    EXPECT_EQ(output, Temp.Path() + "current/Import Error Report.html");
    EXPECT_TRUE(platform::FileExists(output));
    output.clear();
    GenerateReportOutputs(*Report, "Main.board", "Import Error Report", output, false);
    EXPECT_EQ(output, Temp.Path() + "current/Import Error Report.html");
    EXPECT_TRUE(Commands.empty());
}

TEST_F(ReportOutputTest, BoardInAProjectGoesToItsOutputFolderAndTheDotCountsAsExtension) {
    Workspace = std::make_unique<TFakeWorkspace>();
    ASSERT_TRUE(platform::CreateFolder(Temp.Path() + "proj"));
    Workspace->Project.Name = "Main.Board.PrjPcb";
    Workspace->Project.Path = Temp.Path() + "proj/Main.Board.PrjPcb";
    Workspace->Project.HasOutput = true;
    Workspace->Project.Output.Reference = Temp.Path() + "proj/Project Outputs";
    std::string output;
    GenerateReportOutputs(*Report, Temp.Path() + "proj/Main.board", "Import Error Report", output,
                          true);
    // "Import Error Report - Main.Board" loses ".Board" to the extension.
    EXPECT_EQ(output, Temp.Path() + "proj/Project Outputs/Import Error Report - Main.html");
    EXPECT_TRUE(platform::FileExists(output));
    ASSERT_EQ(Workspace->Project.Output.Added.size(), 1u);
    EXPECT_EQ(Workspace->Project.Output.Added[0], output);
    ASSERT_EQ(Commands.size(), 1u);
    EXPECT_EQ(Commands[0], "WorkspaceManager:OpenObject|Filename=" + output);

    // Without the output object, or when the output folder's parent is missing: the project's
    // folder.
    Workspace->Project.Output.Reference = Temp.Path() + "missing/Project Outputs";
    GenerateReportOutputs(*Report, Temp.Path() + "proj/Main.board", "Import Error Report", output,
                          false);
    EXPECT_EQ(output, Temp.Path() + "proj/Import Error Report - Main.html");
    Workspace->Project.HasOutput = false;
    Workspace->Project.Name = "Plain.PrjPcb";
    GenerateReportOutputs(*Report, Temp.Path() + "proj/Main.board", "Import Error Report", output,
                          true);
    EXPECT_EQ(output, Temp.Path() + "proj/Import Error Report - Plain.html");
    EXPECT_TRUE(platform::FileExists(output));
    EXPECT_EQ(Workspace->Project.Output.Added.size(), 1u);
    EXPECT_EQ(Commands.size(), 2u);
}

TEST_F(ReportOutputTest, GenerateFalseProducesNothingAndOpensNothing) {
    auto options = TReportOutputOptions::Create();
    options->SetName("Import Error Report");
    TInterfacePtr<IReportOutputTransformation> transformation;
    ASSERT_EQ(options->AddTransformation(transformation.Receive()), kStatusOk);
    transformation->SetXSLTFilename(kShipped);
    transformation->SetShow(true);
    transformation->SetGenerate(false);
    std::string output = "unchanged";
    ProduceOutput(*Report, Temp.Path() + "Main.board", *transformation, output);
    EXPECT_EQ(output, "unchanged");
    EXPECT_FALSE(platform::FileExists(Temp.Path() + "Import Error Report.html"));
    EXPECT_TRUE(Commands.empty());
    EXPECT_TRUE(Messages.empty());
}

TEST_F(ReportOutputTest, MissingStylesheetShowsAnErrorAndStillOpensTheEmptyName) {
    auto options = TReportOutputOptions::Create();
    options->SetName("Import Error Report");
    TInterfacePtr<IReportOutputTransformation> transformation;
    ASSERT_EQ(options->AddTransformation(transformation.Receive()), kStatusOk);
    const std::string missing = Temp.Path() + "none.xsl";
    transformation->SetXSLTFilename(missing);
    transformation->SetShow(true);
    std::string output;
    ProduceOutput(*Report, Temp.Path() + "Main.board", *transformation, output);
    EXPECT_EQ(output, "");
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Caption, "Error");
    EXPECT_EQ(Messages[0].Text, missing + " does not exist");
    EXPECT_EQ(Messages[0].Style, dxfi::abi::kMbOk | dxfi::abi::kMbIconError);
    ASSERT_EQ(Commands.size(), 1u);
    EXPECT_EQ(Commands[0], "WorkspaceManager:OpenObject|Filename=");
    EXPECT_FALSE(platform::FileExists(Temp.Path() + "Import Error Report.html"));

    std::string kept = "kept";
    TransformReport(*Report, Temp.Path() + "x", missing, kept);
    EXPECT_EQ(kept, "kept");
}

TEST_F(ReportOutputTest, ProducingTwiceReplacesTheEarlierFile) {
    std::string first = Stylesheet("first.xsl", "", "first");
    std::string second = Stylesheet("second.xsl", "", "second");
    std::string output;
    TransformReport(*Report, Temp.Path() + "r", first, output);
    EXPECT_EQ(TTempFolder::ReadFile(output), "first");
    TransformReport(*Report, Temp.Path() + "r", second, output);
    EXPECT_EQ(TTempFolder::ReadFile(output), "second");
    EXPECT_TRUE(LeftoverTemporaries().empty());
    EXPECT_TRUE(Messages.empty());
}

TEST_F(ReportOutputTest, LockedTargetIsKept) {
    std::string stylesheet = Stylesheet("s.xsl", "", "new");
    std::string target = Temp.WriteFile("r.html", "old");
    Temp.WriteFile("~$r.html_loc", "ComputerName=" + platform::ComputerName() +
                                       "\r\nUserName=somebody-else\r\nProcessID=4242\r\n");
    std::string output;
    TransformReport(*Report, Temp.Path() + "r", stylesheet, output);
    EXPECT_EQ(output, target);
    EXPECT_EQ(TTempFolder::ReadFile(target), "old");
    EXPECT_TRUE(LeftoverTemporaries().empty());
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Caption, "Warning");
    EXPECT_EQ(Messages[0].Text,
              "The file " + target + " is in use by somebody-else on " + platform::ComputerName() +
                  " (process 4242) and was not replaced; it still holds its "
                  "earlier content. Close it there, then produce the file again.");

    // A lock file of our own (left by this process) does not keep the file.
    Temp.WriteFile("~$r.html_loc", "ComputerName=" + platform::ComputerName() +
                                       "\nUserName=" + platform::UserName() + "\nProcessID=" +
                                       std::to_string(platform::ProcessId()) + "\n");
    TransformReport(*Report, Temp.Path() + "r", stylesheet, output);
    EXPECT_EQ(TTempFolder::ReadFile(target), "new");
    EXPECT_EQ(Messages.size(), 1u);
}

TEST_F(ReportOutputTest, LockOwners) {
    std::string target = Temp.Path() + "a.html";
    EXPECT_EQ(LockFilePath(target), Temp.Path() + "~$a.html_loc");
    EXPECT_FALSE(ForeignLockOwner(target)); // no lock file
    Temp.WriteFile("~$a.html_loc", "");
    EXPECT_FALSE(ForeignLockOwner(target)); // names nobody
    Temp.WriteFile("~$a.html_loc", "computername=" + platform::ComputerName() + "\n");
    EXPECT_FALSE(ForeignLockOwner(target));
    Temp.WriteFile("~$a.html_loc", "ComputerName=other-host\nnoise\n");
    auto owner = ForeignLockOwner(target);
    ASSERT_TRUE(owner);
    EXPECT_EQ(owner->ComputerName, "other-host");
    EXPECT_EQ(owner->UserName, "");
    Temp.WriteFile("~$a.html_loc", "ProcessID=" + std::to_string(platform::ProcessId() + 1) + "\n");
    owner = ForeignLockOwner(target);
    ASSERT_TRUE(owner);
    EXPECT_EQ(owner->ProcessId, std::to_string(platform::ProcessId() + 1));
}

TEST_F(ReportOutputTest, ReplaceFileSafelyOnItselfAndIntoAMissingFolder) {
    std::string file = Temp.WriteFile("same.html", "x");
    EXPECT_TRUE(ReplaceFileSafely(file, file));
    EXPECT_EQ(TTempFolder::ReadFile(file), "x");

    std::string target = Temp.Path() + "missing/r.html";
    EXPECT_FALSE(ReplaceFileSafely(file, target));
    EXPECT_FALSE(platform::FileExists(file)); // the temporary file is deleted
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Caption, "Error");
    EXPECT_EQ(Messages[0].Text, "The file " + target +
                                    " could not be written (No such file or directory). Check "
                                    "that its folder exists and may be written, then produce the "
                                    "file again.");
}

TEST_F(ReportOutputTest, EngineErrorsShowTheMessageAndRaiseIt) {
    struct TCase {
        const char* Name;
        std::string Text;
        const char* Fragment; // of the engine's message
    };
    const TCase cases[] = {
        {"not-xml.xsl", "<xsl:stylesheet version=\"1.0\"", "Couldn't find end of Start Tag"},
        {"not-xslt.xsl",
         "<?xml version=\"1.0\"?><xsl:stylesheet version=\"1.0\" "
         "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\"><xsl:template match=\"/\">"
         "<xsl:no-such-instruction/></xsl:template></xsl:stylesheet>",
         "no-such-instruction"},
        {"terminates.xsl",
         "<?xml version=\"1.0\"?><xsl:stylesheet version=\"1.0\" "
         "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\"><xsl:template match=\"/\">"
         "<xsl:message terminate=\"yes\">stop here</xsl:message></xsl:template></xsl:stylesheet>",
         "stop here"},
    };
    for (const TCase& test : cases) {
        Messages.clear();
        std::string stylesheet = Temp.WriteFile(test.Name, test.Text);
        std::string output = "unchanged";
        const std::string message =
            TransformRefusal("r", stylesheet, output, std::string(test.Name) + " did not fail");
        EXPECT_NE(message.find(test.Fragment), std::string::npos) << test.Name << ": " << message;
        ASSERT_EQ(Messages.size(), 1u) << test.Name;
        EXPECT_EQ(Messages[0].Text, "Error using " + stylesheet + "\n\n" + message);
        EXPECT_EQ(output, "unchanged");
        EXPECT_FALSE(platform::FileExists(Temp.Path() + "r.html"));
    }
    EXPECT_TRUE(LeftoverTemporaries().empty());
}

TEST_F(ReportOutputTest, StylesheetsCannotWriteFilesOrReachTheNetwork) {
    const std::string written = Temp.Path() + "written.txt";
    const std::string folder = Temp.Path() + "made/";
    struct TCase {
        const char* Name;
        std::string Namespaces, Body;
        std::string Fragment;
    };
    const TCase cases[] = {
        {"exsl.xsl", " xmlns:exsl=\"http://exslt.org/common\" extension-element-prefixes=\"exsl\"",
         "<exsl:document href=\"" + written + "\" method=\"text\">leak</exsl:document>ok",
         "File write for " + written + " refused"},
        {"exsl-folder.xsl",
         " xmlns:exsl=\"http://exslt.org/common\" extension-element-prefixes=\"exsl\"",
         "<exsl:document href=\"" + folder + "x.txt\" method=\"text\">leak</exsl:document>ok",
         "File write for " + folder + "x.txt refused"},
        {"xsl-document.xsl", "", "<xsl:document href=\"" + written + "\">leak</xsl:document>ok",
         "File write for " + written + " refused"},
        {"network.xsl", "", "<xsl:copy-of select=\"document('http://127.0.0.1:9/x.xml')\"/>ok",
         "Network file read for http://127.0.0.1:9/x.xml refused"},
    };
    for (const TCase& test : cases) {
        Messages.clear();
        std::string stylesheet = Stylesheet(test.Name, "", test.Body, test.Namespaces);
        if (std::string(test.Name) == "xsl-document.xsl") {
            // xsl:document belongs to XSLT 1.1.
            std::string text = TTempFolder::ReadFile(stylesheet);
            text.replace(text.find("version=\"1.0\" xmlns"), 13, "version=\"1.1\"");
            Temp.WriteFile(test.Name, text);
        }
        std::string output;
        const std::string message =
            TransformRefusal("r", stylesheet, output, std::string(test.Name) + " did not fail");
        EXPECT_NE(message.find(test.Fragment), std::string::npos) << test.Name << ": " << message;
        ASSERT_EQ(Messages.size(), 1u) << test.Name;
        EXPECT_EQ(Messages[0].Caption, "Error");
        EXPECT_EQ(Messages[0].Text.rfind("Error using " + stylesheet + "\n\n", 0), 0u);
        EXPECT_FALSE(platform::FileExists(written)) << test.Name;
        EXPECT_FALSE(platform::FileExists(folder)) << test.Name;
        EXPECT_FALSE(platform::FileExists(Temp.Path() + "r.html")) << test.Name;
    }
}

TEST_F(ReportOutputTest, OpenInHostSendsTheFileName) {
    OpenInHost("/x/Import Error Report.html");
    OpenInHost("");
    EXPECT_EQ(Commands, (std::vector<std::string>{
                            "WorkspaceManager:OpenObject|Filename=/x/Import Error Report.html",
                            "WorkspaceManager:OpenObject|Filename="}));
}

TEST_F(ReportOutputTest, ImportsFromTheNetworkAreRefused) {
    std::string stylesheet = Temp.WriteFile(
        "imports.xsl", "<?xml version=\"1.0\"?><xsl:stylesheet version=\"1.0\" "
                       "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                       "<xsl:import href=\"http://127.0.0.1:9/other.xsl\"/>"
                       "<xsl:template match=\"/\">ok</xsl:template></xsl:stylesheet>");
    std::string output;
    EXPECT_THROW(TransformReport(*Report, Temp.Path() + "r", stylesheet, output),
                 EGeneralReportException);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_NE(Messages[0].Text.find("Network file read for http://127.0.0.1:9/other.xsl refused"),
              std::string::npos)
        << Messages[0].Text;
    EXPECT_FALSE(platform::FileExists(Temp.Path() + "r.html"));
}

TEST_F(ReportOutputTest, OutputIsWrittenBesideItsTargetWithTheUsersFileMode) {
    const std::string stylesheet = Stylesheet("s.xsl", "", "new");
    ASSERT_TRUE(platform::CreateFolder(Temp.Path() + "out"));
    const std::string target = Temp.WriteFile("out/r.html", "old");
    ASSERT_EQ(chmod(target.c_str(), 0600), 0);
    // A temporary file that a killed run left beside the report.
    pid_t dead = 4190000;
    while (kill(dead, 0) == 0 || errno != ESRCH)
        --dead;
    const std::string stale = Temp.WriteFile("out/r.html.tmp" + std::to_string(dead), "half");
    const mode_t old = umask(022);
    std::string output;
    TransformReport(*Report, Temp.Path() + "out/r", stylesheet, output);
    umask(old);
    EXPECT_EQ(output, target);
    EXPECT_EQ(TTempFolder::ReadFile(target), "new");
    struct stat info {};
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    EXPECT_FALSE(platform::FileExists(stale));
    EXPECT_TRUE(LeftoverTemporaries().empty());
    EXPECT_TRUE(Messages.empty());
}

TEST_F(ReportOutputTest, AFullDiskKeepsTheEarlierReportWhole) {
    // The new report cannot be written completely (a file size limit stands in for a full
    // disk): the earlier report stays as it was and nothing is left beside it.
    const std::string stylesheet = Stylesheet(
        "big.xsl", "",
        "<xsl:call-template name=\"n\"><xsl:with-param name=\"k\" select=\"1000\"/>"
        "</xsl:call-template></xsl:template><xsl:template name=\"n\"><xsl:param name=\"k\"/>"
        "<xsl:if test=\"$k &gt; 0\">0123456789<xsl:call-template name=\"n\">"
        "<xsl:with-param name=\"k\" select=\"$k - 1\"/></xsl:call-template></xsl:if>");
    const std::string target = Temp.WriteFile("r.html", std::string(5000, 'o'));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::string output;
        try {
            TransformReport(*Report, Temp.Path() + "r", stylesheet, output);
        } catch (const std::runtime_error& error) {
            const std::string text = error.what();
            _exit(text.find(target) != std::string::npos &&
                          text.find("the earlier report is kept") != std::string::npos
                      ? 0
                      : 2);
        }
        _exit(3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(TTempFolder::ReadFile(target), std::string(5000, 'o'));
    EXPECT_TRUE(LeftoverTemporaries().empty());
}

TEST_F(ReportOutputTest, NamedPipeStylesheetIsCalledWhatItIs) {
    const std::string pipe = Temp.Path() + "pipe.xsl";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::string output = "kept";
    TransformReport(*Report, Temp.Path() + "r", pipe, output);
    EXPECT_EQ(output, "kept");
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Caption, "Error");
    EXPECT_EQ(Messages[0].Text, pipe + " is a named pipe, not a stylesheet file");
}

TEST_F(ReportOutputTest, StylesheetsReadOnlyFilesOfTheirOwnFolder) {
    TTempFolder elsewhere;
    const std::string secret = elsewhere.WriteFile("secret.xml", "<s>password</s>");
    Temp.WriteFile("extra.xml", "<e>beside</e>");
    // Beside the stylesheet: allowed.
    const std::string beside =
        Stylesheet("beside.xsl", "", "<xsl:value-of select=\"document('extra.xml')/e\"/>");
    std::string output;
    TransformReport(*Report, Temp.Path() + "r", beside, output);
    EXPECT_EQ(TTempFolder::ReadFile(output), "beside");
    EXPECT_TRUE(Messages.empty());

    for (const std::string& reference :
         {secret, "file://" + secret,
          Temp.Path() + "../" +
              platform::ExtractFileName(elsewhere.Path().substr(0, elsewhere.Path().size() - 1)) +
              "/secret.xml"}) {
        Messages.clear();
        const std::string stylesheet = Stylesheet(
            "reads.xsl", "", "<xsl:value-of select=\"document('" + reference + "')/s\"/>");
        const std::string message =
            TransformRefusal("leak", stylesheet, output, reference + " was read");
        EXPECT_EQ(message, "The stylesheet may read files of its own folder only, and not " +
                               reference + ".");
        ASSERT_EQ(Messages.size(), 1u);
        EXPECT_EQ(Messages[0].Text, "Error using " + stylesheet + "\n\n" + message);
        EXPECT_FALSE(platform::FileExists(Temp.Path() + "leak.html"));
    }
}

TEST_F(ReportOutputTest, OutputThatGrowsWithoutBoundIsStopped) {
    // Each level doubles the output: 2^40 copies if nothing stopped it.
    SetTransformMemoryLimit(std::size_t{4} << 20);
    const std::string stylesheet = Stylesheet(
        "doubles.xsl", "",
        "<xsl:call-template name=\"d\"><xsl:with-param name=\"k\" select=\"40\"/>"
        "</xsl:call-template></xsl:template><xsl:template name=\"d\"><xsl:param name=\"k\"/>"
        "<xsl:choose><xsl:when test=\"$k = 0\">0123456789abcdef</xsl:when><xsl:otherwise>"
        "<xsl:call-template name=\"d\"><xsl:with-param name=\"k\" select=\"$k - 1\"/>"
        "</xsl:call-template><xsl:call-template name=\"d\"><xsl:with-param name=\"k\" "
        "select=\"$k - 1\"/></xsl:call-template></xsl:otherwise></xsl:choose>");
    std::string output;
    const std::string message =
        TransformRefusal("r", stylesheet, output, "the transformation was not stopped");
    SetTransformMemoryLimit(std::size_t{256} << 20);
    EXPECT_NE(message.find("output grew beyond"), std::string::npos) << message;
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].Text, "Error using " + stylesheet + "\n\n" + message);
    EXPECT_FALSE(platform::FileExists(Temp.Path() + "r.html"));

    // The next transformation runs normally.
    Messages.clear();
    TransformReport(*Report, Temp.Path() + "r", Stylesheet("s.xsl", "", "fine"), output);
    EXPECT_EQ(TTempFolder::ReadFile(output), "fine");
    EXPECT_TRUE(Messages.empty());
}
