// SPDX-License-Identifier: MIT
// DXF texts for tests, built from group codes and values: the groups of an entity or table
// entry, the sections around them and the end of the file. Deliberately damaged texts
// (cut off, wrong order) are still written out by the tests that need them.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

namespace testsupport {

// Group code and value lines, each ended by LF: {{0, "LINE"}, {10, "1"}} -> "0\nLINE\n10\n1\n".
inline std::string Groups(std::initializer_list<std::pair<int, std::string>> groups) {
    std::string text;
    for (const auto& [code, value] : groups)
        text += std::to_string(code) + "\n" + value + "\n";
    return text;
}

// A section named `name` (HEADER, TABLES, BLOCKS, ENTITIES ...) holding `body`.
inline std::string Section(const std::string& name, const std::string& body) {
    return "0\nSECTION\n2\n" + name + "\n" + body + "0\nENDSEC\n";
}

// A table of the TABLES section (LAYER ...) holding `entries`.
inline std::string Table(const std::string& name, const std::string& entries) {
    return "0\nTABLE\n2\n" + name + "\n" + entries + "0\nENDTAB\n";
}

// A whole drawing: `sections` and the end-of-file marker.
inline std::string DxfFile(const std::string& sections) {
    return sections + "0\nEOF\n";
}

// A drawing with only an ENTITIES section holding `entities`.
inline std::string EntitiesDxf(const std::string& entities) {
    return DxfFile(Section("ENTITIES", entities));
}

} // namespace testsupport
