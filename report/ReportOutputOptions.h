// SPDX-License-Identifier: MIT
// What to produce from one report: the options (a name and a list of transformations) and each
// transformation (produce it at all, open it in the host, which stylesheet). Texts are UTF-8.
//
// Saved form of a transformation: section "ReportOptions", keys OwnerName + "_" + Name + "_" +
// "Generate" / "Show" / "XSLTFilename" with every blank removed (ImportErrorReport__Generate);
// loading reads each key with the current value as its fallback. The options save and load
// their transformations in order; their own Name is not saved.
//
// Operations follow AssociatedWithBitmap.h: status codes, never exceptions. Asking for a
// transformation outside 0..count-1 is a programming error and fails with kStatusFailed.
#pragma once

#include "report/AssociatedWithBitmap.h"
#include "report/InterfacePtr.h"
#include "report/ReportOptionsStore.h"

#include <string>
#include <string_view>
#include <vector>

namespace dxfi {

inline constexpr const char* kReportOptionsSection = "ReportOptions";

struct IReportOutputTransformation : IAssociatedWithBitmap {
    // {E753CF9B-1793-4279-9DC3-A7F9CACF0715}
    static constexpr abi::TGuid Iid{
        0xE753CF9B, 0x1793, 0x4279, {0x9D, 0xC3, 0xA7, 0xF9, 0xCA, 0xCF, 0x07, 0x15}};

    virtual int32_t Load(const TReportOptionsReader& reader) = 0;
    virtual int32_t Save(TReportOptionsWriter& writer) = 0;
    virtual int32_t GetName(std::string& value) = 0;
    virtual int32_t GetGenerate(bool& value) = 0;
    virtual int32_t GetShow(bool& value) = 0;
    virtual int32_t GetXSLTFilename(std::string& value) = 0;
    virtual int32_t GetOwnerName(std::string& value) = 0;
    virtual int32_t SetName(std::string_view value) = 0;
    virtual int32_t SetGenerate(bool value) = 0;
    virtual int32_t SetShow(bool value) = 0;
    virtual int32_t SetXSLTFilename(std::string_view value) = 0;

protected:
    ~IReportOutputTransformation() = default;
};

struct IReportOutputOptions : IAssociatedWithBitmap {
    // {F5F8C465-D36F-439C-981B-59001CD9A2F1}
    static constexpr abi::TGuid Iid{
        0xF5F8C465, 0xD36F, 0x439C, {0x98, 0x1B, 0x59, 0x00, 0x1C, 0xD9, 0xA2, 0xF1}};

    virtual int32_t LoadAll(const TReportOptionsReader& reader) = 0;
    virtual int32_t SaveAll(TReportOptionsWriter& writer) = 0;
    // *out receives a reference of its own (nullptr on failure).
    virtual int32_t GetTransformation(int32_t index, IReportOutputTransformation** out) = 0;
    virtual int32_t GetTransformationCount(int32_t& count) = 0;
    virtual int32_t GetName(std::string& value) = 0;
    virtual int32_t SetName(std::string_view value) = 0;
    virtual int32_t ClearTransformations() = 0;
    // Appends a transformation whose OwnerName is the options' Name now and whose Generate is
    // true; *out receives a reference of its own.
    virtual int32_t AddTransformation(IReportOutputTransformation** out) = 0;

protected:
    ~IReportOutputOptions() = default;
};

class TReportOutputTransformation : public TAssociatedWithBitmap<IReportOutputTransformation> {
public:
    // A new transformation with no reference taken yet; Generate and Show start false.
    explicit TReportOutputTransformation(std::string ownerName);

    // The saved form's key for `item` ("Generate", "Show" or "XSLTFilename").
    std::string KeyFor(std::string_view item) const;

    int32_t Load(const TReportOptionsReader& reader) override;
    int32_t Save(TReportOptionsWriter& writer) override;
    int32_t GetName(std::string& value) override;
    int32_t GetGenerate(bool& value) override;
    int32_t GetShow(bool& value) override;
    int32_t GetXSLTFilename(std::string& value) override;
    int32_t GetOwnerName(std::string& value) override;
    int32_t SetName(std::string_view value) override;
    int32_t SetGenerate(bool value) override;
    int32_t SetShow(bool value) override;
    int32_t SetXSLTFilename(std::string_view value) override;

private:
    std::string Name_;
    bool Generate_ = false;
    bool Show_ = false;
    std::string XSLTFilename_;
    const std::string OwnerName_;
};

class TReportOutputOptions : public TAssociatedWithBitmap<IReportOutputOptions> {
public:
    // New options with no reference taken yet.
    TReportOutputOptions() = default;
    // New options, held by the returned pointer.
    static TInterfacePtr<IReportOutputOptions> Create();

    int32_t LoadAll(const TReportOptionsReader& reader) override;
    int32_t SaveAll(TReportOptionsWriter& writer) override;
    int32_t GetTransformation(int32_t index, IReportOutputTransformation** out) override;
    int32_t GetTransformationCount(int32_t& count) override;
    int32_t GetName(std::string& value) override;
    int32_t SetName(std::string_view value) override;
    int32_t ClearTransformations() override;
    int32_t AddTransformation(IReportOutputTransformation** out) override;

private:
    std::string Name_;
    std::vector<TInterfacePtr<IReportOutputTransformation>> Transformations_;
};

} // namespace dxfi
