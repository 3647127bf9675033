#include "MessageFlow/pages/ZVConversationSettingsViewController.h"

#include "MessageFlow/pages/ZVLeaveConversationCard.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/model/Conversation.h"
#include "accounts/people/StartUp.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/standins/input/FakeKeyboard.h"
#include "tests/ZelvoKit/model/RepositoryTestSupport.h"
#include "tests/toolkit/screens/AnalyticsCapture.h"
#include "tests/toolkit/screens/ScreenStage.h"
#include "toolkit/dialogs/ZVButtonCell.h"
#include "toolkit/dialogs/ZVHeaderCell.h"
#include "toolkit/dialogs/ZVOptionCell.h"
#include "toolkit/dialogs/ZVOptionCellGroup.h"
#include "toolkit/dialogs/ZVTextViewCell.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/tables/ZVTextView.h"
#include "toolkit/widgets/ZVInformationBanner.h"

#include <QtCore/QJsonArray>

#include <algorithm>
#include <chrono>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

// The settings page of a conversation of the signed-in account, on a phone, on the loopback
// service.
class ConversationSettingsTest : public modeltest::SignedInTest {
protected:
    void SetUp() override {
        SignedInTest::SetUp();
        platform::Keyboard::setShared(keyboard_);
    }
    void TearDown() override {
        ZVLeaveConversationCard::setPresenter({});
        page_.reset();
        SignedInTest::TearDown();
    }

    // A conversation of the service with the record's fields replaced, as the stream brought it.
    std::shared_ptr<Conversation> conversation(const QJsonObject& fields = {}) {
        // The service's own record carries the same join link, so that a later load of the
        // conversation leaves it as the stream set it.
        id_ = emulator.addConversation(u"Plans"_s, {session_->sessionId()},
                                       fields.value(u"autojoin_url"_s).toString());
        change(fields);
        return session_->conversationFromId(id_);
    }
    // The service's record of the conversation changes (another member, an admin).
    void change(const QJsonObject& fields) {
        QJsonObject record = *emulator.conversationRecord(id_);
        for (auto it = fields.begin(); it != fields.end(); ++it) {
            record.insert(it.key(), it.value());
        }
        record.insert(u"can_post"_s, record.value(u"can_post"_s).toBool(true));
        emulator.appendEvent(session_->sessionId(), record);
        ASSERT_TRUE(waitForStreamEnd(session_));
        stage_.settle();
    }
    std::shared_ptr<ZVConversationSettingsViewController> show(
        const std::shared_ptr<Conversation>& shown) {
        page_ = platform::ViewController::make<ZVConversationSettingsViewController>(shown, 6);
        stage_.show(page_);
        return page_;
    }
    // The rows' texts in order: headers and titles, text rows' texts in quotes.
    QStringList rows() const {
        QStringList shown;
        for (int row = 0; row < page_->numberOfRows(); ++row) {
            const auto cell = page_->cellForRow(row);
            if (const auto option = std::dynamic_pointer_cast<ZVOptionCell>(cell)) {
                shown << option->title() + (option->checked() ? u" [x]"_s : u" [ ]"_s);
            } else if (const auto text = std::dynamic_pointer_cast<ZVTextViewCell>(cell)) {
                shown << u"\""_s + text->textView()->text() + u"\""_s;
            } else if (const auto button = std::dynamic_pointer_cast<ZVButtonCell>(cell)) {
                shown << u"<"_s + button->button()->titleForState(platform::Button::Normal) +
                             u">"_s;
            } else {
                shown << cell->textLabel()->text();
            }
        }
        return shown;
    }
    QString storePath() const { return u"conversation/store/"_s + id_; }
    // The fields of the conversation's store requests, in order.
    QList<QJsonObject> sent() const {
        QList<QJsonObject> bodies;
        for (const auto& request : emulator.requests(storePath())) {
            QJsonObject fields;
            for (const QString& key : {u"topic"_s, u"is_url_preview_disabled"_s, u"is_disclose"_s,
                                       u"is_list"_s, u"is_autojoin"_s}) {
                if (request.body.contains(key)) {
                    fields.insert(key, request.body.value(key));
                }
            }
            bodies << fields;
        }
        return bodies;
    }
    // No call of the client is queued or out, its waiting polls aside.
    static bool clientIdle() {
        const auto& client = api();
        return client.queuedRequests().empty() &&
               std::ranges::all_of(client.pendingRequests(), [](const auto& request) {
                   return request->tag() == ZVApiRequest::TagLongPoll;
               });
    }
    void type(const QString& text) { stage_.window().sendTextInput({QString(), text}); }

    ScreenStage stage_;
    std::shared_ptr<platform::FakeKeyboard> keyboard_ = std::make_shared<platform::FakeKeyboard>();
    QString id_;
    std::shared_ptr<ZVConversationSettingsViewController> page_;
};

