// SPDX-License-Identifier: MIT
// The table from drawing layer names to PCB layers with the rule for turning donuts into pads.
// Names are unique and kept sorted without regard to letter case (CompareNoCase: names that
// differ in the case of a non-ASCII letter stay separate); lookups are O(log n).
#pragma once

#include "base/TextCompare.h"
#include "pcbclient/Layers.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dxfi {

enum TConversionCondition : uint8_t { ccAll = 0, ccNone = 1, ccSmallerThan = 2, ccLargerThan = 3 };

// "All", "None", "Smaller Than", "Larger Than"; the empty text for any other value.
std::string ConversionConditionName(int condition);
// The condition whose name equals the text ignoring ASCII case; ccNone for any other text.
TConversionCondition ConversionConditionFromName(std::string_view text);

// The outer-diameter threshold of a layer's default mapping: 30 mil in board units.
inline constexpr double kDefaultConditionThreshold = 300000.0;

struct TLayerMappingData {
    double Threshold = 0.0; // outer-diameter threshold in board units
    TConversionCondition Condition = ccAll;
    TV7_Layer Layer = 0; // 0 = not imported
};

class TLayerMappings {
public:
    int Count() const { return static_cast<int>(Entries_.size()); }
    void Clear();

    // Names the table's content: every change gives the table a stamp no table had before, so
    // two tables (or one table at two times) with the same stamp hold the same mappings. Lets
    // a reader keep answers derived from the table until it changes.
    uint64_t Stamp() const { return Stamp_; }

    // Values of entry i; an index outside 0..Count-1 raises "Assertion failure".
    const std::string& Name(int i) const;
    TV7_Layer Layer(int i) const;
    TConversionCondition Condition(int i) const;
    double Threshold(int i) const;

    // Index of the name compared without regard to letter case, or -1.
    int IndexOf(std::string_view name) const;
    // The name's layer, or 0 (not imported) when the name is not in the table.
    TV7_Layer LayerOf(std::string_view name) const;
    // Adds the name when it is not in the table, then sets its values. A name that differs only
    // in letter case from a mapped one updates that mapping and keeps the first spelling.
    void SetMapping(std::string_view name, TV7_Layer layer, TConversionCondition condition,
                    double threshold);

private:
    struct TEntry {
        std::string Name;
        TLayerMappingData Data;
    };
    const TEntry& At(int i) const;
    // First entry not less than `name` in the table's order.
    std::vector<TEntry>::const_iterator LowerBound(std::string_view name) const;

    std::vector<TEntry> Entries_;
    uint64_t Stamp_ = 0; // 0: the empty table as constructed
};

} // namespace dxfi
