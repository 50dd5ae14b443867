// SPDX-License-Identifier: MIT
#include "report/ReportOutputOptions.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

using namespace dxfi;

namespace {

// Sections and keys in memory; every value is kept as text, Booleans as "1" / "0".
class TMemoryOptionsStore : public TReportOptionsReader, public TReportOptionsWriter {
public:
    bool ReadBool(std::string_view section, std::string_view key, bool fallback) const override {
        auto found = Values.find({std::string(section), std::string(key)});
        return found == Values.end() ? fallback : found->second == "1";
    }
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback) const override {
        auto found = Values.find({std::string(section), std::string(key)});
        return found == Values.end() ? std::string(fallback) : found->second;
    }
    void WriteBool(std::string_view section, std::string_view key, bool value) override {
        Values[{std::string(section), std::string(key)}] = value ? "1" : "0";
    }
    void WriteString(std::string_view section, std::string_view key,
                     std::string_view value) override {
        Values[{std::string(section), std::string(key)}] = std::string(value);
    }

    std::map<std::pair<std::string, std::string>, std::string> Values;
};

// A reader whose every call raises, as a broken store would.
class TFailingReader : public TReportOptionsReader {
public:
    bool ReadBool(std::string_view, std::string_view, bool) const override {
        throw std::runtime_error("store is gone");
    }
    std::string ReadString(std::string_view, std::string_view, std::string_view) const override {
        throw std::runtime_error("store is gone");
    }
};

TInterfacePtr<IReportOutputTransformation> Add(IReportOutputOptions& options) {
    TInterfacePtr<IReportOutputTransformation> added;
    EXPECT_EQ(options.AddTransformation(added.Receive()), kStatusOk);
    return added;
}

std::string Owner(IReportOutputTransformation& transformation) {
    std::string value;
    EXPECT_EQ(transformation.GetOwnerName(value), kStatusOk);
    return value;
}

} // namespace

TEST(ReportOutputOptions, AddTransformationTakesTheNameOfTheMomentAndGenerates) {
    auto options = TReportOutputOptions::Create();
    ASSERT_EQ(options->SetName("Import Error Report"), kStatusOk);
    auto first = Add(*options);
    ASSERT_EQ(options->SetName("Other"), kStatusOk);
    auto second = Add(*options);

    EXPECT_EQ(Owner(*first), "Import Error Report");
    EXPECT_EQ(Owner(*second), "Other");
    bool generate = false, show = true;
    EXPECT_EQ(first->GetGenerate(generate), kStatusOk);
    EXPECT_TRUE(generate);
    EXPECT_EQ(first->GetShow(show), kStatusOk);
    EXPECT_FALSE(show);
    std::string text = "x";
    EXPECT_EQ(first->GetName(text), kStatusOk);
    EXPECT_EQ(text, "");
    EXPECT_EQ(first->GetXSLTFilename(text), kStatusOk);
    EXPECT_EQ(text, "");

    int32_t count = 0;
    ASSERT_EQ(options->GetTransformationCount(count), kStatusOk);
    ASSERT_EQ(count, 2);
    TInterfacePtr<IReportOutputTransformation> byIndex;
    ASSERT_EQ(options->GetTransformation(1, byIndex.Receive()), kStatusOk);
    EXPECT_EQ(byIndex.Get(), second.Get());

    ASSERT_EQ(options->ClearTransformations(), kStatusOk);
    ASSERT_EQ(options->GetTransformationCount(count), kStatusOk);
    EXPECT_EQ(count, 0);
    // The transformations held here outlive the list.
    EXPECT_EQ(Owner(*first), "Import Error Report");
}

TEST(ReportOutputOptions, IndexOutOfRangeIsAFailureCodeNotAnException) {
    auto options = TReportOutputOptions::Create();
    Add(*options);
    IReportOutputTransformation* out = reinterpret_cast<IReportOutputTransformation*>(1);
    EXPECT_EQ(options->GetTransformation(1, &out), kStatusFailed);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(options->GetTransformation(-1, &out), kStatusFailed);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(options->GetTransformation(0, nullptr), kStatusFailed);
    EXPECT_EQ(options->AddTransformation(nullptr), kStatusFailed);
}

