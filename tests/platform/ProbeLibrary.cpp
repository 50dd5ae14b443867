// SPDX-License-Identifier: MIT
// Loaded by the platform tests: one exported function to find by name.
extern "C" __attribute__((visibility("default"))) int ProbeAnswer() {
    return 42;
}
