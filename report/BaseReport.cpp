// SPDX-License-Identifier: MIT
#include "report/BaseReport.h"

#include "base/ShortString.h"
#include "platform/Folders.h"
#include "report/GeneralReportException.h"

namespace dxfi {
namespace {

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

TReportElement TBaseReport::AddEmptyElement(std::string_view name) {
    return AddElement(name, "");
}

void TBaseReport::RequireCurrent(const char* name, const char* message) const {
    if (ElementName(Current_) != name) throw EGeneralReportException(message);
}

} // namespace dxfi
