// SPDX-License-Identifier: MIT
// Small text and path helpers of the host: UTF-16 to UTF-8, cutting UTF-8 into the fixed
// buffers of the flat functions, and the host program's folder. Nothing throws except on
// memory exhaustion.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dxfi::host {

// UTF-8 of a NUL-terminated UTF-16 text; unpaired surrogates become U+FFFD. Null is empty.
std::string Utf16ToUtf8(const char16_t* text);
std::string Utf16ToUtf8(std::u16string_view text);

// Copies `text` into `buffer` of `size` bytes (size >= 1), cut so that no UTF-8 character is
// split, always NUL-terminated.
void CopyUtf8ToBuffer(std::string_view text, char* buffer, std::size_t size);

// The file part of a path (after the last folder separator: '/', on Windows also '\' and ':').
std::string FileNamePart(std::string_view path);
// The folder part of a path with its trailing separator; empty when the path has no folder.
std::string FolderPart(std::string_view path);

// The host program's folder with a trailing separator: DXFI_EXE_DIR when set (tests redirect
// the program folder with it, as the plug-in's platform layer does), else the folder of the
// running program's file. Empty when neither can be found.
std::string ExecutableFolder();

} // namespace dxfi::host
