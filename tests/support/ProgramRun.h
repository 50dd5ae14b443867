// SPDX-License-Identifier: MIT
// Runs a program as a user runs it from a shell, for tests that drive whole commands.
#pragma once

#include <string>
#include <vector>

struct TProgramRun {
    // The shell's exit status: a program ended by a signal gives 128 + the signal's number.
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};

// The text quoted for a POSIX shell.
std::string ShellQuote(const std::string& text);

// Runs `program` with `args` in `folder` (a path with a trailing "/"): no display, no terminal
// (standard input is /dev/null), no machine hive and no executable-folder override,
// TMPDIR = folder + "tmp" (which must exist), plus the "NAME=VALUE" entries of `env`.
// Standard output and error are captured through folder + "out.txt" and "err.txt".
TProgramRun RunProgram(const std::string& folder, const std::string& program,
                       const std::vector<std::string>& args,
                       const std::vector<std::string>& env = {});
