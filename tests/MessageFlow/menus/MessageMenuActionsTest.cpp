#include "tests/MessageFlow/menus/MessageMenuTestSupport.h"

#include "MessageEditor/ZVClipboardMessage.h"
#include "MessageFlow/menus/ZVShowEmailViewController.h"
#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"
#include "app/inbox/screen/ZVForwardViewController.h"

#include <gtest/gtest.h>

namespace menustest {
namespace {

const QString kStorePath = u"message/store/"_s + displaytest::kConversationId;
const QString kConversationStorePath = u"conversation/store/"_s + displaytest::kConversationId;
const QString kOtherConversationId = u"5a6b7c8d-1e2f-4a3b-8c4d-5e6f7a8b9c0d"_s;
const QString kDisclosePath = u"conversation/disclose/"_s + kOtherConversationId;

class MessageMenuActions : public MessageMenuTest {
protected:
    void SetUp() override {
        MessageMenuTest::SetUp();
        apply({modeltest::streamRecord(u"contact"_s, {{u"account_id"_s, displaytest::kFox},
                                                      {u"display_name"_s, u"Fox Mulder"_s},
                                                      {u"email"_s, u"fox@example.com"_s}}),
               modeltest::streamRecord(u"contact"_s, {{u"account_id"_s, displaytest::kOwl},
                                                      {u"display_name"_s, u"Owl Jones"_s},
                                                      {u"email"_s, u"owl@example.com"_s}})});
        conversationWith(
            {{u"can_post"_s, 1}, {u"last_message_nr"_s, 100}, {u"read_message_nr"_s, 100}});
    }
    // Opens the menu of the message in a table of its own and chooses the option.
    void chooseOn(const std::shared_ptr<Message>& shown, const QString& title, int page = 0) {
        showRows({shown}, page);
        const auto menu = menuOf(0);
        ASSERT_TRUE(menu) << title.toStdString();
        ASSERT_TRUE(choose(*menu, title)) << titles(*menu).toStdString();
        EXPECT_FALSE(host->menuShowing());
    }
    // The body of the service's last call of the path, once it has answered `count` of them.
    QJsonObject lastCall(const QString& path, int count) {
        EXPECT_TRUE(waitForAnswered(path, count)) << path.toStdString();
        const auto last = emulator.lastRequest(path);
        return last ? last->body : QJsonObject();
    }
    static QStringList strings(const QJsonValue& value) {
        QStringList list;
        for (const auto& item : value.toArray()) {
            list.append(item.toString());
        }
        return list;
    }
    std::shared_ptr<Message> task(std::int64_t nr, const QString& author,
                                  const QJsonArray& assignees = {}) {
        QJsonObject fields{{u"tags"_s, QJsonArray{u"is_todo"_s}}, {u"account_id"_s, author}};
        if (!assignees.isEmpty()) {
            fields.insert(u"assignee_ids"_s, assignees);
        }
        return message(nr, u"text"_s, u"<msg>Do it</msg>"_s, fields);
    }
};

// Each action changes the pressed message (or its conversation) and reaches the service; the
// usage event, where there is one, follows it.
TEST_F(MessageMenuActions, EachActionReachesTheServiceAndIsReported) {
    const auto pinned = message(11, u"text"_s, u"<msg>Pin me</msg>"_s, {{u"account_id"_s, self}});
    chooseOn(pinned, u"Pin message"_s);
    EXPECT_TRUE(pinned->isPinned());
    EXPECT_TRUE(model(pinned)->expanded());
    EXPECT_TRUE(strings(lastCall(kStorePath, 1).value(u"tags"_s)).contains(u"pin"_s));

    const auto tasked = message(12, u"text"_s, u"<msg>Task me</msg>"_s);
    chooseOn(tasked, u"Create task"_s);
    EXPECT_TRUE(tasked->isTask());
    EXPECT_TRUE(model(tasked)->expanded());
    EXPECT_TRUE(strings(lastCall(kStorePath, 2).value(u"tags"_s)).contains(u"is_todo"_s));

    const auto untasked = task(13, self);
    chooseOn(untasked, u"Untask"_s);
    EXPECT_FALSE(untasked->isTask());
    EXPECT_FALSE(strings(lastCall(kStorePath, 3).value(u"tags"_s)).contains(u"is_todo"_s));

    const auto archived = task(14, displaytest::kFox);
    chooseOn(archived, u"Archive"_s, ZVMessageMenu::kTasksPage);
    EXPECT_TRUE(strings(lastCall(kStorePath, 4).value(u"tags"_s)).contains(u"is_archived"_s));

    const auto mine = task(15, displaytest::kFox, QJsonArray{displaytest::kOwl});
    chooseOn(mine, u"Assign to me"_s);
    EXPECT_EQ(strings(lastCall(kStorePath, 5).value(u"assignee_ids"_s)),
              (QStringList{displaytest::kOwl, self}));

    const auto unread = message(40, u"text"_s, u"<msg>Read me again</msg>"_s);
    chooseOn(unread, u"Mark unread"_s);
    EXPECT_LT(conversation()->readMessageNumber(), 40);
    EXPECT_TRUE(coordinator->opened.isEmpty()) << "the conversation closes after the menu";
    scheduler().advance(ZVMessageMenu::kConversationChangeDelay + 0.01);
    EXPECT_EQ(coordinator->opened, QStringList{QString()});
    EXPECT_TRUE(lastCall(kConversationStorePath, 1).contains(u"read_message_nr"_s));

    const auto removed =
        message(16, u"text"_s, u"<msg>Delete me</msg>"_s, {{u"account_id"_s, self}});
    chooseOn(removed, u"Delete message"_s);
    EXPECT_TRUE(removed->isDeletedMessage());
    EXPECT_TRUE(strings(lastCall(kStorePath, 6).value(u"tags"_s)).contains(u"is_deleted"_s));

    EXPECT_EQ(events(3),
              "Conversation screen: Message/pin | Conversation screen: Message/mark unread | "
              "Conversation screen: Message/delete");
}

// Disclosing asks for the later joiners, sends the picked members' addresses joined by ";" from
// the pressed message on, and shows the service's refusal; a cancel or an empty pick sends nothing.
TEST_F(MessageMenuActions, DiscloseSendsThePickedAddressesAndShowsARefusal) {
    // A conversation whose roster is made now, with the contacts' addresses.
    applyConversation({{u"can_post"_s, 1}}, kOtherConversationId);
    apply({modeltest::streamRecord(u"message"_s, {{u"conversation_id"_s, kOtherConversationId},
                                                  {u"message_nr"_s, 20},
                                                  {u"mk_message_type"_s, u"text"_s},
                                                  {u"message"_s, u"<msg>History</msg>"_s},
                                                  {u"account_id"_s, displaytest::kFox},
                                                  {u"posted_time"_s, postedLongAgo()}}),
           modeltest::streamRecord(u"activity"_s, {{u"conversation_id"_s, kOtherConversationId},
                                                   {u"account_id"_s, displaytest::kOwl},
                                                   {u"join_message_nr"_s, 30}})});
    const auto other = session_->conversationFromId(kOtherConversationId);
    const auto shown = session_->messageFromKey(kOtherConversationId, 20);
    ASSERT_TRUE(other && shown);
    shown->setConversation(other);
    held.push_back(shown);
    ASSERT_EQ(other->sortedMembers()->memberByAccountId(displaytest::kFox)->email(),
              u"fox@example.com"_s);
    chooseOn(shown, u"Disclose history"_s);
    ASSERT_EQ(selectors.size(), 1u);
    const SelectorCall& call = selectors[0];
    EXPECT_EQ(call.shown, QSet<QString>{displaytest::kOwl});
    EXPECT_TRUE(call.selected.isEmpty());
    EXPECT_EQ(call.request.tag, ZVMessageMenu::kDiscloseSelectorTag);
    EXPECT_EQ(call.request.title, u"Disclose history"_s);
    EXPECT_EQ(call.request.confirmTitle, u"Disclose"_s);
    EXPECT_EQ(call.request.message,
              u"Disclose conversation history from selected message onwards to:"_s);
    EXPECT_TRUE(call.request.requireSelection);

    call.done(QSet<QString>{displaytest::kOwl, displaytest::kFox});
    const QJsonObject sent = lastCall(kDisclosePath, 1);
    EXPECT_EQ(sent.value(u"emails"_s).toString(), u"fox@example.com;owl@example.com"_s);
    EXPECT_EQ(sent.value(u"message_nr"_s).toInteger(), 20);

    call.done(std::nullopt);
    call.done(QSet<QString>{});
    emulator.injectFault(kDisclosePath, zvemu::Fault::withStatus(403, u"forbidden"_s));
    call.done(QSet<QString>{displaytest::kOwl});
    lastCall(kDisclosePath, 2);
    ASSERT_TRUE(scheduler().runUntil(
        [] { return ZVAlertViewManager::alertViewManager().currentAlertView() != nullptr; }));
    EXPECT_EQ(emulator.requests(kDisclosePath).size(), 2);
    EXPECT_EQ(events(2),
              "Conversation screen: Message/disclose | Conversation screen: Message/disclose");
}

// The assign selector shows every member and the assignees, ticks the assignees, and on confirm
// sets the pick on the message found again by number; cancelled, or after the message was
// deleted, it changes nothing.
TEST_F(MessageMenuActions, AssignSetsThePickOnTheMessageFoundAgain) {
    const QString former = u"9c3a2e6f-4d5b-4a7c-8e9f-1a2b3c4d5e6f"_s;
    auto pressedTask = task(20, displaytest::kFox, QJsonArray{displaytest::kOwl, former});
    chooseOn(pressedTask, u"Assign"_s);
    ASSERT_EQ(selectors.size(), 1u);
    EXPECT_EQ(selectors[0].shown,
              (QSet<QString>{self, displaytest::kFox, displaytest::kOwl, former}));
    EXPECT_EQ(selectors[0].selected, (QSet<QString>{displaytest::kOwl, former}));
    EXPECT_EQ(selectors[0].request.tag, ZVMessageMenu::kAssignSelectorTag);
    EXPECT_EQ(selectors[0].request.title, u"Assign task"_s);
    EXPECT_EQ(selectors[0].request.confirmTitle, u"Assign"_s);
    EXPECT_FALSE(selectors[0].request.requireSelection);

    const QString before = pressedTask->assigneeIdsText();
    selectors[0].done(std::nullopt);
    EXPECT_EQ(pressedTask->assigneeIdsText(), before);

    // The rows and the model let go of the message: the answer finds it again by number.
    const std::weak_ptr<Message> pressed = pressedTask;
    held.clear();
    pressedTask.reset();
    shown.reset();
    cells.reset();
    table.reset();
    EXPECT_TRUE(pressed.expired());
    selectors[0].done(QSet<QString>{displaytest::kFox, self});
    const auto again = session_->messageFromKey(displaytest::kConversationId, 20);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->assigneeIdsText(), self + u" "_s + displaytest::kFox)
        << "the roster's order: the user, then Fox";
    EXPECT_EQ(strings(lastCall(kStorePath, 1).value(u"assignee_ids"_s)),
              (QStringList{self, displaytest::kFox}));

