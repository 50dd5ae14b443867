// SPDX-License-Identifier: MIT
// Board documents: the host's JSON form of a board with every object and property (schema in
// BOARD_FORMAT.md). Writing streams (a million objects need no document tree); reading keeps
// one object's tree at a time.
#pragma once

#include "host/korrin/BoardModel.h"

#include <iosfwd>
#include <stdexcept>
#include <string>
#include <string_view>

namespace dxfi::korrin {

// A board file that cannot be read or written; the message names the file and the problem.
class EBoardFile : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes the board document.
void WriteBoardDocument(const TObject& board, std::ostream& out);
// Reads a board document into a new board (not made current) and returns it. Throws
// EBoardFile with the problem (no file name) when the text is not a board document; nothing
// of a half-read board remains.
TObject* ReadBoardDocument(std::string_view text);
TObject* ReadBoardDocument(std::istream& in);

// The same on files: "Cannot load board '<path>': <problem>." / "Cannot save board ...".
// Saving goes through a temporary file in the same folder renamed over the target.
TObject* LoadBoardFile(const std::string& path);
void SaveBoardFile(const TObject& board, const std::string& path);

// Writes `path` through a temporary file renamed over it; `write` fills the stream. Throws
// EBoardFile "Cannot <verb> '<path>': <reason>.".
void WriteFileAtomically(const std::string& path, const char* verb,
                         void (*write)(const void* context, std::ostream& out),
                         const void* context);

// The same for a whole board that Write writes.
template <void (*Write)(const TObject& board, std::ostream& out)>
void WriteBoardFileAtomically(const TObject& board, const std::string& path, const char* verb) {
    WriteFileAtomically(
        path, verb,
        [](const void* context, std::ostream& out) {
            Write(*static_cast<const TObject*>(context), out);
        },
        &board);
}

} // namespace dxfi::korrin
