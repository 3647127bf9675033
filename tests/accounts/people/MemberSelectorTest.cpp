#include "tests/accounts/people/PeopleTestSupport.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"
#include "accounts/people/ZVMemberCell.h"
#include "accounts/people/ZVMemberSelector.h"
#include "app/shell/ZVAppServices.h"
#include "toolkit/alerts/ZVAlertButton.h"
#include "toolkit/alerts/ZVAlertViewManager.h"
#include "toolkit/dialogs/ZVDialogCells.h"
#include "toolkit/tables/ZVTableView.h"

#include <QtCore/QJsonArray>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

class HeardDismissal : public ZVAlertViewDelegate {
public:
    std::vector<int> heard;
    void alertView(ZVAlertView&, int buttonIndex) override { heard.push_back(buttonIndex); }
};

const QString kSelectorConversation = u"c0000000-0000-4000-8000-000000000117"_s;

// A conversation of the user and people 1 to 6; person 9 is a contact who is not a member.
class MemberSelector : public peopletest::PeopleTest {
protected:
    void SetUp() override {
        PeopleTest::SetUp();
        ZVAlertViewManager::alertViewManager().setKeyWindow(window);
        QList<QJsonObject> records;
        QJsonArray members{self()};
        for (int n = 1; n <= 6; ++n) {
            records << contact(n, u"Person %1"_s.arg(n), u"p%1@example.com"_s.arg(n));
            members << personId(n);
        }
        records << contact(9, u"Former Fay"_s, u"fay@example.com"_s);
        records << modeltest::streamRecord(u"conv"_s,
                                           {{u"conversation_id"_s, kSelectorConversation},
                                            {u"topic"_s, u"Tasks"_s},
                                            {u"members"_s, members},
                                            {u"can_post"_s, true}});
        ASSERT_TRUE(deliver(session_, records));
        conversation = session_->conversationFromId(kSelectorConversation);
        ASSERT_TRUE(conversation);
    }
    void TearDown() override {
        if (const auto alert = ZVAlertViewManager::alertViewManager().currentAlertView()) {
            alert->hide();
        }
        selector.reset();
        conversation.reset();
        PeopleTest::TearDown();
    }
    void showWith(int count, bool require = false) {
        selector = ZVMemberSelector::make(conversation);
        selector->setTitle(u"Disclose history"_s);
        selector->setButtons({u"Cancel"_s, u"Disclose"_s});
        selector->setDefaultButtonIndex(1);
        selector->setRequireSelection(require);
        QSet<QString> shown;
        for (int n = 1; n <= count; ++n) {
            shown.insert(personId(n));
        }
        selector->setShownMembers(shown);
        selector->show();
        window->updateNow();
    }
    bool confirmEnabled() const { return selector->buttonViews().at(1)->isEnabled(); }

    std::shared_ptr<Conversation> conversation;
    std::shared_ptr<ZVMemberSelector> selector;
};

// Up to five rows show whole; a sixth makes the list five rows high and scrolling.
TEST_F(MemberSelector, FiveRowsFitMoreScroll) {
    for (const int count : {5, 6}) {
        SCOPED_TRACE(count);
        showWith(count);
        const auto& table = selector->table()->tableView();
        EXPECT_EQ(selector->members().size(), static_cast<std::size_t>(count));
        EXPECT_DOUBLE_EQ(table->frame().height(), 5 * 50);
        EXPECT_EQ(table->isScrollEnabled(), count > 5);
        EXPECT_EQ(table->numberOfRowsInSection(0), count);
        EXPECT_DOUBLE_EQ(table->rectForRowAtIndexPath({0, 0}).height(), 50);
        selector->hide();
    }
}

// With a selection required the confirm button follows the ticks; a drag across rows ticks
// nothing, a tap ticks its row.
TEST_F(MemberSelector, RequireSelectionFollowsTicks) {
    showWith(3, true);
    EXPECT_FALSE(confirmEnabled());
    const auto& table = selector->table()->tableView();
    const auto rowCenter = [&](int row) {
        return table->convertPointTo(table->rectForRowAtIndexPath({0, row}).center(), nullptr);
    };
    window->sendTouch(1, platform::TouchPhase::Began, rowCenter(0));
    window->sendTouch(1, platform::TouchPhase::Moved, rowCenter(1));
    window->sendTouch(1, platform::TouchPhase::Moved, rowCenter(2));
    window->sendTouch(1, platform::TouchPhase::Ended, rowCenter(2));
    wait(1);
    EXPECT_TRUE(selector->selectedMembers().isEmpty());

    window->sendTouch(1, platform::TouchPhase::Began, rowCenter(1));
    window->sendTouch(1, platform::TouchPhase::Ended, rowCenter(1));
    wait(0.5);
    ASSERT_EQ(selector->selectedMembers().size(), 1);
    const QString ticked = *selector->selectedMembers().begin();
    EXPECT_EQ(ticked, selector->members()[1]->accountId());
    EXPECT_TRUE(
        std::dynamic_pointer_cast<ZVMemberCell>(table->cellForRowAtIndexPath({0, 1}))->checked());
    EXPECT_TRUE(confirmEnabled());
    selector->toggleRow(1);
    EXPECT_FALSE(confirmEnabled());
}

