// SPDX-License-Identifier: MIT
#include "report/win32/ReportDocument.h"

#include "base/Assertion.h"

#include <new>
#include <string_view>

namespace dxfi {
namespace {

constexpr const char* kModule = "RT_Report";

TReportNode* Node(TReportElement element) {
    return element;
}

// Element names are the program's own; letters, digits, "_", "-" and "." after a letter or "_".
bool ValidElementName(const std::string& name) {
    if (name.empty()) return false;
    auto letter = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    };
    if (!letter(name.front())) return false;
    for (char c : name)
        if (!letter(c) && !(c >= '0' && c <= '9') && c != '-' && c != '.') return false;
    return true;
}

// Markup characters as references; carriage returns too, which a parser would otherwise fold
// into line feeds. Quotes, line feeds and tabs need one only in attribute values.
void AppendEscaped(std::string& out, const std::string& text, bool attribute) {
    constexpr std::string_view kSpecial = "&<>\r\"\n\t";
    constexpr const char* kReferences[] = {"&amp;",  "&lt;",  "&gt;", "&#13;",
                                           "&quot;", "&#10;", "&#9;"};
    constexpr std::size_t kAttributeOnly = 4;
    for (char c : text) {
        const std::size_t special = kSpecial.find(c);
        if (special == std::string_view::npos || (!attribute && special >= kAttributeOnly))
            out += c;
        else
            out += kReferences[special];
    }
}

void AppendElement(std::string& out, const TReportNode& node, bool indented, int depth) {
    if (indented) out.append(static_cast<std::size_t>(depth) * 2, ' ');
    out += '<';
    out += node.Name;
    for (const auto& [name, value] : node.Attributes) {
        out += ' ';
        out += name;
        out += "=\"";
        AppendEscaped(out, value, true);
        out += '"';
    }
    if (node.Text.empty() && node.Children.empty()) {
        out += "/>";
    } else {
        out += '>';
        AppendEscaped(out, node.Text, false);
        if (!node.Children.empty()) {
            // Elements holding text keep their children on the same line, as whitespace
            // would change the text.
            const bool layout = indented && node.Text.empty();
            if (layout) out += '\n';
            for (const auto& child : node.Children)
                AppendElement(out, *child, layout, depth + 1);
            if (layout) out.append(static_cast<std::size_t>(depth) * 2, ' ');
        }
        out += "</";
        out += node.Name;
        out += '>';
    }
    if (indented) out += '\n';
}

} // namespace

std::string SerializeReportDocument(const TReportNode& root, bool indented) {
    std::string out;
    if (indented) out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    AppendElement(out, root, indented, 0);
    return out;
}

TBaseReport::TBaseReport(std::string_view title, std::string_view fileName, TReportClock clock)
    : FileName_(fileName), Clock_(clock ? std::move(clock) : TReportClock(ReadLocalClock)) {
    auto* root = new TReportNode;
    root->Name = "report";
    Document_ = root;
    Current_ = root;
    AddElement("title", title);
    AddElement("resource_path", ReportTemplatesFolder());
}

TBaseReport::~TBaseReport() {
    delete static_cast<TReportNode*>(Document_);
}

void TBaseReport::WriteFile(std::string_view text, std::string_view fileName) {
    TReportNode* file = Node(AddElement("file", text));
    file->Attributes.emplace_back("filename", SanitizeXmlText(fileName));
}

void TBaseReport::EndElement() {
    Assert(Current_ != nullptr, kModule);
    Current_ = Node(Current_)->Parent;
}

TReportElement TBaseReport::AddElement(std::string_view name, std::string_view text) {
    Assert(Current_ != nullptr, kModule);
    auto node = std::make_unique<TReportNode>();
    node->Name = name;
    Assert(ValidElementName(node->Name), kModule);
    node->Text = SanitizeXmlText(text);
    node->Parent = Node(Current_);
    TReportNode* added = node.get();
    Node(Current_)->Children.push_back(std::move(node));
    return added;
}

std::string TBaseReport::ElementName(TReportElement element) {
    return element ? Node(element)->Name : std::string();
}

std::string TBaseReport::ToXmlString() const {
    return SerializeReportDocument(*static_cast<const TReportNode*>(Document_), true);
}

} // namespace dxfi
