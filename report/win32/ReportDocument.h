// SPDX-License-Identifier: MIT
// The report document on Windows: a small tree of its own, handed to MSXML as text when a
// stylesheet is applied, so that adding a line costs no COM call.
#pragma once

#include "report/BaseReport.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace dxfi {

struct TReportNode {
    std::string Name;
    std::string Text; // already valid for XML (SanitizeXmlText)
    std::vector<std::pair<std::string, std::string>> Attributes;
    TReportNode* Parent = nullptr;
    std::vector<std::unique_ptr<TReportNode>> Children;
};

// The document as XML text (UTF-8). With `indented`, a declaration first and elements that hold
// only elements laid out one a line, two spaces a level; without, no declaration and no
// whitespace that the document does not hold, for loading into MSXML.
std::string SerializeReportDocument(const TReportNode& root, bool indented);

} // namespace dxfi
