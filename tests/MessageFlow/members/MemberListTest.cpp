#include "tests/accounts/people/PeopleTestSupport.h"

#include "MessageFlow/members/ZVMemberListPill.h"
#include "MessageFlow/members/ZVMemberListView.h"
#include "MessageFlow/members/ZVMemberListViewDelegate.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

class RecordingExpansion : public ZVMemberListViewDelegate {
public:
    std::vector<qreal> asked;
    void requestedExpansionToHeight(qreal height) override { asked.push_back(height); }
};

const QString kPillsConversationId = u"c0000000-0000-4000-8000-000000000019"_s;

// A conversation of the user with `old` members of the service, and its member list in a phone
// window, 375 points wide.
class MemberList : public peopletest::PeopleTest {
protected:
    void open(int old, const QString& longName = QString()) {
        QList<QJsonObject> records;
        QJsonArray members{self()};
        for (int n = 1; n <= old; ++n) {
            records << contact(n, u"Person %1"_s.arg(n), u"p%1@example.com"_s.arg(n));
            members << personId(n);
        }
        for (int n = 50; n < 56; ++n) {
            records << contact(n, u"New %1"_s.arg(n), u"n%1@example.com"_s.arg(n));
        }
        if (!longName.isEmpty()) {
            records << contact(60, longName, u"long@example.com"_s);
        }
        records << team(1, u"Ops"_s, {self(), personId(50)});
        records << modeltest::streamRecord(u"conv"_s, {{u"conversation_id"_s, kPillsConversationId},
                                                       {u"topic"_s, u"Pills"_s},
                                                       {u"members"_s, members},
                                                       {u"can_post"_s, true}});
        ASSERT_TRUE(deliver(session_, records));
        conversation = session_->conversationFromId(kPillsConversationId);
        ASSERT_TRUE(conversation);
        list = platform::View::make<ZVMemberListView>(conversation);
        list->setFrame(QRectF(0, 0, 375, 0));
        root->addSubview(list);
        list->setDelegate(delegate);
    }
    void TearDown() override {
        list.reset();
        conversation.reset();
        PeopleTest::TearDown();
    }
    // The list as the page lays it out: as tall as it asks to be, so that touches reach it. Local
    // additions reach it a moment later, as the roster batches them.
    void fit() {
        wait(1);
        list->setFrame(QRectF(0, 0, 375, list->requestedHeight()));
        window->updateNow();
    }
    QStringList visibleNames() const {
        QStringList names;
        for (const auto& pill : list->pills()) {
            if (list->pillIsVisible(*pill)) {
                names << pill->name() + (pill->isNew() ? u"*"_s : QString());
            }
        }
        return names;
    }
    const std::shared_ptr<ZVConversationMembers>& roster() { return conversation->sortedMembers(); }

    std::shared_ptr<Conversation> conversation;
    std::shared_ptr<ZVMemberListView> list;
    std::shared_ptr<RecordingExpansion> delegate = std::make_shared<RecordingExpansion>();
};

// The user alone: one pill, an old one without a remove button.
TEST_F(MemberList, TheUserAloneHasOnePill) {
    open(0);
    list->setMaximumHeight(1000);
    ASSERT_EQ(visibleNames().size(), 1);
    const auto& pill = list->pills()[1];
    EXPECT_FALSE(pill->isNew());
    EXPECT_FALSE(pill->showRemoveButton());
    EXPECT_EQ(pill->frame().topLeft(), QPointF(13, 10));
    EXPECT_DOUBLE_EQ(list->requestedHeight(), 10 + 25 + 10);
}

