#include "MessageEditor/ZVEmoticonPicker.h"

#include "tests/Analytics/Library/AnalyticsFixture.h"

#include "MessageEditor/ZVTextInjecting.h"
#include "ZelvoKit/markup/ZVEmoticonMap.h"
#include "ZelvoKit/markup/ZVMarkupEncoder.h"
#include "ZelvoKit/support/tracking/ZVEventTracker.h"
#include "platform/ui/controls/Button.h"

#include <QtCore/QSet>

namespace {

using namespace Qt::Literals::StringLiterals;

class InjectedEditor : public platform::View, public ZVTextInjecting {
public:
    void injectText(const QString& text) override { injected.append(text); }
    QStringList injected;
};

using EmoticonPicker = AnalyticsTest;

TEST_F(EmoticonPicker, ATapPutsTheMarkupInTheEditorAndReportsTheEmoticon) {
    ZVEventTracker::reset();
    const auto editor = std::make_shared<InjectedEditor>();
    const auto picker = platform::View::make<ZVEmoticonPicker>(editor, false);
    ASSERT_EQ(picker->buttons().size(), 10u);

    // Each button shows the standard emoji of its own kind: ten different ones, none missing.
    QSet<QString> titles;
    for (const auto& button : picker->buttons()) {
        EXPECT_TRUE(ZVEmoticonMap::isEmoji(button->currentTitle()))
            << button->currentTitle().toStdString();
        titles.insert(button->currentTitle());
    }
    EXPECT_EQ(titles.size(), 10);
    EXPECT_EQ(picker->buttons()[0]->currentTitle(), ZVEmoticonMap::EmojiForEmoticon(u"esmile"_s));

    picker->buttons()[2]->sendActionsForEvents(platform::Control::TouchUpInside);
    picker->buttons()[9]->sendActionsForEvents(platform::Control::TouchUpInside);
    ASSERT_EQ(editor->injected.size(), 2);
    EXPECT_EQ(editor->injected[0], ZVMarkupEncoder::markupForEmoticon(u"surprise"_s));
    EXPECT_FALSE(editor->injected[0].isEmpty());
    EXPECT_EQ(editor->injected[1], ZVMarkupEncoder::markupForEmoticon(u"heart"_s));

    // A control of someone else's reaching the action does nothing.
    picker->emoticonPicked(*platform::Button::make(platform::Button::Type::Custom));
    EXPECT_EQ(editor->injected.size(), 2);

    advance(1.0);
    ASSERT_TRUE(waitFor([&] { return collector_.hits().size() >= 2; }));
    advance(1.0);
    settle();
    const auto hits = collector_.hits();
    ASSERT_EQ(hits.size(), 2);
    EXPECT_EQ(hits[0].value(u"ec"_s), u"Conversation screen"_s);
    EXPECT_EQ(hits[0].value(u"ea"_s), u"Add emoticon"_s);
    EXPECT_EQ(hits[0].value(u"el"_s), u"surprise"_s);
    EXPECT_EQ(hits[1].value(u"el"_s), u"heart"_s);
    ZVEventTracker::reset();
}

TEST(EmoticonPickerLayout, OwnPicturesInTwoRowsOfFiveAboveAMargin) {
    const auto editor = std::make_shared<InjectedEditor>();
    const auto picker = platform::View::make<ZVEmoticonPicker>(editor, true);
    EXPECT_EQ(picker->frame(), QRectF(0, 0, 200, 90));
    picker->layoutIfNeeded();
    const auto& buttons = picker->buttons();
    for (const auto& button : buttons) {
        EXPECT_FALSE(button->currentImage().isNull());
        EXPECT_TRUE(button->currentTitle().isEmpty());
    }
    EXPECT_EQ(buttons[0]->frame(), QRectF(0, 0, 40, 40));
    EXPECT_EQ(buttons[4]->frame(), QRectF(160, 0, 40, 40));
    EXPECT_EQ(buttons[5]->frame(), QRectF(0, 40, 40, 40));
    EXPECT_EQ(buttons[9]->frame(), QRectF(160, 40, 40, 40));
}

}  // namespace
