// SPDX-License-Identifier: MIT
// Fuzz target of the registry file reader: any text reads without fault (keys nested however
// deep, lines of any kind), and what the writer makes of it reads back to the same file.
#include "platform/posix/RegistryFile.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

using namespace dxfi::platform;

namespace {

std::string Rewrite(std::string_view text) {
    TKeyNode root;
    THiveReadResult result = ParseHiveText(text, hkCurrentUser, root);
    return FormatHiveText(root, hkCurrentUser, result.Preamble);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string written =
        Rewrite(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string again = Rewrite(written);
    if (again != written) {
        std::fprintf(stderr, "written:\n%s\nread back and written again:\n%s\n", written.c_str(),
                     again.c_str());
        std::abort();
    }
    return 0;
}
