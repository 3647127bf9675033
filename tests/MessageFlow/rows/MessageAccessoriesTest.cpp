#include "tests/MessageFlow/rows/RowsTestSupport.h"

#include "MessageFlow/rows/accessories/ZVMessageDateView.h"
#include "MessageFlow/rows/accessories/ZVMessageLoadMoreViewTop.h"
#include "MessageFlow/rows/accessories/ZVMessageNewIndicatorView.h"
#include "MessageFlow/rows/accessories/ZVMessageResendControlsView.h"
#include "MessageFlow/rows/cells/ZVAccessorizedMessageCellWithNew.h"
#include "ZelvoKit/model/Conversation.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

#include <gtest/gtest.h>

#include <cmath>

namespace rowstest {
namespace {

using MessageAccessories = RowsTest;

// The gap bar above a row says how long the gap spans once its row tells it, and its button asks
// the conversation for the messages missing before the row.
TEST_F(MessageAccessories, TheTopGapBarTellsTheIntervalAndFillsTheGap) {
    ZVMessageLoadMoreViewTop bare{std::weak_ptr<ZVMessageCell>()};
    EXPECT_EQ(bare.label()->text(), u"More messages"_s);
    bare.setInterval(5);
    EXPECT_EQ(bare.label()->text(), u"A few seconds of messages"_s);

    const auto before = row(1, 0);
    const auto after = row(9, 0, u"text"_s, u"<msg>Later</msg>"_s,
                           {{u"prev_message_nr"_s, 5}, {u"posted_time"_s, baseTime() + 3}});
    show(listOf({before, after}));
    const auto cell = std::dynamic_pointer_cast<ZVAccessorizedMessageCell>(cellAt(1));
    ASSERT_TRUE(cell);
    auto* bar = dynamic_cast<ZVMessageLoadMoreViewTop*>(cell->topAccessory().get());
    ASSERT_TRUE(bar);
    EXPECT_DOUBLE_EQ(bar->interval(), 3);
    EXPECT_EQ(bar->label()->text(), u"A few seconds of messages"_s);
    bar->button()->sendActionsForEvents(platform::Control::TouchUpInside);
    const auto& request = conversation()->loadRequest();
    ASSERT_TRUE(request);
    EXPECT_EQ(request->type(), ZVConversationLoadRequest::GapBefore);
    EXPECT_EQ(request->messageNr(), 9);
}

// A day line shows the row's date; the resend strip's buttons resend or drop the failed message.
TEST_F(MessageAccessories, TheResendStripResendsOrDeletes) {
    const auto yesterday = row(1, -kDay / kMinute);
    const auto failed = failedMessage();
    show(listOf({yesterday, failed}));
    auto cell = std::dynamic_pointer_cast<ZVAccessorizedMessageCell>(cellAt(1));
    ASSERT_TRUE(cell);
    auto* date = dynamic_cast<ZVMessageDateView*>(cell->topAccessory().get());
    ASSERT_TRUE(date);
    EXPECT_EQ(date->text()->text(), u"Today"_s);
    auto* strip = dynamic_cast<ZVMessageResendControlsView*>(cell->bottomAccessory().get());
    ASSERT_TRUE(strip);
    EXPECT_EQ(strip->label()->text(), u"Sending failed"_s);

    strip->resendButton()->sendActionsForEvents(platform::Control::TouchUpInside);
    const auto queue = conversation()->messageQueue();
    EXPECT_NE(queue->status(), ZVMessageQueue::Failed);

    const auto again = failedMessage(u"Refused again"_s);
    show(listOf({yesterday, again}));
    cell = std::dynamic_pointer_cast<ZVAccessorizedMessageCell>(cellAt(1));
    ASSERT_TRUE(cell && cell->message() == again);
    strip = dynamic_cast<ZVMessageResendControlsView*>(cell->bottomAccessory().get());
    ASSERT_TRUE(strip);
    strip->deleteButton()->sendActionsForEvents(platform::Control::TouchUpInside);
    EXPECT_EQ(queue->messages().indexOfMessageNr(again->messageNr()), ZVMessageArray::kNotFound);
}

// A row with all three strips drawn offscreen: the day line, the orange marker rule, and the
// orange failed strip, whose arrow points at the avatar column only when there is one.
TEST_F(MessageAccessories, TheResendArrowShowsOnlyWithAvatars) {
    const auto yesterday = row(1, -kDay / kMinute);
    const auto failed = failedMessage();
    const QColor orange = platform::resolveColor(ZVColors::orange());
    for (const int avatarSize : {2, 0}) {
        SCOPED_TRACE(avatarSize);
        show(listOf({yesterday, failed}), kPhoneWidth, avatarSize);
        cells->setReadMessageNr(1);
        cells->reloadData();
        window->updateNow();
        const auto cell = std::dynamic_pointer_cast<ZVAccessorizedMessageCellWithNew>(cellAt(1));
        ASSERT_TRUE(cell);
        const QImage image = cell->snapshot(1);
        const QRectF bottom = cell->bottomAccessory()->frame();
        const qreal edge = cells->screenEdgeSpacing();
        const qreal arrowX = edge + ZVAvatarView::pointsForSize(avatarSize) / 2;
        // The strip below its arrow band is orange; the band is orange only at the arrow's tip
        // line when avatars show.
        const QColor strip = image.pixelColor(int(bottom.center().x()), int(bottom.bottom() - 3));
        EXPECT_EQ(strip.rgb(), orange.rgb());
        const QColor tip = image.pixelColor(int(arrowX), int(bottom.top() + 4));
        EXPECT_EQ(tip.rgb() == orange.rgb(), avatarSize != 0);
        const QRectF marker = cell->newIndicator()->frame();
        const QColor rule =
            image.pixelColor(20, int(marker.top() + std::floor(marker.height() / 2)));
        EXPECT_EQ(rule.rgb(), orange.rgb());
    }
}

}  // namespace
}  // namespace rowstest
