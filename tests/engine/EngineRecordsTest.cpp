// SPDX-License-Identifier: MIT
#include "engine/EngineRecords.h"

#include "base/Assertion.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace dxfi;

TEST(EngineRecordsTest, ReadersAreBoundsChecked) {
    TEntityData data;
    const double x = 1.5, y = -2.0;
    std::memcpy(data.Bytes() + 2, &x, 8);
    std::memcpy(data.Bytes() + 10, &y, 8);
    EXPECT_EQ(data.ReadPoint(2).X, 1.5);
    EXPECT_EQ(data.ReadPoint(2).Y, -2.0);
    EXPECT_THROW(data.ReadF64(dxfi::abi::kEntityDataSize - 7), EAssertionFailure);
    EXPECT_THROW(data.ReadU8(-1), EAssertionFailure);
    // A text without NUL ends at the record's end.
    std::memset(data.Bytes() + dxfi::abi::TextData::Text, 'a',
                dxfi::abi::kEntityDataSize - dxfi::abi::TextData::Text);
    EXPECT_EQ(data.ReadText(dxfi::abi::TextData::Text).size(),
              static_cast<std::size_t>(dxfi::abi::kEntityDataSize - dxfi::abi::TextData::Text));

    TLayerRecord layer;
    std::memset(layer.Bytes() + dxfi::abi::LayerRecord::Name, 'L', 400);
    EXPECT_EQ(layer.Name().size(), 255u);
    TDrawingHeader nil(nullptr);
    EXPECT_TRUE(nil.IsNil());
    EXPECT_THROW(nil.ReadF64(dxfi::abi::DrawingHeader::ModelExtMin), EAssertionFailure);
}

TEST(EngineRecordsTest, FixedCodesMapWithoutAskingTheEngine) {
    const std::pair<uint16_t, TEntityKind> table[] = {
        {1, ekLine},    {19, ekPolyline}, {20, ekVertex}, {17, ekSeqEnd},
        {3, ekCircle},  {14, ekInsert},   {7, ekText},    {23, ekDimension},
        {2, ekPoint},   {8, ekArc},       {28, ekMText},  {31, ekMLine},
        {5, ekEllipse}, {9, ekTrace},     {11, ekSolid},  {6, ekSpline}};
    for (const auto& [code, kind] : table) {
        TEntityHeader header;
        std::memcpy(header.Bytes(), &code, 2);
        EXPECT_EQ(EntityKind(&header, 0), kind) << code; // the engine is not loaded: never asked
    }
    EXPECT_EQ(EntityKind(nullptr, 0), ekNone);
    TEntityHeader blockStart;
    const uint16_t twelve = 12;
    std::memcpy(blockStart.Bytes(), &twelve, 2);
    EXPECT_THROW(EntityKind(&blockStart, 0), EAssertionFailure); // unlisted: asks the engine
}

TEST(EngineRecordsTest, KindNames) {
    const std::pair<TEntityKind, const char*> names[] = {
        {ekLine, "LINE entity"},   {ekLwPolyline, "LWPOLYLINE entity"}, {ekSeqEnd, "SEQEND entity"},
        {ekMText, "MTEXT entity"}, {ekSpline, "SPLINE entity"},         {ekNone, ""}};
    for (const auto& [kind, name] : names)
        EXPECT_EQ(EntityKindName(kind), name) << static_cast<int>(kind);
    EXPECT_EQ(static_cast<int>(ekSpline), 17);
}
