// SPDX-License-Identifier: MIT
#include "report/BaseReport.h"

#include "base/Assertion.h"
#include "base/ShortString.h"
#include "platform/Folders.h"
#include "report/GeneralReportException.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <new>

namespace dxfi {
namespace {

constexpr const char* kModule = "RT_Report";

xmlNodePtr Node(TReportElement element) {
    return reinterpret_cast<xmlNodePtr>(element);
}
TReportElement Element(xmlNodePtr node) {
    return reinterpret_cast<TReportElement>(node);
}
const xmlChar* Xml(const std::string& text) {
    return BAD_CAST text.c_str();
}

void AppendReplacement(std::string& out) {
    out += "\xEF\xBF\xBD";
}

bool AllowedInXml(char32_t code) {
    if (code < 0x20) return code == 0x09 || code == 0x0A || code == 0x0D;
    return code != 0xFFFE && code != 0xFFFF;
}

} // namespace

std::string SanitizeXmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        char32_t code = 0;
        std::size_t length = DecodeUtf8(text, pos, code);
        if (length == 0) {
            AppendReplacement(out);
            ++pos;
            continue;
        }
        if (AllowedInXml(code))
            out.append(text.substr(pos, length));
        else
            AppendReplacement(out);
        pos += length;
    }
    return out;
}

std::string ReportTemplatesFolder() {
    // The folder keeps its case: upper-casing it, as a case-insensitive file system would
    // allow, would make the path wrong here.
    return platform::ExecutableFolder() + "Templates/";
}

TBaseReport::TBaseReport(std::string_view title, std::string_view fileName, TReportClock clock)
    : FileName_(fileName), Clock_(clock ? std::move(clock) : TReportClock(ReadLocalClock)) {
    xmlInitParser();
    xmlDocPtr document = xmlNewDoc(BAD_CAST "1.0");
    if (!document) throw std::bad_alloc();
    xmlNodePtr root = xmlNewDocNode(document, nullptr, BAD_CAST "report", nullptr);
    if (!root) {
        xmlFreeDoc(document);
        throw std::bad_alloc();
    }
    xmlDocSetRootElement(document, root);
    Document_ = document;
    Current_ = Element(root);
    AddElement("title", title);
    AddElement("resource_path", ReportTemplatesFolder());
}

TBaseReport::~TBaseReport() {
    xmlFreeDoc(static_cast<xmlDocPtr>(Document_));
}

void TBaseReport::BeginReport() {
    Start_ = Clock_();
    Started_ = true;
    AddElement("date", FormatShortDate(Start_));
    AddElement("time", FormatLongTime(Start_));
    if (!FileName_.empty()) {
        BeginElement("filename");
        WriteFile(FileName_, FileName_);
        EndElement();
    }
}

void TBaseReport::EndReport() {
    RequireCurrent("report", "Improperly placed EndReport");
    TClockReading end = Clock_();
    // Without a start there is no run to time.
    AddElement("elapsed_time", FormatElapsedTime(Started_ ? Start_ : end, end));
}

void TBaseReport::BeginFrontMatter(std::string_view name) {
    BeginElement("frontmatter");
    AddElement("name", name);
}

void TBaseReport::EndFrontMatter() {
    RequireCurrent("frontmatter", "Improperly placed EndFrontMatter");
    EndElement();
}

void TBaseReport::WriteFile(std::string_view text, std::string_view fileName) {
    xmlNodePtr file = Node(AddElement("file", text));
    if (!xmlNewProp(file, BAD_CAST "filename", Xml(SanitizeXmlText(fileName))))
        throw std::bad_alloc();
}

void TBaseReport::WriteError(std::string_view text) {
    RequireCurrent("report", "Improperly placed WriteError");
    AddElement("error", text);
}

void TBaseReport::WriteText(std::string_view text) {
    AddElement("text", text);
}

void TBaseReport::WriteLineBreak() {
    AddEmptyElement("linebreak");
}

void TBaseReport::WriteLine(std::string_view text) {
    WriteText(text);
    WriteLineBreak();
}

TReportElement TBaseReport::BeginElement(std::string_view name) {
    TReportElement element = AddEmptyElement(name);
    Current_ = element;
    return element;
}

void TBaseReport::EndElement() {
    Assert(Current_ != nullptr, kModule);
    xmlNodePtr parent = Node(Current_)->parent;
    Current_ = parent && parent->type == XML_ELEMENT_NODE ? Element(parent) : nullptr;
}

TReportElement TBaseReport::AddElement(std::string_view name, std::string_view text) {
    Assert(Current_ != nullptr, kModule);
    std::string elementName(name);
    Assert(xmlValidateNCName(Xml(elementName), 0) == 0, kModule);
    std::string content = SanitizeXmlText(text);
    // A text child, not xmlNewChild: the content must stay text even when it looks like
    // markup or an entity reference.
    xmlNodePtr node = xmlNewTextChild(Node(Current_), nullptr, Xml(elementName),
                                      content.empty() ? nullptr : Xml(content));
    if (!node) throw std::bad_alloc();
    return Element(node);
}

TReportElement TBaseReport::AddEmptyElement(std::string_view name) {
    return AddElement(name, "");
}

std::string TBaseReport::ElementName(TReportElement element) {
    if (!element || !Node(element)->name) return {};
    return reinterpret_cast<const char*>(Node(element)->name);
}

std::string TBaseReport::ToXmlString() const {
    xmlChar* buffer = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(static_cast<xmlDocPtr>(Document_), &buffer, &size, "UTF-8", 1);
    if (!buffer) throw std::bad_alloc();
    std::string text(reinterpret_cast<const char*>(buffer),
                     size > 0 ? static_cast<std::size_t>(size) : 0);
    xmlFree(buffer);
    return text;
}

void TBaseReport::RequireCurrent(const char* name, const char* message) const {
    if (ElementName(Current_) != name) throw EGeneralReportException(message);
}

} // namespace dxfi
