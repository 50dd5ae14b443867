// SPDX-License-Identifier: MIT
// The report document on libxml2: the elements are the document's own nodes.
#include "report/BaseReport.h"

#include "base/Assertion.h"

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

} // namespace

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

void TBaseReport::WriteFile(std::string_view text, std::string_view fileName) {
    xmlNodePtr file = Node(AddElement("file", text));
    if (!xmlNewProp(file, BAD_CAST "filename", Xml(SanitizeXmlText(fileName))))
        throw std::bad_alloc();
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

} // namespace dxfi
