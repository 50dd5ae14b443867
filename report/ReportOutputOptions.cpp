// SPDX-License-Identifier: MIT
#include "report/ReportOutputOptions.h"

#include "base/Assertion.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace dxfi {
namespace {

constexpr const char* kModule = "RT_Report";

} // namespace

TReportOutputTransformation::TReportOutputTransformation(std::string ownerName)
    : OwnerName_(std::move(ownerName)) {}

std::string TReportOutputTransformation::KeyFor(std::string_view item) const {
    std::string key = OwnerName_ + "_" + Name_ + "_";
    key.append(item);
    key.erase(std::remove(key.begin(), key.end(), ' '), key.end());
    return key;
}

int32_t TReportOutputTransformation::Load(const TReportOptionsReader& reader) {
    return GuardStatus([&] {
        Generate_ = reader.ReadBool(kReportOptionsSection, KeyFor("Generate"), Generate_);
        Show_ = reader.ReadBool(kReportOptionsSection, KeyFor("Show"), Show_);
        XSLTFilename_ =
            reader.ReadString(kReportOptionsSection, KeyFor("XSLTFilename"), XSLTFilename_);
    });
}

int32_t TReportOutputTransformation::Save(TReportOptionsWriter& writer) {
    return GuardStatus([&] {
        writer.WriteBool(kReportOptionsSection, KeyFor("Generate"), Generate_);
        writer.WriteBool(kReportOptionsSection, KeyFor("Show"), Show_);
        writer.WriteString(kReportOptionsSection, KeyFor("XSLTFilename"), XSLTFilename_);
    });
}

int32_t TReportOutputTransformation::GetName(std::string& value) {
    return GuardStatus([&] { value = Name_; });
}
int32_t TReportOutputTransformation::GetGenerate(bool& value) {
    value = Generate_;
    return kStatusOk;
}
int32_t TReportOutputTransformation::GetShow(bool& value) {
    value = Show_;
    return kStatusOk;
}
int32_t TReportOutputTransformation::GetXSLTFilename(std::string& value) {
    return GuardStatus([&] { value = XSLTFilename_; });
}
int32_t TReportOutputTransformation::GetOwnerName(std::string& value) {
    return GuardStatus([&] { value = OwnerName_; });
}
int32_t TReportOutputTransformation::SetName(std::string_view value) {
    return GuardStatus([&] { Name_ = value; });
}
int32_t TReportOutputTransformation::SetGenerate(bool value) {
    Generate_ = value;
    return kStatusOk;
}
int32_t TReportOutputTransformation::SetShow(bool value) {
    Show_ = value;
    return kStatusOk;
}
int32_t TReportOutputTransformation::SetXSLTFilename(std::string_view value) {
    return GuardStatus([&] { XSLTFilename_ = value; });
}

TInterfacePtr<IReportOutputOptions> TReportOutputOptions::Create() {
    return TInterfacePtr<IReportOutputOptions>::Share(new TReportOutputOptions());
}

int32_t TReportOutputOptions::LoadAll(const TReportOptionsReader& reader) {
    return GuardStatus([&] {
        for (const auto& transformation : Transformations_)
            if (transformation->Load(reader) != kStatusOk) throw std::runtime_error("Load");
    });
}

int32_t TReportOutputOptions::SaveAll(TReportOptionsWriter& writer) {
    return GuardStatus([&] {
        for (const auto& transformation : Transformations_)
            if (transformation->Save(writer) != kStatusOk) throw std::runtime_error("Save");
    });
}

int32_t TReportOutputOptions::GetTransformation(int32_t index, IReportOutputTransformation** out) {
    if (out) *out = nullptr;
    return GuardStatus([&] {
        Assert(out != nullptr, kModule);
        Assert(index >= 0 && static_cast<std::size_t>(index) < Transformations_.size(), kModule);
        *out = TInterfacePtr(Transformations_[static_cast<std::size_t>(index)]).Detach();
    });
}

int32_t TReportOutputOptions::GetTransformationCount(int32_t& count) {
    return GuardStatus([&] {
        Assert(Transformations_.size() <= std::numeric_limits<int32_t>::max(), kModule);
        count = static_cast<int32_t>(Transformations_.size());
    });
}

int32_t TReportOutputOptions::GetName(std::string& value) {
    return GuardStatus([&] { value = Name_; });
}

int32_t TReportOutputOptions::SetName(std::string_view value) {
    return GuardStatus([&] { Name_ = value; });
}

int32_t TReportOutputOptions::ClearTransformations() {
    Transformations_.clear();
    return kStatusOk;
}

int32_t TReportOutputOptions::AddTransformation(IReportOutputTransformation** out) {
    if (out) *out = nullptr;
    return GuardStatus([&] {
        Assert(out != nullptr, kModule);
        auto transformation = TInterfacePtr<IReportOutputTransformation>::Share(
            new TReportOutputTransformation(Name_));
        transformation->SetGenerate(true);
        Transformations_.push_back(transformation);
        *out = transformation.Detach();
    });
}

} // namespace dxfi
