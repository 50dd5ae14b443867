// SPDX-License-Identifier: MIT
// Fuzz target of the INI settings reader: any text reads without fault, and what the store
// writes reads back to the same store (writing it again gives the same text).
#include "pcbimport/SettingsStore.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const dxfi::TIniSettingsStore store = dxfi::TIniSettingsStore::FromText("fuzz.ini", text);
    const std::string written = store.ToText();
    const std::string again = dxfi::TIniSettingsStore::FromText("fuzz.ini", written).ToText();
    if (again != written) {
        std::fprintf(stderr, "written:\n%s\nread back and written again:\n%s\n", written.c_str(),
                     again.c_str());
        std::abort();
    }
    int32_t number = 0;
    dxfi::ParseInteger(text, number);
    return 0;
}
