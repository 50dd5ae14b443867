// SPDX-License-Identifier: MIT
// Fuzz target of the host's board-file reader: any input loads or is refused with a message
// naming the file; a board that loads saves, and its saved form loads and saves to the same
// bytes. The reader takes paths, so the input goes to an in-memory file (memfd) first.
#include "host/korrin/KorrinHost.h"
#include "tests/support/FileText.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int InputFile = -1;
std::string InputPath;
std::string SavedPath;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InputFile = memfd_create("board.json", 0);
    if (InputFile < 0) {
        std::perror("memfd_create");
        std::abort();
    }
    InputPath = "/proc/self/fd/" + std::to_string(InputFile);
    char folder[] = "/tmp/board-fuzz-XXXXXX";
    if (!mkdtemp(folder)) {
        std::perror("mkdtemp");
        std::abort();
    }
    SavedPath = std::string(folder) + "/board.json";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (ftruncate(InputFile, 0) != 0 || pwrite(InputFile, data, size, 0) != ssize_t(size))
        std::abort();
    char error[1024] = {};
    const uint32_t board = KorrinHost_LoadBoard(InputPath.c_str(), error, sizeof error);
    if (board == 0) {
        if (std::string(error).find(InputPath) == std::string::npos) {
            std::fprintf(stderr, "a refusal that does not name the file: %s\n", error);
            std::abort();
        }
        return 0;
    }
    if (KorrinHost_SaveBoard(board, SavedPath.c_str(), error, sizeof error) != 0) {
        std::fprintf(stderr, "a loaded board does not save: %s\n", error);
        std::abort();
    }
    KorrinHost_CloseBoard(board);
    const std::string first = testsupport::ReadWholeFile(SavedPath);
    const uint32_t again = KorrinHost_LoadBoard(SavedPath.c_str(), error, sizeof error);
    if (again == 0) {
        std::fprintf(stderr, "a saved board does not load: %s\n", error);
        std::abort();
    }
    if (KorrinHost_SaveBoard(again, SavedPath.c_str(), error, sizeof error) != 0) std::abort();
    KorrinHost_CloseBoard(again);
    if (testsupport::ReadWholeFile(SavedPath) != first) {
        std::fprintf(stderr, "saving a loaded board again changed it:\n%s\n", first.c_str());
        std::abort();
    }
    return 0;
}
