// SPDX-License-Identifier: MIT
#include "pcbimport/LayerMappings.h"

#include "base/Assertion.h"

#include <algorithm>
#include <array>
#include <atomic>

namespace dxfi {

namespace {
constexpr std::array<const char*, 4> kConditionNames = {"All", "None", "Smaller Than",
                                                        "Larger Than"};

// The last stamp given to any table of the process.
std::atomic<uint64_t> LastStamp{0};

uint64_t NewStamp() {
    return ++LastStamp;
}
} // namespace

std::string ConversionConditionName(int condition) {
    if (condition < 0 || condition >= static_cast<int>(kConditionNames.size())) return {};
    return kConditionNames[static_cast<std::size_t>(condition)];
}

TConversionCondition ConversionConditionFromName(std::string_view text) {
    for (std::size_t i = 0; i < kConditionNames.size(); ++i)
        if (CompareNoCase(text, kConditionNames[i]) == 0)
            return static_cast<TConversionCondition>(i);
    return ccNone;
}

void TLayerMappings::Clear() {
    Entries_.clear();
    Stamp_ = NewStamp();
}

const TLayerMappings::TEntry& TLayerMappings::At(int i) const {
    Assert(i >= 0 && i < Count(), "PCBInterface");
    return Entries_[static_cast<std::size_t>(i)];
}

const std::string& TLayerMappings::Name(int i) const {
    return At(i).Name;
}
TV7_Layer TLayerMappings::Layer(int i) const {
    return At(i).Data.Layer;
}
TConversionCondition TLayerMappings::Condition(int i) const {
    return At(i).Data.Condition;
}
double TLayerMappings::Threshold(int i) const {
    return At(i).Data.Threshold;
}

std::vector<TLayerMappings::TEntry>::const_iterator
TLayerMappings::LowerBound(std::string_view name) const {
    return std::lower_bound(
        Entries_.begin(), Entries_.end(), name,
        [](const TEntry& e, std::string_view n) { return CompareNoCase(e.Name, n) < 0; });
}

int TLayerMappings::IndexOf(std::string_view name) const {
    const auto it = LowerBound(name);
    if (it == Entries_.end() || CompareNoCase(it->Name, name) != 0) return -1;
    return static_cast<int>(it - Entries_.begin());
}

TV7_Layer TLayerMappings::LayerOf(std::string_view name) const {
    const int i = IndexOf(name);
    return i < 0 ? 0 : Entries_[static_cast<std::size_t>(i)].Data.Layer;
}

void TLayerMappings::SetMapping(std::string_view name, TV7_Layer layer,
                                TConversionCondition condition, double threshold) {
    auto it = LowerBound(name);
    if (it == Entries_.end() || CompareNoCase(it->Name, name) != 0)
        it = Entries_.insert(it, TEntry{std::string(name), {}});
    Stamp_ = NewStamp();
    auto& data = Entries_[static_cast<std::size_t>(it - Entries_.begin())].Data;
    data.Threshold = threshold;
    data.Condition = condition;
    data.Layer = layer;
}

} // namespace dxfi
