// SPDX-License-Identifier: MIT
#include "support/ProgramRun.h"
#include "support/FileText.h"

#include <cstdlib>
#include <sys/wait.h>

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
    const int status = std::system(command.c_str());
    TProgramRun run;
    run.ExitCode = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.Out = testsupport::ReadWholeFile(folder + "out.txt");
    run.Err = testsupport::ReadWholeFile(folder + "err.txt");
    return run;
}
