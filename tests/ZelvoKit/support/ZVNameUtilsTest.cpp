#include "ZelvoKit/support/text/ZVNameUtils.h"

#include <gtest/gtest.h>

namespace {

QString s(const char16_t* text) {
    return QString::fromUtf16(text);
}

TEST(ZVNameUtilsTest, EmojiTestLooksAtTheFirstCharacter) {
    struct Case {
        const char16_t* text;
        bool emoji;
    };
    const Case cases[] = {
        {u"", false},        {u"😀 Ann", true},   {u"🀄", true},  // U+1F004, inside the wide range
        {u"🦠", false},                                       // U+1F9A0, just past it
        {u"™", true},                                           // U+2122, the symbol block
        {u"➿", true},                                           // U+27BF, its last character
        {u"⟀", false},                                          // U+27C0
        {u"Ann 😀", false},   {u"\xD83D", false},                // half a pair
        {u"\xD83Dx", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZVNameUtils::isEmoji(s(c.text)), c.emoji) << s(c.text).toStdString();
    }
}

TEST(ZVNameUtilsTest, InitialsTakeTheFirstCharacterOfTheFirstWords) {
    struct Case {
        const char16_t* name;
        const char16_t* initials;
    };
    const Case cases[] = {
        {u"red fox", u"RF"},
        {u"red-fox", u"RF"},
        {u"  red", u"R"},
        {u"Ann Bea Cy", u"AB"},
        {u"ann.bea@example.com", u"AB"},
        {u"élan vital", u"ÉV"},
        {u"e\u0301lan vital", u"E\u0301"},  // a decomposed accent fills both units
        {u"😀 Ann Bea", u"😀"},               // a pair fills the initials alone
        {u"👍🏽 Ann", u"👍🏽"},
        {u"☺ Ann", u"☺A"},
        {u"Ann 😀", u"A😀"},
        {u"", u""},
        {u" - ", u""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZVNameUtils::extractInitials(s(c.name)), s(c.initials))
            << s(c.name).toStdString();
    }
}

TEST(ZVNameUtilsTest, StrippingRemovesTheLeadingEmojiOnly) {
    struct Case {
        const char16_t* name;
        const char16_t* stripped;  // nullptr: not set
    };
    const Case cases[] = {
        {u"😀  Ann Bea ", u"Ann Bea"},
        {u"🇩🇪 Ann", u"Ann"},
        {u"☺ Ann", u"Ann"},
        // The rest of the name is kept whole, whatever the initials' length.
        {u"☺Ann Bea", u"Ann Bea"},
        {u" 😀 Ann", u"Ann"},
        {u"😀", u""},
        {u"Ann Bea", nullptr},
        {u"Ann 😀", nullptr},
    };
    for (const Case& c : cases) {
        QString stripped;
        ZVNameUtils::extractInitials(s(c.name), &stripped);
        if (c.stripped) {
            EXPECT_EQ(stripped, s(c.stripped)) << s(c.name).toStdString();
            EXPECT_EQ(ZVNameUtils::stripDecorations(s(c.name)), s(c.stripped));
        } else {
            EXPECT_TRUE(stripped.isNull()) << s(c.name).toStdString();
            EXPECT_EQ(ZVNameUtils::stripDecorations(s(c.name)), s(c.name));
        }
    }
}

TEST(ZVNameUtilsTest, ShortNameIsTheFirstWord) {
    struct Case {
        const char16_t* name;
        const char16_t* shortName;
    };
    const Case cases[] = {
        {u"red fox", u"red"},  {u" red", u""},         {u"red-fox", u"red"}, {u"Ann", u"Ann"},
        {u"Ann\nBea", u"Ann"}, {u"😀Ann Bea", u"😀Ann"}, {u"", u""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZVNameUtils::shortenName(s(c.name)), s(c.shortName)) << s(c.name).toStdString();
    }
}

}  // namespace
