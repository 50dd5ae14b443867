// SPDX-License-Identifier: MIT
#include "report/GeneralReport.h"

#include "base/Assertion.h"
#include "platform/Folders.h"
#include "report/GeneralReportException.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <vector>

using namespace dxfi;

namespace {

const char* const kTitle = "DXF/DWG File Import Error Report";

// The message of the report's refusal that `call` raises; "(no refusal)" when it raises none.
template <typename F> std::string Refusal(F&& call) {
    try {
        call();
    } catch (const EGeneralReportException& e) {
        return e.Message();
    }
    return "(no refusal)";
}

// A report with a fixed clock, the "C" locale and the host program in /opt/Host/.
class GeneralReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* saved = std::getenv("LC_ALL");
        if (saved) SavedLocale_ = saved;
        setenv("LC_ALL", "C", 1);
        platform::SetFolderOverride(platform::foExecutable, "/opt/Host");
    }
    void TearDown() override {
        if (SavedLocale_)
            setenv("LC_ALL", SavedLocale_->c_str(), 1);
        else
            unsetenv("LC_ALL");
        platform::ClearFolderOverrides();
    }

    // Each reading of the clock takes the next time; the last one repeats.
    TReportClock Clock() {
        return [this] {
            TClockReading reading = Times.at(std::min(Next_, Times.size() - 1));
            ++Next_;
            return reading;
        };
    }

    std::vector<TClockReading> Times = {{2024, 2, 28, 23, 59, 50, 500}, {2024, 2, 29, 0, 0, 10, 0}};

private:
    std::size_t Next_ = 0;
    std::optional<std::string> SavedLocale_;
};

std::string Document(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<report>\n" + body + "</report>\n";
}

const std::string kHead = "  <title>DXF/DWG File Import Error Report</title>\n"
                          "  <resource_path>/opt/Host/Templates/</resource_path>\n"
                          "  <date>02/28/24</date>\n"
                          "  <time>23:59:50</time>\n";

} // namespace

TEST_F(GeneralReportTest, ReportWithoutDiscardsHasEveryPart) {
    TGeneralReport report(kTitle, "", Clock());
    report.BeginReport();
    report.BeginFrontMatter("PCB Filename");
    report.WriteFile("/boards/Main.PcbDoc", "/boards/Main.PcbDoc");
    report.EndFrontMatter();
    report.BeginFrontMatter("DXF Filename");
    report.WriteFile("/drawings/Plan.dxf", "/drawings/Plan.dxf");
    report.EndFrontMatter();
    report.EndReport();
    EXPECT_EQ(report.ToXmlString(),
              Document(kHead +
                       "  <frontmatter>\n"
                       "    <name>PCB Filename</name>\n"
                       "    <file filename=\"/boards/Main.PcbDoc\">/boards/Main.PcbDoc</file>\n"
                       "  </frontmatter>\n"
                       "  <frontmatter>\n"
                       "    <name>DXF Filename</name>\n"
                       "    <file filename=\"/drawings/Plan.dxf\">/drawings/Plan.dxf</file>\n"
                       "  </frontmatter>\n"
                       "  <elapsed_time>00:00:20</elapsed_time>\n"));
    EXPECT_EQ(TBaseReport::ElementName(report.CurrentElement()), "report");
    EXPECT_EQ(report.StartTime().Millisecond, 500);
    EXPECT_NE(report.DocumentHandle(), nullptr);
}