// The rows in order with the conversation's values; "Link:" and "Email:" only when set.
TEST_F(ConversationSettingsTest, TheRowsShowTheConversation) {
    struct Case {
        const char* name;
        QJsonObject fields;
        QStringList rows;
        int sharing;
    };
    const QStringList options{u"TOPIC:"_s, u"\"Plans\""_s, u"OPTIONS:"_s};
    const Case cases[] = {
        {"private, no link, no address",
         {{u"autojoin_url"_s, u""_s}},
         options +
             QStringList{u"Create link previews [x]"_s, u"Disclose history to new members [ ]"_s,
                         u"Enable email list behavior [ ]"_s, u"SHARING:"_s,
                         u"Off - This conversation is private [x]"_s,
                         u"On - Anyone with the link can join [ ]"_s, u"<Leave conversation>"_s},
         0},
        {"shared, with a link and an address",
         {{u"autojoin_url"_s, u"https://example.com/join/1"_s},
          {u"cmail"_s, u"plans@example.com"_s},
          {u"is_autojoin"_s, true},
          {u"is_url_preview_disabled"_s, true},
          {u"is_disclose"_s, true},
          {u"is_list"_s, true}},
         options + QStringList{u"Create link previews [ ]"_s,
                               u"Disclose history to new members [x]"_s,
                               u"Enable email list behavior [x]"_s, u"SHARING:"_s,
                               u"Off - This conversation is private [ ]"_s,
                               u"On - Anyone with the link can join [x]"_s, u"LINK:"_s,
                               u"\"https://example.com/join/1\""_s, u"EMAIL:"_s,
                               u"\"plans@example.com\""_s, u"<Leave conversation>"_s},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        show(conversation(c.fields));
        EXPECT_EQ(rows(), c.rows);
        EXPECT_EQ(page_->sharingOptions()->checkedIndex(), c.sharing);
        EXPECT_TRUE(page_->topic()->textView()->isEditable());
        EXPECT_TRUE(page_->leave()->button()->isEnabled());
        EXPECT_FALSE(page_->banner());
        if (page_->url()) {
            EXPECT_FALSE(page_->url()->textView()->isEditable());
            EXPECT_FALSE(page_->mail()->textView()->isEditable());
        }
    }
    EXPECT_EQ(page_->trackingCategory(), 6);
}

// A toggle sends its own field alone. The page follows another member's change of an option and
// sends nothing for it, so the next toggle keeps that change. A toggle made while the previous
// one is on its way is sent after it.
TEST_F(ConversationSettingsTest, AToggleSendsOnlyItsFieldAndKeepsOthersChanges) {
    const auto plans = conversation();
    show(plans);

    change({{u"is_list"_s, true}});
    EXPECT_TRUE(page_->emailList()->checked());
    EXPECT_EQ(plans->uncommittedFields(), 0u);

    emulator.injectFault(storePath(), zvemu::Fault::delayed(std::chrono::seconds(30)));
    page_->discloseHistory()->cellTapped();
    ASSERT_TRUE(settle([&] { return emulator.requestCount(storePath()) == 1; }));
    page_->sharingOptions()->cells()[1]->cellTapped();
    emulator.releaseHeld();
    ASSERT_TRUE(waitForAnswered(storePath(), 2));
    page_->urlPreviews()->cellTapped();
    ASSERT_TRUE(waitForAnswered(storePath(), 3));
    // Nothing left to send. (A commit made while a store is out can send the same fields once
    // more after it; only the fields and their order are asserted.)
    ASSERT_TRUE(settle([&] { return plans->uncommittedFields() == 0 && clientIdle(); }));
    QList<QJsonObject> fields = sent();
    fields.erase(std::unique(fields.begin(), fields.end()), fields.end());
    EXPECT_EQ(fields, (QList<QJsonObject>{{{u"is_disclose"_s, true}},
                                          {{u"is_autojoin"_s, true}},
                                          {{u"is_url_preview_disabled"_s, true}}}));
    EXPECT_TRUE(plans->isList());
    EXPECT_TRUE(plans->isDisclose());
    EXPECT_TRUE(plans->hasFlag(Conversation::FlagAutojoin));

    // Sharing turned off elsewhere: the choice follows, and nothing goes back.
    const int before = emulator.requestCount(storePath());
    change({{u"is_autojoin"_s, false}});
    EXPECT_EQ(page_->sharingOptions()->checkedIndex(), 0);
    stage_.settle();
    ASSERT_TRUE(settle([&] { return clientIdle(); }));
    EXPECT_EQ(emulator.requestCount(storePath()), before);
    EXPECT_EQ(plans->uncommittedFields(), 0u);
}

// "Done" sends the typed topic; "Cancel", or a tap on another row, puts the conversation's back.
TEST_F(ConversationSettingsTest, TheTopicIsEditedWithDoneAndCancel) {
    const auto plans = conversation();
    show(plans);
    const auto& field = page_->topic()->textView();

    field->becomeFirstResponder();
    EXPECT_TRUE(page_->isEditing());
    type(u" 2027"_s);
    EXPECT_EQ(field->text(), u"Plans 2027"_s);
    page_->cancelEdit();
    EXPECT_FALSE(page_->isEditing());
    EXPECT_EQ(field->text(), u"Plans"_s);

    field->becomeFirstResponder();
    type(u"!"_s);
    page_->didSelectRow(3);
    EXPECT_FALSE(page_->isEditing());
    EXPECT_EQ(field->text(), u"Plans"_s);
    EXPECT_FALSE(field->isFirstResponder());

    field->becomeFirstResponder();
    field->setText(u"Launch"_s);
    page_->commitEdit();
    EXPECT_FALSE(page_->isEditing());
    EXPECT_EQ(plans->topic(), u"Launch"_s);
    EXPECT_EQ(plans->uncommittedFields(), 1u << Conversation::FieldTopic);
}

TEST_F(ConversationSettingsTest, AManagedConversationCannotBeChanged) {
    ASSERT_TRUE(
        deliver(session_, {streamRecord(u"org_header"_s, {{u"organisation_id"_s, u"o1"_s},
                                                          {u"organisation_name"_s, u"Acme"_s}})}));
    const auto managed = conversation({{u"is_managed"_s, true}, {u"organisation_id"_s, u"o1"_s}});
    show(managed);
    ASSERT_TRUE(page_->banner());
    EXPECT_EQ(page_->banner()->message().string(),
              u"This conversation is managed by Acme. Only admins can change the settings"_s);
    EXPECT_EQ(page_->tableView()->tableHeaderView(), page_->banner());
    EXPECT_FALSE(page_->topic()->textView()->isEditable());
    for (const auto& option :
         {page_->urlPreviews(), page_->discloseHistory(), page_->emailList()}) {
        EXPECT_FALSE(option->enabled()) << option->title().toStdString();
    }
    EXPECT_FALSE(page_->sharingOptions()->enabled());
    EXPECT_FALSE(page_->leave()->button()->isEnabled());

    // Taps change nothing, and nothing is sent: the next request is the conversation's first.
    page_->emailList()->cellTapped();
    page_->sharingOptions()->cells()[1]->cellTapped();
    EXPECT_FALSE(page_->emailList()->checked());
    EXPECT_EQ(page_->sharingOptions()->checkedIndex(), 0);
    EXPECT_EQ(managed->uncommittedFields(), 0u);
    managed->setIsList(true);
    ASSERT_TRUE(waitForAnswered(storePath()));
    EXPECT_EQ(sent(), (QList<QJsonObject>{{{u"is_list"_s, true}}}));
}

// The user's sharing choices and topic edits are reported; a change that came from elsewhere, and
// a cancelled edit, are not.
TEST_F(ConversationSettingsTest, TheUsersChangesAreReported) {
    AnalyticsCapture reports;
    ASSERT_TRUE(reports.started());
    const auto plans = conversation();
    show(plans);
    const auto& sharing = page_->sharingOptions()->cells();
    const auto& field = page_->topic()->textView();

    sharing[1]->cellTapped();
    ASSERT_TRUE(waitForAnswered(storePath()));
    change({{u"is_autojoin"_s, false}});
    ASSERT_EQ(page_->sharingOptions()->checkedIndex(), 0);
    sharing[1]->cellTapped();
    sharing[0]->cellTapped();
    field->becomeFirstResponder();
    field->setText(u"Launch"_s);
    page_->cancelEdit();
    field->becomeFirstResponder();
    field->setText(u"Launch"_s);
    page_->commitEdit();
    field->becomeFirstResponder();
    field->setText(QString());
    page_->commitEdit();

    const QString screen = u"Conversation settings screen / "_s;
    const QStringList expected{screen + u"Conversation sharing / enable"_s,
                               screen + u"Conversation sharing / enable"_s,
                               screen + u"Conversation sharing / disable"_s,
                               screen + u"Topic / changed"_s, screen + u"Topic / removed"_s};
    EXPECT_EQ(reports.events(5).join(u'\n').toStdString(), expected.join(u'\n').toStdString());
}

// Leaving needs the right to post, a conversation the service has and no organisation over it;
// the button follows the right to post, and shows the leave card.
TEST_F(ConversationSettingsTest, LeaveIsOfferedOnlyWhereTheUserCanLeave) {
    show(session_->createNewConversation());
    EXPECT_FALSE(page_->leave()->button()->isEnabled()) << "the unsaved new conversation";

    const auto plans = conversation({{u"can_post"_s, false}});
    show(plans);
    EXPECT_FALSE(page_->leave()->button()->isEnabled());
    EXPECT_FALSE(page_->topic()->textView()->isEditable());
    change({{u"can_post"_s, true}});
    EXPECT_TRUE(page_->leave()->button()->isEnabled());
    EXPECT_TRUE(page_->topic()->textView()->isEditable());

    std::vector<std::shared_ptr<Conversation>> asked;
    ZVLeaveConversationCard::setPresenter(
        [&](const std::shared_ptr<Conversation>& leaving, platform::View* anchor) {
            asked.push_back(leaving);
            EXPECT_EQ(anchor, page_->leave()->button().get());
        });
    page_->leave()->button()->sendActionsForEvents(platform::Control::TouchUpInside);
    EXPECT_EQ(asked, std::vector<std::shared_ptr<Conversation>>{plans});
    // Back to the card the application installs, which holds nothing of this test.
    ZVStartUpPeople();
}

}  // namespace
