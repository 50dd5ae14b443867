// SPDX-License-Identifier: MIT
// Writes a sample import error report, through the host's stylesheet, into the folder given as
// the first argument (as "Import Error Report.html" beside a board named there), so that the
// page can be looked at: tools/screenshot-report.sh renders it.
#include "platform/Folders.h"
#include "report/GeneralReport.h"
#include "report/ReportOutput.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    try {
        using namespace dxfi;
        std::string folder = argv[1];
        if (folder.back() != '/') folder += '/';
        platform::SetFolderOverride(platform::foExecutable, DXFI_BIN_DIR);
        TGeneralReport report("DXF/DWG File Import Error Report", "");
        report.BeginReport();
        report.BeginFrontMatter("PCB Filename");
        report.WriteFile(folder + "Controller Rev B.board", folder + "Controller Rev B.board");
        report.EndFrontMatter();
        report.BeginFrontMatter("DXF Filename");
        const std::string drawing = "/home/ana/drawings/enclosure <rev 3> & cutouts.dxf";
        report.WriteFile(drawing, drawing);
        report.EndFrontMatter();
        const char* lines[] = {
            "LINE entity was discarded because of invalid start point (152.4,-1E20)",
            "LINE entity was discarded because of invalid start point (0,1E21)",
            "LINE entity was discarded because of invalid end point (12.5,3.25)",
            "SPLINE entity was discarded because it is not supported",
            "SPLINE entity was discarded because it is not supported",
            "SPLINE entity was discarded because it is not supported",
            "INSERT entity was discarded because block did not contain *X12",
            "TEXT entity was discarded because layer \"<script>alert('x')</script>\" is not mapped",
            "ARC entity was discarded because of invalid center point (1E300,2)",
            "LWPOLYLINE entity was discarded because of invalid vertex point (4,1E25)",
            "LWPOLYLINE entity was discarded because of invalid vertex point (5,1E25)",
            "ELLIPSE entity was discarded because it is not supported",
            "HATCH entity was discarded because it is not supported",
            "HATCH entity was discarded because it is not supported",
        };
        for (const char* line : lines)
            report.WriteLine(line);
        report.EndReport();
        std::string output;
        GenerateReportOutputs(report, folder + "Controller Rev B.board", "Import Error Report",
                              output, false);
        std::printf("%s\n", output.c_str());
        return output.empty() ? 1 : 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
