#include "ZelvoKit/markup/ZVEmoticonMap.h"

#include <gtest/gtest.h>

TEST(ZVEmoticonMap, MapsKindsToEmoji) {
    EXPECT_EQ(ZVEmoticonMap::EmojiForEmoticon("esmile"), QString::fromUtf16(u"\U0001F642"));
    EXPECT_EQ(ZVEmoticonMap::EmojiForEmoticon("ecoffee"), QString::fromUtf16(u"\u2615\uFE0F"));
    EXPECT_TRUE(ZVEmoticonMap::EmojiForEmoticon("enosuch").isNull());
    EXPECT_TRUE(ZVEmoticonMap::isEmoji(QString::fromUtf16(u"\u2600\uFE0F")));
    // Without the presentation selector it is the text symbol, not the table's emoji.
    EXPECT_FALSE(ZVEmoticonMap::isEmoji(QString::fromUtf16(u"\u2600")));
    EXPECT_FALSE(ZVEmoticonMap::isEmoji(QString::fromUtf16(u"\U0001F642\U0001F642")));
}
