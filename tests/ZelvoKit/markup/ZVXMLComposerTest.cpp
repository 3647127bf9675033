#include "ZelvoKit/markup/XMLEncoding.h"
#include "ZelvoKit/markup/ZVXMLComposer.h"
#include "tests/ZelvoKit/markup/MarkupTestSupport.h"

#include <gtest/gtest.h>

TEST(XMLEncoding, EscapesForTextAndAttributes) {
    const struct {
        QString raw;
        QString text;
        QString attribute;
    } cases[] = {
        {"a<b & \"c\" 'd'>", "a&lt;b &amp; &quot;c&quot; 'd'&gt;",
         "a&lt;b &amp; &quot;c&quot; 'd'&gt;"},
        {"tab\there\nline", "tab\there\nline", "tab&#9;here&#10;line"},
        {"cr\r", "cr&#13;", "cr&#13;"},
        {QString("ctl\x01\x08\x1f") + QChar(0xD800) + "x" + QChar(0xFFFF), "ctlx", "ctlx"},
        {"pair \U0001F600", "pair \U0001F600", "pair \U0001F600"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(xmlEncoded(c.raw), c.text);
        EXPECT_EQ(xmlEncodedForAttribute(c.raw, true), c.attribute);
    }
}

TEST(ZVXMLComposer, AddsAttributesToOpenElementsAfterTheirContentBegan) {
    ZVXMLComposer xml;
    xml.startElement("msg");
    xml.startElement("q", {{"a", "1"}});
    xml.addText("some text");
    xml.addAttribute("first", "x", "msg");
    xml.addAttribute("second", "y\t", "msg");
    xml.addAttribute("inner", "z", "q");
    xml.addAttribute("missing", "w", "nope");
    EXPECT_EQ(xml.currentElement(), "q");
    EXPECT_TRUE(xml.isElementOpen("msg"));
    xml.endElement("q");
    xml.addEmptyElement("br");
    xml.endElement("msg");
    xml.endElement("msg");
    EXPECT_EQ(xml.result(),
              R"(<msg first="x" second="y&#9;"><q a="1" inner="z">some text</q><br/></msg>)");
    EXPECT_TRUE(xml.hasSingleRoot("msg"));
    EXPECT_TRUE(xml.currentElement().isNull());
}
