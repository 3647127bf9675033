#include "platform/foundation/AttributedString.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using platform::AttributedString;
using platform::TextAttributes;
namespace key = platform::TextAttribute;

namespace {

const TextAttributes kBold{
    {QString(key::Font), QVariant::fromValue(platform::FontDescription{"Sans", 12, 700})}};
const TextAttributes kLink{{QString(key::Link), QStringLiteral("https://a.example")}};

TextAttributes merged(TextAttributes a, const TextAttributes& b) {
    a.insert(b);
    return a;
}

// A run as text and attributes, so that a failure shows which stretch went wrong.
struct Expected {
    QString text;
    TextAttributes attributes;
};

std::vector<Expected> runsOf(const AttributedString& string) {
    std::vector<Expected> runs;
    for (const auto& run : string.runs()) {
        runs.push_back({string.string().mid(run.location, run.length), run.attributes});
    }
    return runs;
}

void PrintTo(const Expected& run, std::ostream* os) {
    *os << '"' << run.text.toStdString() << "\" " << run.attributes.keys().join(',').toStdString();
}

bool operator==(const Expected& a, const Expected& b) {
    return a.text == b.text && a.attributes == b.attributes;
}

struct EditCase {
    const char* name;
    std::function<void(AttributedString&)> edit;
    std::vector<Expected> runs;
};

}  // namespace

TEST(AttributedString, EditsLeaveCoalescedRuns) {
    const std::vector<EditCase> cases = {
        {"add over the middle",
         [](auto& s) { s.addAttributes(kBold, 2, 3); },
         {{"ab", {}}, {"cde", kBold}, {"fgh", {}}}},
        {"add twice merges",
         [](auto& s) {
             s.addAttributes(kBold, 0, 2);
             s.addAttributes(kBold, 2, 2);
         },
         {{"abcd", kBold}, {"efgh", {}}}},
        {"null value removes",
         [](auto& s) {
             s.addAttributes(kLink, 0, 8);
             s.addAttribute(QString(key::Link), QVariant(), 3, 2);
         },
         {{"abc", kLink}, {"de", {}}, {"fgh", kLink}}},
        {"if missing keeps what is there",
         [](auto& s) {
             s.addAttribute(QString(key::Link), QStringLiteral("x"), 0, 2);
             s.addAttributeIfMissing(QString(key::Link), QStringLiteral("https://a.example"), 0, 8);
         },
         {{"ab", {{QString(key::Link), QStringLiteral("x")}}}, {"cdefgh", kLink}}},
        {"set replaces all",
         [](auto& s) {
             s.addAttributes(merged(kBold, kLink), 0, 8);
             s.setAttributes(kLink, 4, 4);
         },
         {{"abcd", merged(kBold, kLink)}, {"efgh", kLink}}},
        {"plain insert takes the attributes before",
         [](auto& s) {
             s.addAttributes(kBold, 0, 4);
             s.replaceCharacters(4, 0, QStringLiteral("XY"));
         },
         {{"abcdXY", kBold}, {"efgh", {}}}},
        {"plain insert at the start takes the first character's",
         [](auto& s) {
             s.addAttributes(kBold, 0, 1);
             s.replaceCharacters(0, 0, QStringLiteral("X"));
         },
         {{"Xa", kBold}, {"bcdefgh", {}}}},
        {"replace across runs",
         [](auto& s) {
             s.addAttributes(kBold, 2, 4);
             s.replaceCharacters(1, 6, AttributedString(QStringLiteral("Z"), kLink));
         },
         {{"a", {}}, {"Z", kLink}, {"h", {}}}},
        {"delete joins equal neighbours",
         [](auto& s) {
             s.addAttributes(kBold, 3, 2);
             s.deleteCharacters(3, 2);
         },
         {{"abcfgh", {}}}},
        {"append attributed",
         [](auto& s) { s.append(QStringLiteral("!"), kBold); },
         {{"abcdefgh", {}}, {"!", kBold}}},
        {"ranges outside are clipped",
         [](auto& s) {
             s.addAttributes(kBold, -3, 5);
             s.addAttributes(kLink, 6, 100);
             s.deleteCharacters(7, 50);
         },
         {{"ab", kBold}, {"cdef", {}}, {"g", kLink}}},
        {"delete everything", [](auto& s) { s.deleteCharacters(0, 8); }, {}},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.name);
        AttributedString string(QStringLiteral("abcdefgh"));
        c.edit(string);
        EXPECT_EQ(runsOf(string), c.runs);
        qsizetype covered = 0;
        for (const auto& run : string.runs()) {
            EXPECT_EQ(run.location, covered);
            covered += run.length;
        }
        EXPECT_EQ(covered, string.length());
    }
}

TEST(AttributedString, EnumeratesOneKeyAcrossRunsAndStops) {
    AttributedString string(QStringLiteral("abcdefgh"));
    string.addAttributes(kLink, 0, 6);
    string.addAttributes(kBold, 2, 2);  // splits the link's runs without changing the link
    std::vector<std::tuple<QVariant, qsizetype, qsizetype>> seen;
    string.enumerateAttribute(QString(key::Link), 1, 7, [&](const QVariant& v, auto at, auto n) {
        seen.emplace_back(v, at, n);
        return false;
    });
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], std::make_tuple(QVariant(QStringLiteral("https://a.example")), 1, 5));
    EXPECT_EQ(seen[1], std::make_tuple(QVariant(), 6, 2));

    int calls = 0;
    string.enumerateAttributes(0, 8, [&](const TextAttributes&, qsizetype, qsizetype) {
        ++calls;
        return true;
    });
    EXPECT_EQ(calls, 1);
}

TEST(AttributedString, SubstringAndCustomKeysAreValues) {
    AttributedString string(QStringLiteral("a\U0001F600b"));
    string.addAttribute(QStringLiteral("ZVEmoticonName"), QStringLiteral("esmile"), 1, 2);
    const AttributedString middle = string.substring(1, 2);
    EXPECT_EQ(middle.string(), QStringLiteral("\U0001F600"));
    ASSERT_EQ(middle.runs().size(), 1u);
    EXPECT_EQ(middle.attribute(QStringLiteral("ZVEmoticonName"), 0), QStringLiteral("esmile"));

    platform::ParagraphStyle style;
    style.minimumLineHeight = 20;
    AttributedString a(QStringLiteral("x"),
                       {{QString(key::ParagraphStyle), QVariant::fromValue(style)}});
    AttributedString b(QStringLiteral("x"),
                       {{QString(key::ParagraphStyle), QVariant::fromValue(style)}});
    EXPECT_EQ(a, b);
    style.alignment = platform::ParagraphStyle::Alignment::Center;
    b.addAttribute(QString(key::ParagraphStyle), QVariant::fromValue(style), 0, 1);
    EXPECT_FALSE(a == b);
}
