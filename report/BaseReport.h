// SPDX-License-Identifier: MIT
// The XML report of one run, built in memory element by element: title, resource path, start
// date and time, front matter groups of files, error lines, text lines and line breaks, and
// the elapsed time. Misplaced EndReport, EndFrontMatter and WriteError raise
// EGeneralReportException and leave the document unchanged; EndElement or a write with no
// current element is a programming error (dxfi::Assert, module "RT_Report").
//
// Texts are UTF-8 and stored as text content, never as markup. Bytes that are not valid UTF-8
// and characters XML 1.0 does not allow (control characters other than tab, line feed and
// carriage return, U+FFFE, U+FFFF) are each replaced by U+FFFD, so that the document is
// always well formed.
#pragma once

#include "report/ReportClock.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace dxfi {

// An element of the report document; valid while the report lives. nullptr means none.
struct TReportNode;
using TReportElement = TReportNode*;

class TBaseReport {
public:
    // Creates the document with the element "report" current, then adds "title" and
    // "resource_path" (the host program's folder + "Templates/"). An empty clock reads the
    // local wall clock.
    TBaseReport(std::string_view title, std::string_view fileName, TReportClock clock = {});
    virtual ~TBaseReport();
    TBaseReport(const TBaseReport&) = delete;
    TBaseReport& operator=(const TBaseReport&) = delete;

    // BeginReport stamps the start (date, time, and the "filename" group when a file name was
    // given). EndReport adds the elapsed time ("00:00:00" when BeginReport never ran).
    virtual void BeginReport();
    virtual void EndReport();

    void BeginFrontMatter(std::string_view name);
    void EndFrontMatter();
    void WriteFile(std::string_view text, std::string_view fileName);
    void WriteError(std::string_view text);
    void WriteText(std::string_view text);
    void WriteLineBreak();
    void WriteLine(std::string_view text);

    TReportElement BeginElement(std::string_view name);
    void EndElement();
    TReportElement AddElement(std::string_view name, std::string_view text);
    TReportElement AddEmptyElement(std::string_view name);

    TReportElement CurrentElement() const { return Current_; }
    // The element's name; "" for nullptr.
    static std::string ElementName(TReportElement element);

    const std::string& FileName() const { return FileName_; }
    const TClockReading& StartTime() const { return Start_; }

    // The underlying libxml2 document (xmlDocPtr), owned by the report; for the report
    // outputs, which transform it.
    void* DocumentHandle() const { return Document_; }
    // The document serialised as indented UTF-8 XML.
    std::string ToXmlString() const;

private:
    // Raises EGeneralReportException(message) unless the current element is `name`.
    void RequireCurrent(const char* name, const char* message) const;

    std::string FileName_;
    TReportElement Current_ = nullptr;
    void* Document_ = nullptr;
    TClockReading Start_;
    bool Started_ = false;
    TReportClock Clock_;
};

// The host's templates folder: the host program's folder + "Templates/". The report records it
// as "resource_path"; the report stylesheet lives there.
std::string ReportTemplatesFolder();

// Replaces every byte sequence that is not valid UTF-8 and every character that XML 1.0 does
// not allow with U+FFFD.
std::string SanitizeXmlText(std::string_view text);

} // namespace dxfi