// Pills flow in rows from (13, 10), 5 apart; when they need more than the allowed height the old
// members fold first, then the new ones; a list without new members never shows the second fold.
TEST_F(MemberList, PillsFlowAndCollapse) {
    open(12);
    for (int n = 50; n < 53; ++n) {
        roster()->addContact(personId(n));
    }
    roster()->addTeam(teamId(1));
    fit();
    const qreal full = list->calculateHeightOldMembersCollapsed(false);
    const qreal folded = list->calculateHeightOldMembersCollapsed(true);
    ASSERT_GT(full, folded);

    struct Case {
        const char* what;
        qreal maximum;
        bool oldFolded;
        bool newFolded;
    };
    const Case cases[] = {{"fits", full, false, false},
                          {"old folded", full - 1, true, false},
                          {"both folded", folded - 1, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        list->setMaximumHeight(c.maximum);
        list->finishAnimations();
        EXPECT_EQ(!list->collapsedMembers()->isHidden(), c.oldFolded);
        EXPECT_EQ(!list->collapsedAdds()->isHidden(), c.newFolded);
        const QStringList names = visibleNames();
        EXPECT_EQ(names.contains(u"13 members"_s), c.oldFolded);
        EXPECT_EQ(names.contains(u"4 new members*"_s), c.newFolded);
        EXPECT_EQ(names.contains(u"New 50*"_s), !c.newFolded);
        EXPECT_EQ(names.contains(u"Ops*"_s), !c.newFolded);
        // Rows: inside the margins, never overlapping, the height their bottom + 10.
        qreal bottom = 0;
        QList<QRectF> frames;
        for (const auto& pill : list->pills()) {
            if (!list->pillIsVisible(*pill)) {
                EXPECT_TRUE(pill->isHidden());
                continue;
            }
            const QRectF frame = pill->frame();
            EXPECT_GE(frame.left(), 13);
            EXPECT_LE(frame.right(), 375 - 13 + 0.01);
            for (const QRectF& other : frames) {
                EXPECT_FALSE(frame.intersects(other));
            }
            frames << frame;
            bottom = std::max(bottom, frame.bottom());
        }
        EXPECT_DOUBLE_EQ(list->requestedHeight(), bottom + 10);
        EXPECT_LE(list->requestedHeight(), std::max(c.maximum, folded));
    }
    // Nothing new: the old members fold, the new-members pill stays away however small the room.
    roster()->cancelAdds();
    list->setMaximumHeight(1);
    EXPECT_FALSE(list->collapsedMembers()->isHidden());
    EXPECT_TRUE(list->collapsedAdds()->isHidden());
    EXPECT_EQ(list->collapsedMembers()->name(), u"13 members"_s);
}

// New pills carry a remove button that revokes the addition a moment later; the pill goes at once
// when folded, after sliding out otherwise.
TEST_F(MemberList, RemoveButtonsRevokeAdditions) {
    open(2);
    roster()->addContact(personId(50));
    roster()->addTeam(teamId(1));
    list->setMaximumHeight(1000);
    fit();
    list->finishAnimations();
    EXPECT_EQ(visibleNames(), (QStringList{u"%1"_s.arg(list->pills()[1]->name()), u"Person 1"_s,
                                           u"Person 2"_s, u"New 50*"_s, u"Ops*"_s}));
    std::shared_ptr<ZVMemberListPill> added;
    for (const auto& pill : list->pills()) {
        if (pill->name() == u"New 50"_s) {
            added = pill;
        }
    }
    ASSERT_TRUE(added && added->showRemoveButton());
    tap(*added->removeButton());
    EXPECT_TRUE(roster()->containsId(personId(50)));
    wait(ZVMemberListPill::kRemoveDelay + 0.01);
    EXPECT_FALSE(roster()->containsId(personId(50)));
    // Sliding out: still in the view until the animation ends.
    EXPECT_TRUE(added->superview());
    EXPECT_FALSE(visibleNames().contains(u"New 50*"_s));
    wait(ZVMemberListView::kRemoveDuration + 0.1);
    EXPECT_FALSE(added->superview());

    // Folded into "1 new members": taken out of the view at once.
    roster()->addContact(personId(51));
    list->setMaximumHeight(1);
    fit();
    list->finishAnimations();
    std::shared_ptr<ZVMemberListPill> folded;
    for (const auto& pill : list->pills()) {
        if (pill->name() == u"New 51"_s) {
            folded = pill;
        }
    }
    ASSERT_TRUE(folded && folded->isHidden());
    roster()->revokeAdd(roster()->memberByAccountId(personId(51)));
    EXPECT_FALSE(folded->superview());
}

// Only the folded new members answer a tap, asking for the height with the old ones folded.
TEST_F(MemberList, OnlyTheNewMembersFoldAsksForRoom) {
    open(12);
    for (int n = 50; n < 56; ++n) {
        roster()->addContact(personId(n));
    }
    list->setMaximumHeight(1);
    fit();
    list->finishAnimations();
    delegate->asked.clear();
    tap(*list->collapsedMembers());
    EXPECT_TRUE(delegate->asked.empty());
    tap(*list->collapsedAdds());
    EXPECT_EQ(delegate->asked, std::vector<qreal>{list->calculateHeightOldMembersCollapsed(true)});
}

// From prepareForDisappear on, roster changes leave the pills alone.
TEST_F(MemberList, ClosingStopsFollowingTheRoster) {
    open(1);
    const auto before = list->pills().size();
    roster()->addContact(personId(50));
    EXPECT_EQ(list->pills().size(), before + 1);
    list->prepareForDisappear();
    roster()->addContact(personId(51));
    roster()->cancelAdds();
    EXPECT_EQ(list->pills().size(), before + 1);
}

// A pill wider than a row starts the first row, without an empty row above it, cut to fit.
TEST_F(MemberList, AnOverwidePillIsCutToTheRow) {
    open(0, QString(80, u'W'));
    roster()->addContact(personId(60));
    list->setMaximumHeight(1000);
    std::shared_ptr<ZVMemberListPill> wide;
    for (const auto& pill : list->pills()) {
        if (pill->name().startsWith(u"WWW"_s)) {
            wide = pill;
        }
    }
    ASSERT_TRUE(wide);
    ASSERT_GT(wide->width(), 375 - 26);
    EXPECT_EQ(wide->frame(), QRectF(13, 10 + 25 + 5, 375 - 26, 25));
    EXPECT_LE(wide->label()->frame().right(), wide->bounds().right());
}

}  // namespace