TEST_F(GeneralReportTest, FileNameGroupErrorsAndLines) {
    Times = {{2024, 5, 6, 10, 0, 0, 0}, {2024, 5, 7, 11, 0, 0, 0}};
    TGeneralReport report(kTitle, "/a/b.dxf", Clock());
    report.BeginReport();
    report.WriteError("The file could not be processed - bad header");
    report.WriteLine("LINE (1) was discarded zero length");
    report.EndReport();
    EXPECT_EQ(report.ToXmlString(),
              Document("  <title>DXF/DWG File Import Error Report</title>\n"
                       "  <resource_path>/opt/Host/Templates/</resource_path>\n"
                       "  <date>05/06/24</date>\n"
                       "  <time>10:00:00</time>\n"
                       "  <filename>\n"
                       "    <file filename=\"/a/b.dxf\">/a/b.dxf</file>\n"
                       "  </filename>\n"
                       "  <error>The file could not be processed - bad header</error>\n"
                       "  <text>LINE (1) was discarded zero length</text>\n"
                       "  <linebreak/>\n"
                       "  <elapsed_time>25:00:00</elapsed_time>\n"));
}

TEST_F(GeneralReportTest, MisplacedCallsRaiseAndChangeNothing) {
    TGeneralReport report(kTitle, "", Clock());
    report.BeginReport();
    EXPECT_THROW(
        {
            try {
                report.EndFrontMatter();
            } catch (const EGeneralReportException& e) {
                EXPECT_STREQ(e.what(), "Improperly placed EndFrontMatter");
                throw;
            }
        },
        EGeneralReportException);

    report.BeginFrontMatter("PCB Filename");
    const std::string inside = report.ToXmlString();
    EXPECT_EQ(Refusal([&] { report.WriteError("x"); }), "Improperly placed WriteError")
        << "WriteError inside front matter must raise";
    EXPECT_EQ(Refusal([&] { report.EndReport(); }), "Improperly placed EndReport")
        << "EndReport inside front matter must raise";
    EXPECT_EQ(report.ToXmlString(), inside);
    EXPECT_EQ(TBaseReport::ElementName(report.CurrentElement()), "frontmatter");

    report.EndFrontMatter();
    const std::string after = report.ToXmlString();
    EXPECT_EQ(Refusal([&] { report.EndFrontMatter(); }), "Improperly placed EndFrontMatter")
        << "a second EndFrontMatter must raise";
    EXPECT_EQ(report.ToXmlString(), after);
    EXPECT_EQ(TBaseReport::ElementName(report.CurrentElement()), "report");
}

TEST_F(GeneralReportTest, EndWithoutBeginTimesNothing) {
    TGeneralReport report(kTitle, "", Clock());
    report.EndReport();
    EXPECT_EQ(report.ToXmlString(),
              Document("  <title>DXF/DWG File Import Error Report</title>\n"
                       "  <resource_path>/opt/Host/Templates/</resource_path>\n"
                       "  <elapsed_time>00:00:00</elapsed_time>\n"));
}

TEST_F(GeneralReportTest, ElementChecksAreCaseSensitive) {
    TGeneralReport report(kTitle, "", Clock());
    report.BeginElement("FrontMatter");
    EXPECT_THROW(report.EndFrontMatter(), EGeneralReportException);
    report.EndElement();
    report.BeginElement("Report");
    EXPECT_THROW(report.WriteError("x"), EGeneralReportException);
}

TEST_F(GeneralReportTest, GenericElements) {
    TGeneralReport report(kTitle, "", Clock());
    TReportElement group = report.BeginElement("group");
    EXPECT_EQ(report.CurrentElement(), group);
    TReportElement item = report.AddElement("item", "one");
    EXPECT_EQ(TBaseReport::ElementName(item), "item");
    EXPECT_EQ(report.CurrentElement(), group);
    report.AddEmptyElement("empty");
    report.WriteLine("inside");
    report.EndElement();
    EXPECT_EQ(TBaseReport::ElementName(report.CurrentElement()), "report");
    EXPECT_EQ(TBaseReport::ElementName(nullptr), "");
    EXPECT_EQ(report.ToXmlString(),
              Document("  <title>DXF/DWG File Import Error Report</title>\n"
                       "  <resource_path>/opt/Host/Templates/</resource_path>\n"
                       "  <group>\n"
                       "    <item>one</item>\n"
                       "    <empty/>\n"
                       "    <text>inside</text>\n"
                       "    <linebreak/>\n"
                       "  </group>\n"));
}

