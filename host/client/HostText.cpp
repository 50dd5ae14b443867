// SPDX-License-Identifier: MIT
#include "host/client/HostText.h"

#include "host/client/HostSystem.h"

#include <cstdlib>
#include <cstring>

namespace dxfi::host {

namespace {

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            char32_t high = c - 0xD800u;
            char32_t low = text[i + 1] - 0xDC00u;
            AppendUtf8(out, 0x10000u + (high << 10) + low);
            ++i;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

std::string Utf16ToUtf8(const char16_t* text) {
    if (!text) return {};
    return Utf16ToUtf8(std::u16string_view(text));
}

void CopyUtf8ToBuffer(std::string_view text, char* buffer, std::size_t size) {
    if (!buffer || size == 0) return;
    std::size_t length = text.size() < size - 1 ? text.size() : size - 1;
    // Step back over continuation bytes so that a character is never split.
    if (length < text.size()) {
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
    }
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

namespace {

// Where the file part of a path begins.
std::size_t FileNameStart(std::string_view path) {
    std::size_t start = path.size();
    while (start > 0 && !IsFolderSeparator(path[start - 1]))
        --start;
    return start;
}

} // namespace

std::string FileNamePart(std::string_view path) {
    return std::string(path.substr(FileNameStart(path)));
}

std::string FolderPart(std::string_view path) {
    return std::string(path.substr(0, FileNameStart(path)));
}

std::string ExecutableFolder() {
    const char* redirected = std::getenv("DXFI_EXE_DIR");
    if (redirected && *redirected) {
        std::string folder = redirected;
        if (!IsFolderSeparator(folder.back())) folder += FolderSeparator();
        return folder;
    }
    return FolderPart(ExecutablePath());
}

} // namespace dxfi::host
