#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/ZVColorTable.h"
#include "toolkit/style/ZVColors.h"

#include <gtest/gtest.h>

namespace {

using platform::Color;

constexpr Color kMagenta = ZVColorTable::kUnknownColor;

TEST(ColorTable, HexDigitsInEitherCaseWithOrWithoutMark) {
    const Color expected{255, 128, 0, 255};
    EXPECT_EQ(ZVColorTable::colorWithHex(u"#ff8000"), expected);
    EXPECT_EQ(ZVColorTable::colorWithHex(u"FF8000"), expected);
    // A character that is no digit counts as 0 rather than failing the colour.
    EXPECT_EQ(ZVColorTable::colorWithHex(u"#zz80x0"), (Color{0, 128, 0, 255}));
    EXPECT_EQ(ZVColorTable::valueOfHexByte(u"a1B2", 2), 0xB2);
}

TEST(ColorTable, ResolvesNameChainsAndRefusesWhatNeverReachesAColour) {
    const ZVColorTable table = ZVColorTable::fromJson(R"({
        "logo": "#102030",
        "link": "logo",
        "title": "link",
        "ping": "pong",
        "pong": "ping",
        "self": "self",
        "dangling": "nowhere"
    })");
    const struct {
        const char* name;
        Color expected;
    } cases[] = {
        {"logo", {16, 32, 48, 255}}, {"link", {16, 32, 48, 255}}, {"title", {16, 32, 48, 255}},
        {"ping", kMagenta},          {"pong", kMagenta},          {"self", kMagenta},
        {"dangling", kMagenta},      {"unknown", kMagenta},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(table.color(QString::fromLatin1(c.name)), c.expected) << c.name;
    }
}

TEST(ColorTable, InvalidJsonGivesAnEmptyTable) {
    for (const QByteArray& json :
         {QByteArray("{\"logo\": "), QByteArray("[\"#ffffff\"]"), QByteArray()}) {
        const ZVColorTable table = ZVColorTable::fromJson(json);
        EXPECT_TRUE(table.colorMap().isEmpty()) << json.constData();
        EXPECT_EQ(table.color(QStringLiteral("logo")), kMagenta);
    }
}

TEST(ColorTable, ShippedTableDefinesEveryNameTheProgramUses) {
    const char* names[] = {"logo",
                           "background",
                           "border",
                           "task",
                           "pin",
                           "text",
                           "lightText",
                           "suppressedText",
                           "link",
                           "darkBlue",
                           "gray",
                           "orange",
                           "cellHighlight",
                           "body",
                           "heading",
                           "name",
                           "attachment",
                           "linkPreview",
                           "alertButton",
                           "alertText",
                           "messageComment",
                           "suppressed",
                           "menuText",
                           "sidebarButton",
                           "highlight",
                           "inboxLabelSeparator",
                           "zelvoBlue",
                           "darkButton",
                           "secondaryButton"};
    for (const char* name : names) {
        EXPECT_NE(colorWithName(QString::fromLatin1(name)), kMagenta) << name;
    }
    for (int n = 1; n <= 10; ++n) {
        EXPECT_NE(colorWithName(QStringLiteral("avatar_%1").arg(n)), kMagenta) << n;
    }
    EXPECT_EQ(ZVColors::link(), colorWithName(QStringLiteral("logo")));
}

TEST(ColorTable, AvatarColourFromTheSumOfAnIdentifiersDigits) {
    const struct {
        const char* guid;
        int avatar;
    } cases[] = {
        {"", 1},                // nothing to sum
        {"0-0-0", 1},           // separators add nothing
        {"a9", 10},             // 10 + 9 = 19
        {"A9", 10},             // capitals count the same
        {"99a", 9},             // 28
        {"1234-5678-9abc", 9},  // 45 + 33 = 78
    };
    for (const auto& c : cases) {
        EXPECT_EQ(colorFromGUID(QString::fromLatin1(c.guid)),
                  colorWithName(QStringLiteral("avatar_%1").arg(c.avatar)))
            << c.guid;
    }
}

TEST(ColorTable, BlendingLaysTheOtherColourOverAtItsAlpha) {
    const Color black{0, 0, 0, 255};
    EXPECT_EQ(colorByBlendingWithColor(black, colorWithWhite(1.0, 0.5)),
              (Color{128, 128, 128, 255}));
    // The base's own alpha is ignored and the result is opaque.
    EXPECT_EQ(colorByBlendingWithColor(Color{200, 100, 0, 10}, Color{0, 0, 255, 0}),
              (Color{200, 100, 0, 255}));
    EXPECT_EQ(colorByBlendingWithColor(black, Color{10, 20, 30, 255}), (Color{10, 20, 30, 255}));
}

}  // namespace
