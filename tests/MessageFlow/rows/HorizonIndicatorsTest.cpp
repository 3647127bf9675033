#include "tests/MessageFlow/rows/RowsTestSupport.h"

#include "MessageFlow/markers/ZVHorizonIndicatorStack.h"
#include "MessageFlow/markers/ZVHorizonIndicators.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"
#include "platform/ui/controls/Label.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/alerts/ZVAlertViewManager.h"

#include <QtCore/QJsonArray>

#include <gtest/gtest.h>

#include <map>

namespace rowstest {
namespace {

using displaytest::kFox;
using displaytest::kOwl;

const QString kBear = u"9c3a2e6f-4d5b-4a7c-8e8f-1a2b3c4d5e6f"_s;

// The conversation of the user, Fox, Owl and Bear (an e-mail participant), messages 90 to 100
// loaded, with 92 hidden and 93 a separator, listed in the table; markers over it.
class HorizonIndicators : public RowsTest {
protected:
    void SetUp() override {
        RowsTest::SetUp();
        apply({contactRecord(kFox, u"Fox Mulder"_s), contactRecord(kOwl, u"Owl Jones"_s),
               modeltest::streamRecord(u"contact"_s, {{u"account_id"_s, kBear},
                                                      {u"display_name"_s, u"Bear Grylls"_s},
                                                      {u"mk_account_status"_s, u"new"_s}})});
        for (const QString& id : QStringList{kFox, kOwl}) {
            apply({modeltest::streamRecord(
                u"contact"_s, {{u"account_id"_s, id}, {u"mk_account_status"_s, u"active"_s}})});
        }
        setMembers({self, kFox, kOwl, kBear});
        for (std::int64_t nr = 90; nr <= 100; ++nr) {
            QJsonObject fields;
            if (nr == 92) {
                fields.insert(u"tags"_s, QJsonArray{u"is_hidden"_s});
            }
            row(nr, nr - 90, nr == 93 ? u"separator"_s : u"text"_s, u"<msg>Words</msg>"_s, fields);
        }
        conversation()->loadMessages();
        ASSERT_EQ(conversation()->firstLoadedMessage(), 90);
        show(conversation()->messages());
    }
    void TearDown() override {
        indicators.reset();
        RowsTest::TearDown();
    }
    void setMembers(const QStringList& ids) {
        applyConversation({{u"members"_s, QJsonArray::fromStringList(ids)}});
    }
    void read(const QString& id, std::int64_t horizon) {
        const auto member = conversation()->sortedMembers()->memberByAccountId(id);
        ASSERT_TRUE(member);
        member->setReadHorizon(horizon);
    }
    // Fresh markers, shown at once (within the first moment: no motion).
    void appearNow() {
        indicators = std::make_shared<ZVHorizonIndicators>(conversation(), cells);
        indicators->appear();
    }
    // Member ids, sorted, by the message their stack stands at.
    std::map<std::int64_t, QStringList> stacks() const {
        std::map<std::int64_t, QStringList> result;
        for (const auto& [position, stack] : indicators->indicatorsByPosition()) {
            QStringList& ids = result[position];
            for (const auto& indicator : stack->indicators()) {
                ids << indicator->contactId();
            }
            ids.sort();
        }
        return result;
    }

