// SPDX-License-Identifier: MIT
#include "platform/DynamicLibrary.h"
#include "platform/Files.h"
#include "platform/Folders.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

using namespace dxfi::platform;

// Exported by this test program (it is linked with its symbols exported), as a host program
// exports its functions to the modules it loads.
extern "C" __attribute__((visibility("default"))) int PlatformTestProgramAnswer() {
    return 7;
}

namespace {
const std::string kProbe = PROBE_LIBRARY;
const std::string kProbeName = ExtractFileName(kProbe);
} // namespace

TEST(DynamicLibrary, LoadFindAndUnload) {
    // Not loaded yet: the no-load lookup must not load it, by either name.
    EXPECT_EQ(FindLoadedModule(kProbe), nullptr);
    EXPECT_EQ(FindLoadedModule(kProbeName), nullptr);
    EXPECT_EQ(FindLoadedModule(kProbe), nullptr);

    TModuleHandle module = LoadModule(kProbe);
    ASSERT_NE(module, nullptr) << LastLoadError();
    auto answer = reinterpret_cast<int (*)()>(FindSymbol(module, "ProbeAnswer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(ModuleFileOf(reinterpret_cast<const void*>(answer)), kProbe);

    EXPECT_EQ(FindSymbol(module, "NoSuchSymbol"), nullptr);
    EXPECT_NE(LastLoadError().find("NoSuchSymbol"), std::string::npos) << LastLoadError();

    // Found without loading, by full path and by file name alone; the lookup takes no
    // reference, so one UnloadModule really unloads.
    EXPECT_EQ(FindLoadedModule(kProbe), module);
    EXPECT_EQ(FindLoadedModule(kProbeName), module);
    EXPECT_EQ(FindLoadedModule("/somewhere/else/" + kProbeName), module);
    EXPECT_TRUE(UnloadModule(module));
    EXPECT_EQ(FindLoadedModule(kProbe), nullptr);
    EXPECT_EQ(FindLoadedModule(kProbeName), nullptr);
}

TEST(DynamicLibrary, FailuresAreResultsWithAReason) {
    EXPECT_EQ(LoadModule(""), nullptr);
    EXPECT_EQ(LastLoadError(), "no library file name was given");

    EXPECT_EQ(LoadModule("/no/such/folder/libmissing.so"), nullptr);
    EXPECT_NE(LastLoadError().find("/no/such/folder/libmissing.so"), std::string::npos);

    TTempFolder folder;
    std::string notALibrary = folder.WriteFile("libtext.so", "this is text, not a library\n");
    EXPECT_EQ(LoadModule(notALibrary), nullptr);
    EXPECT_NE(LastLoadError().find("libtext.so"), std::string::npos) << LastLoadError();

    EXPECT_EQ(FindSymbol(nullptr, "ProbeAnswer"), nullptr);
    EXPECT_FALSE(UnloadModule(nullptr));
    EXPECT_EQ(FindLoadedModule(""), nullptr);
    EXPECT_EQ(FindLoadedModule("libdefinitely-not-loaded.so"), nullptr);
}

TEST(DynamicLibrary, FindsModulesOfTheProcess) {
    // The C library is always loaded; the lookup by file name must not load anything new.
    EXPECT_NE(FindLoadedModule("libc.so.6"), nullptr);
    EXPECT_EQ(OwnModuleFile(), TEST_EXECUTABLE);
    EXPECT_EQ(ModuleFileOf(nullptr), "");
}

TEST(DynamicLibrary, FindsSymbolsOfTheProgramOnly) {
    auto answer = reinterpret_cast<int (*)()>(FindProgramSymbol("PlatformTestProgramAnswer"));
    ASSERT_NE(answer, nullptr) << LastLoadError();
    EXPECT_EQ(answer, &PlatformTestProgramAnswer);
    EXPECT_EQ(answer(), 7);

    EXPECT_EQ(FindProgramSymbol("NoSuchSymbol"), nullptr);
    EXPECT_EQ(LastLoadError(), "NoSuchSymbol: the program does not export this symbol");
    // Exported by the C library, which the program was linked with, not by the program.
    EXPECT_EQ(FindProgramSymbol("gnu_get_libc_version"), nullptr);
    EXPECT_EQ(LastLoadError(), "gnu_get_libc_version: the program does not export this symbol");
    // Exported by a module the process loaded.
    TModuleHandle module = LoadModule(kProbe);
    ASSERT_NE(module, nullptr) << LastLoadError();
    EXPECT_EQ(FindProgramSymbol("ProbeAnswer"), nullptr);
    EXPECT_TRUE(UnloadModule(module));

    EXPECT_EQ(FindProgramSymbol(""), nullptr);
    EXPECT_EQ(LastLoadError(), "no symbol name was given");
    EXPECT_EQ(FindProgramSymbol(nullptr), nullptr);
}
