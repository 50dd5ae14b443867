// SPDX-License-Identifier: MIT
// The DWG samples (third-party drawings read where they lie) and the reader's verdict on bytes.
#pragma once

#include "pad2/DxfError.h"
#include "pad2/DxfReader.h"
#include "support/FileText.h"

#include <gtest/gtest.h>

#include <string>

namespace pad2test {

// The bytes of the named sample; a missing or empty sample fails the test with its path.
inline std::string ReadSample(const std::string& name) {
    const std::string path = std::string(DXFI_DWG_SAMPLES_DIR) + "/" + name;
    std::string bytes = testsupport::ReadWholeFile(path);
    if (bytes.empty()) ADD_FAILURE() << "the DWG sample " << path << " is missing or empty";
    return bytes;
}

// What the reader makes of `bytes` under the file name `name`: "loaded", or its refusal.
inline std::string ReadOutcome(const std::string& bytes, const std::string& name) {
    try {
        pad2::ReadDxf(bytes.data(), bytes.size(), name);
    } catch (const pad2::EDxfError& e) {
        return e.Message;
    }
    return "loaded";
}

} // namespace pad2test
