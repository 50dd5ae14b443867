// SPDX-License-Identifier: MIT
// The cache of layer names as a file spells them: never a wrong answer, whatever collides,
// and entities of a drawing with many layers land on the right ones.
#include "DxfText.h"

#include "pad2/DxfReader.h"
#include "pad2/RawNameCache.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace pad2;

TEST(RawNameCacheTest, AnswersOnlyWhatWasStoredForExactlyThatName) {
    auto cache = std::make_unique<TRawNameCache>();
    EXPECT_EQ(cache->Find(""), TRawNameCache::kMissing);
    cache->Insert("", 7);
    EXPECT_EQ(cache->Find(""), 7u);
    // Far more names than slots: some are pushed out, none answers for another.
    for (uint32_t i = 0; i < 5000; ++i)
        cache->Insert("LAYER_" + std::to_string(i), i);
    int kept = 0;
    for (uint32_t i = 0; i < 5000; ++i) {
        const uint32_t found = cache->Find("LAYER_" + std::to_string(i));
        ASSERT_TRUE(found == i || found == TRawNameCache::kMissing) << i;
        kept += found == i;
    }
    EXPECT_GT(kept, 100);
    EXPECT_EQ(cache->Find("layer_1"), TRawNameCache::kMissing); // spelled otherwise
    const std::string longName(52, 'L');
    cache->Insert(longName, 1);
    EXPECT_EQ(cache->Find(longName), TRawNameCache::kMissing);
    const std::string longest(51, 'L');
    cache->Insert(longest, 2);
    EXPECT_EQ(cache->Find(longest), 2u);
    EXPECT_EQ(cache->Find(longest.substr(1)), TRawNameCache::kMissing);
    cache->Clear();
    EXPECT_EQ(cache->Find(longest), TRawNameCache::kMissing);
    EXPECT_EQ(cache->Find(""), TRawNameCache::kMissing);
}

TEST(RawNameCacheTest, EntitiesOfManyLayersLandOnTheirOwn) {
    // 1500 layers used in turn by 3000 points; the layer of point i is i % 1500, spelled in
    // upper case on the second round (the same layer), some names longer than the cache keeps.
    std::string entities;
    const auto name = [](int i) {
        return "Layer" + std::string(i % 3 == 0 ? 60 : 0, 'x') + "_" + std::to_string(i);
    };
    for (int i = 0; i < 3000; ++i) {
        std::string layer = name(i % 1500);
        if (i >= 1500)
            for (char& c : layer)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        entities += pad2test::Groups({{0, "POINT"}, {8, layer}, {10, std::to_string(i)}});
    }
    const std::string text = pad2test::EntitiesDxf(entities);
    const auto drawing = ReadDxf(text.data(), text.size(), "layers.dxf");
    ASSERT_EQ(drawing->Entities.size(), 3000u);
    ASSERT_EQ(drawing->Layers.size(), 1500u);
    for (std::size_t i = 0; i < 3000; ++i) {
        const TEntity& e = drawing->Entities[i];
        ASSERT_EQ(drawing->Doubles[e.Data], double(i));
        ASSERT_EQ(drawing->StringView(drawing->Layers[e.Layer].Name), name(int(i % 1500))) << i;
    }
}
