// SPDX-License-Identifier: MIT
#include "support/ProgramRun.h"
#include "support/FileText.h"

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

namespace {

// True when `err` shows the leak checker failing by itself rather than finding a leak.
bool IsSanitizerToolFault(const std::string& err) {
    return err.find("LeakSanitizer has encountered a fatal error") != std::string::npos &&
           err.find("detected memory leaks") == std::string::npos;
}

} // namespace

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

TProgramRun RunProgram(const std::string& folder, const std::string& program,
                       const std::vector<std::string>& args, const std::vector<std::string>& env) {
    std::string command = "cd ";
    command.append(ShellQuote(folder));
    command.append(" && env -u DISPLAY -u WAYLAND_DISPLAY -u DXFI_MACHINE_HIVE -u DXFI_EXE_DIR");
    command.append(" TMPDIR=").append(ShellQuote(folder + "tmp"));
    for (const std::string& variable : env)
        command.append(1, ' ').append(ShellQuote(variable));
    command.append(1, ' ').append(ShellQuote(program));
    for (const std::string& arg : args)
        command.append(1, ' ').append(ShellQuote(arg));
    command.append(" >").append(ShellQuote(folder + "out.txt"));
    command.append(" 2>").append(ShellQuote(folder + "err.txt")).append(" </dev/null");
    TProgramRun run;
    for (int attempt = 1;; ++attempt) {
        const int status = std::system(command.c_str());
        run.ExitCode = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.Out = testsupport::ReadWholeFile(folder + "out.txt");
        run.Err = testsupport::ReadWholeFile(folder + "err.txt");
        // The leak checker of a sanitized build can fail on its own (its tracer crashes while it
        // stops the process at exit), which says nothing about the program: run it once more.
        // A leak it found is a finding and is never retried.
        if (attempt == 2 || !IsSanitizerToolFault(run.Err)) return run;
        std::fprintf(stderr, "note: the leak checker failed in %s; running it again:\n%s\n",
                     program.c_str(), run.Err.c_str());
    }
}