    std::shared_ptr<ZVHorizonIndicators> indicators;
};

// Where each member's marker stands: the message read, or the next one that shows when it is
// hidden or a separator; the last loaded message for a horizon past it; none before the first
// loaded. A stack reads "All" only when every other member, at least two, stands in it.
TEST_F(HorizonIndicators, MarkersStandAtTheLastMessageEachMemberHasSeen) {
    struct Case {
        const char* name;
        std::int64_t fox;
        std::int64_t owl;
        std::int64_t bear;
        std::map<std::int64_t, QStringList> expected;
        bool all;
    };
    const std::vector<Case> cases{
        {"on a hidden row and on a separator", 92, 93, 0, {{94, {kFox, kOwl}}}, false},
        {"before the first loaded, and past the end", 85, 150, 0, {{100, {kOwl}}}, false},
        {"everyone at the end", 100, 100, 100, {{100, {kFox, kOwl, kBear}}}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        read(kFox, c.fox);
        read(kOwl, c.owl);
        read(kBear, c.bear);
        appearNow();
        EXPECT_EQ(stacks(), c.expected);
        const auto& [position, stack] = *indicators->indicatorsByPosition().begin();
        EXPECT_EQ(stack->showAll(), c.all);
        EXPECT_EQ(stack->name() == u"All"_s, c.all);
        const QRectF frame = stack->frame();
        const QRectF rowRect = table->rectForRowAtIndexPath(*cells->indexPathForMessage(position));
        EXPECT_DOUBLE_EQ(frame.center().y(), rowRect.bottom() - 2);
        EXPECT_DOUBLE_EQ(frame.width(), kPhoneWidth - cells->screenEdgeSpacing());
    }
    // With one other member, a stack of that member alone is no "All".
    setMembers({self, kFox});
    read(kFox, 100);
    appearNow();
    ASSERT_EQ(stacks(), (std::map<std::int64_t, QStringList>{{100, {kFox}}}));
    EXPECT_FALSE(indicators->indicatorsByPosition().at(100)->showAll());
    EXPECT_NE(indicators->indicatorsByPosition().at(100)->name(), u"All"_s);
}

// The foot of the content for a message past the rows, far above for one older than them.
TEST_F(HorizonIndicators, MessagesOutsideTheRowsAreAtTheEnds) {
    appearNow();
    EXPECT_DOUBLE_EQ(indicators->positionForMessageNr(500), table->contentSize().height());
    EXPECT_DOUBLE_EQ(indicators->positionForMessageNr(10), ZVHorizonIndicators::kAboveContent);
}

// After the first moment a new stack fades in, a marker whose member read on glides into the
// stack of its new message, and the marker of a member with no horizon, or no longer a member,
// fades out and goes.
TEST_F(HorizonIndicators, MarkersGlideFadeInAndFadeOut) {
    read(kFox, 94);
    read(kOwl, 94);
    indicators = std::make_shared<ZVHorizonIndicators>(conversation(), cells);
    scheduler().advance(ZVHorizonIndicators::kFirstShowingWindow + 0.1);
    indicators->appear();
    const auto stack94 = indicators->indicatorsByPosition().at(94);
    EXPECT_EQ(stack94->alpha(), 1) << "the model value; the fade runs on the layer";
    scheduler().advance(ZVHorizonIndicators::kAnimationDuration);

    read(kFox, 100);
    indicators->refresh();
    const auto fox = indicators->indicatorsByMemberId().at(kFox);
    EXPECT_EQ(fox->superview(), table.get()) << "moving, on its own";
    EXPECT_EQ(stacks(), (std::map<std::int64_t, QStringList>{{94, {kOwl}}}));
    scheduler().advance(ZVHorizonIndicators::kAnimationDuration + 0.1);
    EXPECT_EQ(fox->superview(), nullptr);
    EXPECT_EQ(stacks(), (std::map<std::int64_t, QStringList>{{94, {kOwl}}, {100, {kFox}}}));

    read(kOwl, 0);
    indicators->refresh();
    const auto owl = indicators->indicatorsByMemberId().at(kOwl);
    EXPECT_EQ(owl->superview(), table.get());
    EXPECT_EQ(owl->alpha(), 0);
    EXPECT_EQ(indicators->indicatorsByPosition().count(94), 0u) << "its stack emptied";
    scheduler().advance(ZVHorizonIndicators::kAnimationDuration + 0.1);
    EXPECT_EQ(owl->superview(), nullptr);
    EXPECT_EQ(indicators->indicatorsByMemberId().count(kOwl), 0u);

    // Fox leaves the conversation: the marker does not stay behind in its stack.
    setMembers({self, kOwl, kBear});
    indicators->refresh();
    scheduler().advance(ZVHorizonIndicators::kAnimationDuration + 0.1);
    EXPECT_TRUE(indicators->indicatorsByPosition().empty());
    EXPECT_TRUE(indicators->indicatorsByMemberId().empty());
}

// A tap on a stack's label tells, a moment later, who has seen the message and who got it by
// e-mail.
TEST_F(HorizonIndicators, ATapOnTheLabelTellsWhoHasSeenIt) {
    read(kFox, 100);
    read(kBear, 100);
    appearNow();
    const auto stack = indicators->indicatorsByPosition().at(100);
    EXPECT_EQ(stack->hintText(), u"Seen by:\nFox Mulder\nEmails sent to:\nBear Grylls"_s);
    read(kBear, 0);
    read(kOwl, 100);
    appearNow();
    const auto seenOnly = indicators->indicatorsByPosition().at(100);
    EXPECT_EQ(seenOnly->hintText(), u"Seen by:\nFox Mulder\nOwl Jones"_s);

    ZVAlertViewManager::alertViewManager().setKeyWindow(window);
    cells->scrollToMessage(100, false, 0);
    window->updateNow();
    const auto& label = seenOnly->nameLabel();
    const QPointF at = label->convertRectTo(label->bounds(), nullptr).center();
    window->sendTouch(1, platform::TouchPhase::Began, at);
    EXPECT_TRUE(seenOnly->isHighlighted());
    window->sendTouch(1, platform::TouchPhase::Ended, at);
    EXPECT_FALSE(seenOnly->isHighlighted());
    EXPECT_FALSE(ZVAlertViewManager::alertViewManager().currentAlertView());
    scheduler().advance(ZVHorizonIndicatorStack::kHintDelay + 0.01);
    const auto alert = ZVAlertViewManager::alertViewManager().currentAlertView();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->message(), u"Seen by:\nFox Mulder\nOwl Jones"_s);
}

}  // namespace
}  // namespace rowstest