TEST_F(GeneralReportTest, WritingWithoutACurrentElementIsAProgrammingError) {
    TGeneralReport report(kTitle, "", Clock());
    report.EndElement(); // leaves the document element: nothing is current
    EXPECT_EQ(report.CurrentElement(), nullptr);
    const std::string before = report.ToXmlString();
    try {
        report.WriteText("x");
        FAIL() << "a write without a current element must assert";
    } catch (const EAssertionFailure& e) {
        EXPECT_EQ(e.Module(), "RT_Report");
    }
    EXPECT_THROW(report.EndElement(), EAssertionFailure);
    EXPECT_THROW(report.WriteLineBreak(), EAssertionFailure);
    EXPECT_THROW(report.BeginFrontMatter("x"), EAssertionFailure);
    // The checks of the misplaced calls come first.
    EXPECT_THROW(report.EndReport(), EGeneralReportException);
    EXPECT_THROW(report.WriteError("x"), EGeneralReportException);
    EXPECT_EQ(report.ToXmlString(), before);

    TGeneralReport named(kTitle, "", Clock());
    EXPECT_THROW(named.AddElement("not a name", "x"), EAssertionFailure);
    EXPECT_THROW(named.AddElement("", "x"), EAssertionFailure);
}

TEST_F(GeneralReportTest, MarkupAndInvalidCharactersAreStoredAsText) {
    TGeneralReport report("<title> & \"more\"", "", Clock());
    // Drawing texts may hold markup, entity references, control characters and broken UTF-8.
    report.WriteLine("<b>&amp;</b> \x01\x1F\tok\r\n\xC3\xA9\xFF\xC3");
    report.WriteFile("a&b<c>\"d\".dxf", "a&b<c>\"d\"\x02.dxf");
    EXPECT_EQ(report.ToXmlString(),
              Document("  <title>&lt;title&gt; &amp; \"more\"</title>\n"
                       "  <resource_path>/opt/Host/Templates/</resource_path>\n"
                       "  <text>&lt;b&gt;&amp;amp;&lt;/b&gt; \xEF\xBF\xBD\xEF\xBF\xBD\tok&#13;\n"
                       "\xC3\xA9\xEF\xBF\xBD\xEF\xBF\xBD</text>\n"
                       "  <linebreak/>\n"
                       "  <file filename=\"a&amp;b&lt;c&gt;&quot;d&quot;\xEF\xBF\xBD.dxf\">"
                       "a&amp;b&lt;c&gt;\"d\".dxf</file>\n"));
}

TEST(SanitizeXmlText, KeepsValidTextAndReplacesTheRest) {
    const std::string r = "\xEF\xBF\xBD";
    EXPECT_EQ(SanitizeXmlText(""), "");
    EXPECT_EQ(SanitizeXmlText("plain \t\n\r\x7F"), "plain \t\n\r\x7F");
    EXPECT_EQ(SanitizeXmlText("\xE2\x82\xAC \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF"),
              "\xE2\x82\xAC \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF");
    EXPECT_EQ(SanitizeXmlText(std::string("a\0b", 3)), "a" + r + "b");
    EXPECT_EQ(SanitizeXmlText("\xC0\x80"), r + r);                 // overlong NUL
    EXPECT_EQ(SanitizeXmlText("\xE0\x80\xAF"), r + r + r);         // overlong "/"
    EXPECT_EQ(SanitizeXmlText("\xED\xA0\x80"), r + r + r);         // surrogate
    EXPECT_EQ(SanitizeXmlText("\xF4\x90\x80\x80"), r + r + r + r); // above U+10FFFF
    EXPECT_EQ(SanitizeXmlText("\xEF\xBF\xBE\xEF\xBF\xBF"), r + r); // U+FFFE, U+FFFF
    EXPECT_EQ(SanitizeXmlText("x\xE2\x82"), "x" + r + r);          // cut short at the end
    EXPECT_EQ(SanitizeXmlText("\x80z"), r + "z");
}
