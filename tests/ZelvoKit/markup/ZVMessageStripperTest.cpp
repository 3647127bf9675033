#include "ZelvoKit/markup/ZVMessageStripper.h"
#include "tests/ZelvoKit/markup/MarkupTestSupport.h"

#include <gtest/gtest.h>

TEST(ZVMessageStripper, PreviewRules) {
    const QString text249 = QString(249, QLatin1Char('x'));
    const struct {
        const char* name;
        QString xml;
        QString preview;
    } cases[] = {
        {"exactly 250 gets the ellipsis", "<msg>" + text249 + "y</msg>", text249 + "y..."},
        {"longer is cut at 250", "<msg>" + text249 + "<b>yz</b></msg>", text249 + "y..."},
        {"249 stays whole", "<msg>" + text249 + "</msg>", text249},
        {"the cut never splits a pair", "<msg>" + text249 + "\U0001F600</msg>", text249 + "..."},
        {"a break counts towards the limit", "<msg>" + text249 + "<br/>z</msg>", text249 + " ..."},
        {"two breaks become two spaces", "<msg>a<br/><br/>b</msg>", "a  b"},
        {"a paragraph becomes two spaces", "<msg><p>a</p>b</msg>", "a  b"},
        {"markup dropped, file names kept with a space",
         R"(<msg><b zvp="*" zvs="*">a</b><file key="k">n.png</file>x</msg>)", "an.png x"},
        {"white space collapsed one for one", "<msg>  a\t\nb\u2029 </msg>", "a  b"},
        {"not XML is unchanged", "  plain <b> text \n", "  plain <b> text \n"},
        {"broken XML keeps what was read", "<msg>ab<b>c</msg>", "abc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ZVMessageStripper::extractPlainText(c.xml), c.preview);
    }
}

TEST(ZVMessageStripper, EditableTextRestoresTheMarkup) {
    const struct {
        const char* name;
        QString xml;
        QString typed;
        QString withoutQuote;
    } cases[] = {
        {"nested elements each end with their own suffix",
         R"(<msg><b zvp="*" zvs="*">a <i zvp="_" zvs="/_">b</i> c</b></msg>)", "*a _b/_ c*",
         "*a _b/_ c*"},
        {"file names left out", R"(<msg>x<file key="k">name</file> y</msg>)", "x y", "x y"},
        {"the last quote is removed, with its own markup",
         R"(<msg><q><ql zvp="&gt; ">one</ql></q><br/>mid<br/><q><ql zvp="&gt; ">two</ql></q><br/>end</msg>)",
         "> one\nmid\n> two\nend", "> one\nmid\n\nend"},
        {"trailing white space goes, leading stays", "<msg>  a<br/><br/></msg>", "  a", "  a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ZVMessageStripper::extractPlainTextWithMarkup(c.xml, false), c.typed);
        EXPECT_EQ(ZVMessageStripper::extractPlainTextWithMarkup(c.xml, true), c.withoutQuote);
    }
}

TEST(ZVMessageStripper, ExtractsFileKeysInOrder) {
    EXPECT_EQ(ZVMessageStripper::extractFiles(
                  R"(<msg><file key="a"/>t<b><file key="b">n</file></b><file/></msg>)"),
              (QStringList{"a", "b"}));
    EXPECT_EQ(ZVMessageStripper::extractFiles("<msg>no files</msg>"), std::nullopt);
    EXPECT_EQ(ZVMessageStripper::extractFiles("not xml"), std::nullopt);
}

TEST(ZVMessageStripper, TheIndependentCheckerRejectsBrokenDocuments) {
    EXPECT_NE(zvmarkuptest::xmlCheckerErrors({"<msg>ok</msg>", "<msg>\x01</msg>"}), QString());
}
