// SPDX-License-Identifier: MIT
// The report the import creates; it adds nothing to TBaseReport.
#pragma once

#include "report/BaseReport.h"

namespace dxfi {

class TGeneralReport : public TBaseReport {
public:
    using TBaseReport::TBaseReport;
};

} // namespace dxfi