    const auto gone = task(21, displaytest::kFox);
    chooseOn(gone, u"Assign"_s);
    ASSERT_EQ(selectors.size(), 2u);
    apply({modeltest::streamRecord(u"message"_s,
                                   {{u"conversation_id"_s, displaytest::kConversationId},
                                    {u"message_nr"_s, 21},
                                    {u"message"_s, u""_s},
                                    {u"tags"_s, QJsonArray{u"is_deleted"_s}}})});
    selectors[1].done(QSet<QString>{self});
    EXPECT_TRUE(gone->assigneeIdsText().isEmpty());
    EXPECT_EQ(events(1), "Conversation screen: Message/assign");
}

// The forward picker comes a tenth of a second after the option, for the message still there;
// a message deleted meanwhile gets none.
TEST_F(MessageMenuActions, ForwardPresentsThePickerLaterForAMessageStillThere) {
    const auto doomed = message(30, u"text"_s, u"<msg>Soon gone</msg>"_s);
    chooseOn(doomed, u"Forward"_s);
    apply({modeltest::streamRecord(u"message"_s,
                                   {{u"conversation_id"_s, displaytest::kConversationId},
                                    {u"message_nr"_s, 30},
                                    {u"message"_s, u""_s},
                                    {u"tags"_s, QJsonArray{u"is_deleted"_s}}})});
    scheduler().advance(ZVMessageMenu::kForwardDelay + 0.1);
    EXPECT_FALSE(coordinator->right->presentedViewController());

    const auto shown = message(31, u"text"_s, u"<msg>Pass it on</msg>"_s);
    chooseOn(shown, u"Forward"_s);
    scheduler().advance(ZVMessageMenu::kForwardDelay - 0.02);
    EXPECT_FALSE(coordinator->right->presentedViewController());
    scheduler().advance(0.04);
    const auto presented = std::dynamic_pointer_cast<platform::NavigationController>(
        coordinator->right->presentedViewController());
    ASSERT_TRUE(presented);
    auto* picker = dynamic_cast<ZVForwardViewController*>(presented->topViewController());
    ASSERT_TRUE(picker && picker->message());
    EXPECT_EQ(picker->message()->messageNr(), 31);
    picker->cancel();
    scheduler().advance(1.0);
}

// Edit, quote and select go to the showing page; the quote is reported even without a page that
// quotes. Copy puts the message on the clipboard, copying files only its files.
TEST_F(MessageMenuActions, PageActionsAndCopies) {
    const auto shown =
        messageWithFiles(20, u"text"_s, u"Mine "_s, 1, false, {{u"account_id"_s, self}});
    chooseOn(shown, u"Edit message"_s);
    chooseOn(shown, u"Quote"_s);
    ASSERT_TRUE(menuOf(0));
    host->selectMessage();
    host->copyFiles();
    const auto files = ZVClipboardMessage::fromClipboard();
    ASSERT_TRUE(files);
    EXPECT_TRUE(files->message().isEmpty());
    ASSERT_EQ(files->files().size(), 1u);
    EXPECT_EQ(files->files()[0], model(shown)->files()->front());
    host->menu()->invokeActionIndex(-1, false);
    ASSERT_EQ(coordinator->page->edited.size(), 1u);
    EXPECT_EQ(coordinator->page->edited[0], shown);
    ASSERT_EQ(coordinator->page->quoted.size(), 1u);
    ASSERT_EQ(coordinator->page->selected.size(), 1u);

    chooseOn(shown, u"Copy"_s);
    const auto copied = ZVClipboardMessage::fromClipboard();
    ASSERT_TRUE(copied);
    EXPECT_EQ(copied->message(), ZVClipboardMessage(shown).message());
    EXPECT_EQ(copied->files().size(), 1u);

    coordinator->page.reset();
    chooseOn(shown, u"Quote"_s);
    EXPECT_EQ(events(3),
              "Conversation screen: Message/quote | Conversation screen: Message/copy | "
              "Conversation screen: Message/quote");
}

// "Show email" pushes the e-mail's own screen onto the conversation side.
TEST_F(MessageMenuActions, ShowEmailPushesTheEmailScreen) {
    const auto mail =
        message(20, u"text"_s, u"<msg>mail</msg>"_s,
                {{u"html_email_data"_s, QJsonObject{{u"cleaned_html"_s, u"<p>Hi</p>"_s}}}});
    chooseOn(mail, u"Show email"_s);
    EXPECT_TRUE(dynamic_cast<ZVShowEmailViewController*>(coordinator->right->topViewController()));
}

}  // namespace
}  // namespace menustest
