// SPDX-License-Identifier: MIT
// The quick path of board reading, for documents as this host writes them, and the pieces of
// the general reader it hands unusual objects to.
#pragma once

#include "host/korrin/BoardModel.h"

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace dxfi::korrin::boardfile {

// Reads a board document into a new board (not made current) without a document tree, or
// gives up and returns null, leaving nothing behind, on anything it does not expect: a fault,
// but also members it does not know, repeated members and rarer spellings. The general reader
// then reads the document again; it accepts exactly what JSON allows and names any problem.
// Objects with nested values (pads, regions, components with children) are read by the
// general reader's object builder from their own text.
TObject* ReadBoardQuickly(std::string_view text);

// The general reader's builders, shared with the quick path.
TObject* BuildObject(const nlohmann::json& j, const std::string& where, bool inComponent);
void ApplyBoard(TBoardData& d, const nlohmann::json& j);

} // namespace dxfi::korrin::boardfile
