#include "ZelvoKit/support/text/ZVTextAppearance.h"
#include "toolkit/style/ZVColorTable.h"
#include "toolkit/style/ZVTextStyles.h"

#include <gtest/gtest.h>

namespace {

TEST(RichTextStartUp, SharedServicesDrawWithTheStylesAndColourTable) {
    EXPECT_EQ(ZVTextAppearance::mainFont(), ZVTextStyles::fontForStyle(0));
    EXPECT_EQ(ZVTextAppearance::mainBoldFont(), ZVTextStyles::fontForStyle(1));
    EXPECT_EQ(ZVTextAppearance::colorWithName(QStringLiteral("highlight")),
              ZVColorTable::colorWithName(QStringLiteral("highlight")));
    EXPECT_NE(ZVTextAppearance::colorWithName(QStringLiteral("highlight")),
              ZVColorTable::kUnknownColor);
}

}  // namespace