// A former assignee who left the roster is listed from the account's contact; the ticks given
// show checked.
TEST_F(MemberSelector, ListsFormerMembersFromContacts) {
    selector = ZVMemberSelector::make(conversation);
    selector->setButtons({u"Cancel"_s, u"Assign"_s});
    selector->setShownMembers({personId(1), personId(9)});
    selector->setSelectedMembers({personId(9)});
    selector->show();
    window->updateNow();
    ASSERT_EQ(selector->members().size(), 2u);
    EXPECT_EQ(selector->members()[1]->displayName(), u"Former Fay"_s);
    EXPECT_FALSE(conversation->sortedMembers()->containsId(personId(9)));
    const auto row = std::dynamic_pointer_cast<ZVMemberCell>(
        selector->table()->tableView()->cellForRowAtIndexPath({0, 1}));
    ASSERT_TRUE(row);
    EXPECT_TRUE(row->checked());
    EXPECT_TRUE(confirmEnabled());
}

// Nobody to show: nothing shows and the delegate hears button 0 at once.
TEST_F(MemberSelector, AnEmptySetDismissesAtOnce) {
    selector = ZVMemberSelector::make(conversation);
    auto heard = std::make_shared<HeardDismissal>();
    selector->setDelegate(heard);
    selector->show();
    EXPECT_EQ(heard->heard, std::vector<int>{0});
    EXPECT_FALSE(ZVAlertViewManager::alertViewManager().currentAlertView());
}

// Through the application's service: the ticks come back on confirm, nothing on cancel.
TEST_F(MemberSelector, TheServiceHandsBackTheTicks) {
    std::vector<std::optional<QSet<QString>>> results;
    const auto done = [&](std::optional<QSet<QString>> result) { results.push_back(result); };
    ZVAppServices::shared().memberSelector(conversation, {personId(1), personId(2)}, {personId(2)},
                                           done);
    auto shown = std::dynamic_pointer_cast<ZVMemberSelector>(
        ZVAlertViewManager::alertViewManager().currentAlertView());
    ASSERT_TRUE(shown);
    shown->delegate()->alertView(*shown, 1);
    shown->hide();
    ZVAppServices::shared().memberSelector(conversation, {personId(1)}, {}, done);
    shown = std::dynamic_pointer_cast<ZVMemberSelector>(
        ZVAlertViewManager::alertViewManager().currentAlertView());
    ASSERT_TRUE(shown);
    shown->delegate()->alertView(*shown, 0);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0], QSet<QString>{personId(2)});
    EXPECT_FALSE(results[1].has_value());
}

// The service dresses the card as the caller asks: title, message, confirm button, a required
// tick, its tag and the view it points at.
TEST_F(MemberSelector, TheServiceDressesTheCardAsAsked) {
    const auto anchor = platform::View::make(QRectF(10, 10, 100, 40));
    root->addSubview(anchor);
    ZVMemberSelectorRequest request;
    request.title = u"Disclose history"_s;
    request.message = u"Pick whom"_s;
    request.confirmTitle = u"Disclose"_s;
    request.requireSelection = true;
    request.tag = 101;
    request.pointAt = anchor;
    ZVAppServices::shared().memberSelector(conversation, {personId(1)}, {}, nullptr, request);
    const auto shown = std::dynamic_pointer_cast<ZVMemberSelector>(
        ZVAlertViewManager::alertViewManager().currentAlertView());
    ASSERT_TRUE(shown);
    selector = shown;
    EXPECT_EQ(shown->title(), u"Disclose history"_s);
    EXPECT_EQ(shown->message(), u"Pick whom"_s);
    EXPECT_EQ(shown->buttons(), (QStringList{u"Cancel"_s, u"Disclose"_s}));
    EXPECT_TRUE(shown->requireSelection());
    EXPECT_FALSE(confirmEnabled());
    EXPECT_EQ(shown->tag(), 101);
    EXPECT_EQ(shown->pointAtView(), anchor);
}

}  // namespace