TEST(ReportOutputOptions, SavedKeysHaveNoBlanks) {
    auto options = TReportOutputOptions::Create();
    options->SetName("Import Error Report");
    auto plain = Add(*options);
    plain->SetShow(true);
    plain->SetXSLTFilename("/opt/Host/Templates/report html.xsl");
    auto named = Add(*options);
    named->SetName("As Web Page");
    named->SetGenerate(false);

    TMemoryOptionsStore store;
    ASSERT_EQ(options->SaveAll(store), kStatusOk);
    using TEntries = std::map<std::pair<std::string, std::string>, std::string>;
    EXPECT_EQ(store.Values, (TEntries{
                                {{"ReportOptions", "ImportErrorReport__Generate"}, "1"},
                                {{"ReportOptions", "ImportErrorReport__Show"}, "1"},
                                {{"ReportOptions", "ImportErrorReport__XSLTFilename"},
                                 "/opt/Host/Templates/report html.xsl"},
                                {{"ReportOptions", "ImportErrorReport_AsWebPage_Generate"}, "0"},
                                {{"ReportOptions", "ImportErrorReport_AsWebPage_Show"}, "0"},
                                {{"ReportOptions", "ImportErrorReport_AsWebPage_XSLTFilename"}, ""},
                            }));
}

TEST(ReportOutputOptions, LoadingKeepsCurrentValuesForMissingKeys) {
    auto options = TReportOutputOptions::Create();
    options->SetName("Import Error Report");
    auto transformation = Add(*options);
    transformation->SetXSLTFilename("keep.xsl");

    TMemoryOptionsStore store;
    store.Values[{"ReportOptions", "ImportErrorReport__Show"}] = "1";
    store.Values[{"ReportOptions", "ImportErrorReport__Generate"}] = "0";
    store.Values[{"Other", "ImportErrorReport__XSLTFilename"}] = "wrong section.xsl";
    ASSERT_EQ(options->LoadAll(store), kStatusOk);

    bool generate = true, show = false;
    std::string stylesheet;
    transformation->GetGenerate(generate);
    transformation->GetShow(show);
    transformation->GetXSLTFilename(stylesheet);
    EXPECT_FALSE(generate);
    EXPECT_TRUE(show);
    EXPECT_EQ(stylesheet, "keep.xsl");

    TMemoryOptionsStore empty;
    ASSERT_EQ(transformation->Load(empty), kStatusOk);
    transformation->GetShow(show);
    EXPECT_TRUE(show);
}

TEST(ReportOutputOptions, AStoreThatRaisesGivesAFailureCode) {
    auto options = TReportOutputOptions::Create();
    auto transformation = Add(*options);
    TFailingReader reader;
    EXPECT_EQ(transformation->Load(reader), kStatusFailed);
    EXPECT_EQ(options->LoadAll(reader), kStatusFailed);
    // Nothing to load means nothing can fail.
    options->ClearTransformations();
    EXPECT_EQ(options->LoadAll(reader), kStatusOk);
}

TEST(ReportOutputOptions, InterfacesAndReferences) {
    auto* raw = new TReportOutputOptions();
    EXPECT_EQ(raw->AddRef(), 1u);
    void* found = nullptr;
    ASSERT_EQ(raw->QueryInterface(IReportOutputOptions::Iid, &found), dxfi::abi::kOk);
    EXPECT_EQ(found, static_cast<IReportOutputOptions*>(raw));
    ASSERT_EQ(raw->QueryInterface(IAssociatedWithBitmap::Iid, &found), dxfi::abi::kOk);
    EXPECT_EQ(raw->QueryInterface(IReportOutputTransformation::Iid, &found),
              dxfi::abi::kNoInterface);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(raw->Release(), 2u);
    EXPECT_EQ(raw->Release(), 1u);

    int32_t index = -1;
    std::string name = "x";
    EXPECT_EQ(raw->GetBitmapIndex(index), kStatusOk);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(raw->SetBitmapIndex(7), kStatusOk);
    EXPECT_EQ(raw->SetBitmapName("report"), kStatusOk);
    raw->GetBitmapIndex(index);
    raw->GetBitmapName(name);
    EXPECT_EQ(index, 7);
    EXPECT_EQ(name, "report");
    EXPECT_EQ(raw->Release(), 0u); // deleted; the sanitizer build checks nothing leaks

    TReportOutputTransformation transformation("Import Error Report");
    transformation.SetName("a b");
    EXPECT_EQ(transformation.KeyFor("Show"), "ImportErrorReport_ab_Show");
}
