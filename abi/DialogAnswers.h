// SPDX-License-Identifier: MIT
// The answers the import options dialog takes without a window: NAME=VALUE lines, one per
// control, that the host hands the plug-in. One table serves both sides of the wall: the
// plug-in finds each answer's control here before it checks and applies it, and the host
// refuses a name no control has before it loads the plug-in and lists the answers in its
// help. Names ignore the case of ASCII letters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dxfi::abi {

enum TDialogAnswer : uint8_t {
    daUnits,
    daScale,
    daSpace,
    daBlocks,
    daSplines,
    daLineWidth,
    daX,
    daY,
    daLayer,
    daCondition,
    daDiameter,
    daResult,
};

struct TDialogAnswerEntry {
    TDialogAnswer Answer;
    std::string_view Name;       // as the help and the refusals spell it
    std::string_view Alias;      // another name for the same control, or ""
    std::string_view ObjectName; // the options window's object name of the control, or ""
    bool PerLayer;               // written NAME:LAYER=VALUE for one drawing layer
    std::string_view Help;       // its lines of the host's help ("" when another's cover it)
};

// In the order of TDialogAnswer, which is the order of the help.
inline constexpr TDialogAnswerEntry kDialogAnswers[] = {
    {daUnits, "units", "ScaleUnits", "UnitsEdit", false,
     "  units=TEXT             the units text \"1 AutoCAD unit =\", e.g. units=1mm, "
     "units=25.4mm,\n"
     "                         units=1mil (ScaleUnits is the same)\n"},
    {daScale, "scale", "", "ScaleGroup", false,
     "  scale=mm|mil|inch|other  the scale choice (mm: 1mm, mil: 1mil, inch: 1000mil)\n"},
    {daSpace, "space", "DrawingSpace", "DrawingSpaceRadioGroup", false,
     "  space=model|paper      the Drawing Space choice (DrawingSpace is the same)\n"},
    {daBlocks, "blocks", "", "BlocksRadioGroup", false,
     "  blocks=components|primitives   the Blocks choice\n"},
    {daSplines, "splines", "", "SplinesComboBox", false,
     "  splines=discard|approximate    the Splines choice: discarded and listed in the error "
     "report\n"
     "                         (the default), or drawn as arcs and tracks within 0.005 mm\n"},
    {daLineWidth, "linewidth", "", "LineWidthEdit", false,
     "  linewidth=LENGTH       the default line width, e.g. linewidth=0.2mm\n"},
    {daX, "x", "", "XEdit", false,
     "  x=LENGTH, y=LENGTH     where the drawing's (0,0) goes on the board, e.g. x=0mil\n"},
    {daY, "y", "", "YEdit", false, ""},
    {daLayer, "layer", "", "", true,
     "  layer:NAME=PCB LAYER   the PCB layer of drawing layer NAME, e.g.\n"
     "                         layer:Outline=Mechanical Layer 1, layer:Holes=Not Imported\n"},
    {daCondition, "condition", "", "", true,
     "  condition:NAME=COND    its donut conversion: All, None, Larger Than or Smaller Than\n"},
    {daDiameter, "diameter", "", "", true,
     "  diameter:NAME=LENGTH   its outer-diameter threshold, e.g. diameter:Outline=0.5mm\n"},
    {daResult, "result", "", "", false,
     "  result=ok|cancel       press OK (the default) or Cancel\n"},
};
inline constexpr std::size_t kDialogAnswerCount = sizeof kDialogAnswers / sizeof kDialogAnswers[0];

namespace detail {
constexpr bool SameAnswerName(std::string_view a, std::string_view b) {
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i])) return false;
    return true;
}

// "a, b or c" of the names of the answers that are (or are not) per layer, each with `suffix`.
inline std::string JoinAnswerNames(bool perLayer, std::string_view suffix) {
    std::string text;
    std::size_t count = 0, total = 0;
    for (const TDialogAnswerEntry& entry : kDialogAnswers)
        total += entry.PerLayer == perLayer;
    for (const TDialogAnswerEntry& entry : kDialogAnswers) {
        if (entry.PerLayer != perLayer) continue;
        if (count > 0)
            text += ++count == total ? " or " : ", ";
        else
            ++count;
        text.append(entry.Name).append(suffix);
    }
    return text;
}
} // namespace detail

// The entry of the answer named `name` (its name, alias or object name, or for a per-layer
// answer its name, ":" and a layer's name, which goes to `layer`), or null.
constexpr const TDialogAnswerEntry* FindDialogAnswer(std::string_view name,
                                                     std::string_view* layer = nullptr) {
    for (const TDialogAnswerEntry& entry : kDialogAnswers) {
        if (entry.PerLayer) {
            const std::size_t length = entry.Name.size() + 1;
            if (name.size() > length && name[entry.Name.size()] == ':' &&
                detail::SameAnswerName(name.substr(0, entry.Name.size()), entry.Name)) {
                if (layer) *layer = name.substr(length);
                return &entry;
            }
        } else if (detail::SameAnswerName(name, entry.Name) ||
                   (!entry.Alias.empty() && detail::SameAnswerName(name, entry.Alias)) ||
                   (!entry.ObjectName.empty() && detail::SameAnswerName(name, entry.ObjectName))) {
            return &entry;
        }
    }
    return nullptr;
}

// What a refusal of an unknown name suggests: "units, scale, ... or result, or layer:,
// condition: or diameter: followed by a drawing layer's name".
inline std::string DialogAnswerNamesText() {
    return detail::JoinAnswerNames(false, "") + ", or " + detail::JoinAnswerNames(true, ":") +
           " followed by a drawing layer's name";
}

// The answers' lines of the host's help, then which object names may stand for the controls,
// wrapped at `width` columns.
inline std::string DialogAnswersHelp(std::size_t width = 95) {
    std::string help;
    for (const TDialogAnswerEntry& entry : kDialogAnswers)
        help.append(entry.Help);
    std::string objectNames;
    std::size_t count = 0, total = 0;
    for (const TDialogAnswerEntry& entry : kDialogAnswers)
        total += !entry.ObjectName.empty();
    for (const TDialogAnswerEntry& entry : kDialogAnswers) {
        if (entry.ObjectName.empty()) continue;
        if (count > 0)
            objectNames += ++count == total ? " and " : ", ";
        else
            ++count;
        objectNames.append(entry.ObjectName);
    }
    const std::string sentence =
        "The window's object names " + objectNames + " may be used for the same controls.";
    std::size_t lineStart = help.size();
    for (std::size_t pos = 0; pos < sentence.size();) {
        std::size_t end = sentence.find(' ', pos);
        if (end == std::string::npos) end = sentence.size();
        const std::string_view word(sentence.data() + pos, end - pos);
        if (help.size() > lineStart && help.size() - lineStart + 1 + word.size() > width) {
            help += '\n';
            lineStart = help.size();
        } else if (help.size() > lineStart) {
            help += ' ';
        }
        help.append(word);
        pos = end + 1;
    }
    return help + "\n";
}

} // namespace dxfi::abi
