#include "MessageFlow/pages/ZVNewConversationViewController.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"
#include "tests/app/ShellTestSupport.h"

#include "MessageFlow/pages/StartUp.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "accounts/people/ZVContactListViewController.h"
#include "app/inbox/screen/ZVInboxViewController.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/standins/input/FakeKeyboard.h"
#include "platform/ui/view/Window.h"
#include "tests/emulator/EmulatorTypes.h"
#include "tests/toolkit/screens/AnalyticsCapture.h"
#include "toolkit/dialogs/ZVButtonCell.h"
#include "toolkit/dialogs/ZVDialogCells.h"
#include "toolkit/dialogs/ZVHeaderCell.h"
#include "toolkit/dialogs/ZVLabelCell.h"
#include "toolkit/dialogs/ZVTextViewCell.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/tables/ZVTextView.h"
#include "toolkit/widgets/ZVSearchBar.h"

#include <QtCore/QJsonArray>

#include <algorithm>

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kNewConversationCreatePath = u"conversation/create"_s;

// Anna signed in on a phone, with Bea and Cal accounts of the loopback service; the application's
// own new-conversation screen.
class NewConversationTest : public shelltest::ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        // The application's registration of the screen; the pages stay the shell test's fakes.
        auto& services = ZVAppServices::shared();
        auto record = services.makeConversationPages;
        ZVStartUpPages();
        // Whether the presented screens had gone when a conversation opened.
        services.makeConversationPages = [this, record](const auto& conversation,
                                                        const ZVOpenRequest& request,
                                                        const auto& right) {
            const auto left = globals().leftNavigationController();
            openedOverPresented.push_back(left && left->presentedViewController() != nullptr);
            return record(conversation, request, right);
        };
    }
    // Signed in on a phone, or a tablet, with the inbox on screen; once.
    void start(bool tablet = false) {
        if (anna) {
            return;
        }
        if (tablet) {
            platform::Application::shared().setUserInterfaceIdiom(
                platform::UserInterfaceIdiom::Pad);
        }
        launch();
        anna = signIn(shelltest::kAnna);
        ASSERT_TRUE(anna && waitForStreamEnd(anna));
        bea = account(u"bea@example.com"_s);
        cal = account(u"cal@example.com"_s);
        globals().window()->updateNow();
    }
    void TearDown() override {
        form.reset();
        anna.reset();
        ShellTest::TearDown();
    }

    std::shared_ptr<platform::NavigationController> left() {
        return globals().leftNavigationController();
    }
    void settle() {
        globals().window()->updateNow();
        scheduler().advance(1);
        globals().window()->updateNow();
    }
    int answered(const QString& path) const {
        const auto requests = emulator.requests(path);
        return static_cast<int>(std::count_if(requests.begin(), requests.end(),
                                              [](const auto& request) { return request.status; }));
    }
    // The inbox's new-conversation row: the screen pushed on the inbox's stack.
    void startFromInbox() {
        start();
        const auto inbox =
            std::dynamic_pointer_cast<ZVInboxViewController>(left()->viewControllers().front());
        ASSERT_TRUE(inbox);
        inbox->newConversation();
        settle();
        form = std::dynamic_pointer_cast<ZVNewConversationViewController>(
            left()->viewControllers().back());
        ASSERT_TRUE(form);
    }
    // The forward picker's road: a screen presented over the inbox presents the form in a
    // navigation of its own.
    void startFromPicker() {
        start();
        picker = std::make_shared<platform::ViewController>();
        ASSERT_TRUE(left()->presentViewController(picker, false));
        settle();
        const auto composed = anna->createNewConversation();
        form = ZVNewConversationViewController::make(composed);
        ASSERT_TRUE(picker->presentViewController(
            std::make_shared<platform::NavigationController>(form), false));
        settle();
    }
    void type(const std::shared_ptr<ZVTextViewCell>& field, const QString& text) {
        ASSERT_TRUE(field->textView()->becomeFirstResponder());
        globals().window()->sendTextInput({QString(), text});
    }
    void pickBeaAndCal() {
        const auto& roster = form->conversation()->sortedMembers();
        roster->addContact(bea);
        roster->addContact(cal);
        settle();
    }
    // The form's own rows, in order, after the member rows.
    QStringList formRows() const {
        QStringList rows;
        const auto& cells = *form->membersTable();
        for (int row = 0; row < cells.numberOfRows(); ++row) {
            const auto cell = form->membersTable()->cellForRow(row);
            if (cell == form->topicHeader() || cell == form->messageHeader()) {
                rows << cell->textLabel()->text();
            } else if (cell == form->topic() || cell == form->message()) {
                rows << u"\""_s +
                            std::static_pointer_cast<ZVTextViewCell>(cell)->textView()->text() +
                            u"\""_s;
            } else if (cell == form->createConvButton()) {
                rows << u"<button>"_s;
            }
        }
        return rows;
    }

    std::shared_ptr<ZVRepositorySession> anna;
    QString bea;
    QString cal;
    std::shared_ptr<platform::ViewController> picker;
    std::shared_ptr<ZVNewConversationViewController> form;
    std::vector<bool> openedOverPresented;
};

// The inbox opens the members page of the unsaved conversation in edit mode, with the topic, the
// first message and the button below the member rows; they stay there as the roster changes.
TEST_F(NewConversationTest, OpensEditingWithTheFormBelowTheMembers) {
    startFromInbox();
    EXPECT_TRUE(form->conversation()->isNewConversation());
    EXPECT_TRUE(form->isEditing());
    EXPECT_TRUE(form->contactsTable());
    EXPECT_TRUE(form->memberListView());
    EXPECT_EQ(form->trackingCategory(), 1);
    EXPECT_EQ(form->addParticipantsRow()->labelText(), u"Add or remove members"_s);
    const QStringList empty{u"ADD A TOPIC IF YOU LIKE:"_s, u"\"\""_s,
                            u"WRITE YOUR FIRST MESSAGE:"_s, u"\"\""_s, u"<button>"_s};
    EXPECT_EQ(formRows(), empty);
    const int rowsBefore = form->membersTable()->numberOfRows();

    form->topic()->textView()->setText(u"Launch"_s);
    pickBeaAndCal();
    EXPECT_EQ(form->membersTable()->numberOfRows(), rowsBefore + 2);
    const auto last = form->membersTable()->cellForRow(rowsBefore + 1);
    EXPECT_EQ(last, form->createConvButton()) << "the button stays the last row";
    EXPECT_EQ(formRows()[1], u"\"Launch\""_s);
}

// The picker leaves the form a strip at the bottom, where a finger reaches the topic; editing a
// field gives the form the room below the search field, its header at the top above the keyboard.
TEST_F(NewConversationTest, TheFormStaysWithinReachOfTheFinger) {
    const auto keyboard = std::make_shared<platform::FakeKeyboard>();
    platform::Keyboard::setShared(keyboard);
    startFromInbox();
    pickBeaAndCal();
    const auto table = form->membersTable()->tableView();
    const auto picker = form->contactsTable()->view();
    const QRectF bounds = form->view()->bounds();
    EXPECT_DOUBLE_EQ(picker->frame().bottom(), table->frame().top());
    EXPECT_DOUBLE_EQ(table->frame().bottom(), bounds.bottom());
    EXPECT_GT(picker->frame().height(), table->frame().height()) << "the picker keeps most room";

    const auto& field = *form->topic()->textView();
    const QPointF center = field.convertPointTo(field.bounds().center(), nullptr);
    platform::View* hit = globals().window()->hitTest(center, nullptr);
    bool onField = false;
    for (platform::View* at = hit; at && !onField; at = at->superview()) {
        onField = at == &field;
    }
    EXPECT_TRUE(onField) << "the topic is not under the picker";

    type(form->topic(), u"Launch"_s);
    settle();
    EXPECT_TRUE(form->isFormExpanded());
    EXPECT_DOUBLE_EQ(table->frame().top(), form->searchBar()->frame().bottom());
    const qreal header =
        table->rectForRowAtIndexPath({0, table->numberOfRowsInSection(0) - 5}).top();
    const qreal end = table->contentSize().height() - table->frame().height() + keyboard->height();
    EXPECT_DOUBLE_EQ(table->contentOffset().y(), std::min(header, end));

    table->endEditing(true);
    settle();
    EXPECT_FALSE(form->isFormExpanded());
    EXPECT_DOUBLE_EQ(picker->frame().bottom(), table->frame().top());

    // A layout pass keeps where the user scrolled the strip.
    table->setContentOffset(QPointF(0, 0));
    form->view()->setNeedsLayout();
    globals().window()->updateNow();
    EXPECT_EQ(table->contentOffset().y(), 0);
    platform::Keyboard::setShared(nullptr);
}

// The button follows the first message's text; the title follows the topic as soon as its edit
// ends, before the conversation exists.
TEST_F(NewConversationTest, TheButtonNeedsAMessageAndTheTitleFollowsTheTopic) {
    startFromInbox();
    const auto& button = form->createConvButton()->button();
    EXPECT_FALSE(button->isEnabled());
    type(form->message(), u"H"_s);
    EXPECT_TRUE(button->isEnabled());
    form->message()->textView()->setText(QString());
    form->membersTable()->textViewDidChange(*form->message()->textView());
    EXPECT_FALSE(button->isEnabled());

    type(form->topic(), u"Launch"_s);
    EXPECT_NE(form->title(), u"Launch"_s);
    form->membersTable()->tableView()->endEditing(true);
    EXPECT_EQ(form->title(), u"Launch"_s);
    EXPECT_EQ(form->conversation()->topicText(), u"Launch"_s);
    EXPECT_EQ(emulator.requestCount(kNewConversationCreatePath), 0);
}

// Two people, a topic and a first message: one create without the topic, then the message and the
// topic to the created conversation, which opens. A failed create first keeps everything typed.
TEST_F(NewConversationTest, CreatesThenSendsTheTopicAndTheFirstMessage) {
    startFromInbox();
    pickBeaAndCal();
    type(form->topic(), u"Launch"_s);
    type(form->message(), u"Hello both"_s);

    emulator.injectFault(kNewConversationCreatePath, zvemu::Fault::withStatus(500));
    form->createConvButton()->button()->sendActionsForEvents(platform::Control::TouchUpInside);
    ASSERT_TRUE(modeltest::runQueueUntil(
        [&] { return answered(kNewConversationCreatePath) == 1 && !form->isCreating(); }));
    settle();
    EXPECT_TRUE(form->isEditing());
    EXPECT_TRUE(form->conversation()->isNewConversation());
    EXPECT_EQ(form->topic()->textView()->text(), u"Launch"_s);
    EXPECT_EQ(form->message()->textView()->text(), u"Hello both"_s);
    EXPECT_EQ(form->conversation()->sortedMembers()->count(), 3);
    EXPECT_TRUE(pagesOpened.empty());

    // Pressed twice while the service works: one conversation.
    form->createConvButton()->button()->sendActionsForEvents(platform::Control::TouchUpInside);
    form->commitEdit();
    ASSERT_TRUE(modeltest::runQueueUntil([&] { return !pagesOpened.empty(); }));
    const auto creates = emulator.requests(kNewConversationCreatePath);
    ASSERT_EQ(creates.size(), 2);
    const QJsonObject body = creates[1].body;
    EXPECT_FALSE(body.contains(u"topic"_s));
    QStringList invited;
    for (const auto& id : body.value(u"account_ids"_s).toArray()) {
        invited << id.toString();
    }
    invited.sort();
    QStringList expected{bea, cal};
    expected.sort();
    EXPECT_EQ(invited, expected);

    const QString created = pagesOpened.back().conversationId;
    EXPECT_NE(created, u"new"_s);
    EXPECT_FALSE(openedOverPresented.back());
    ASSERT_TRUE(modeltest::runQueueUntil([&] {
        return answered(u"message/store/"_s + created) == 1 &&
               answered(u"conversation/store/"_s + created) == 1;
    }));
    EXPECT_EQ(emulator.requests(u"message/store/"_s + created)[0].body.value(u"message"_s),
              u"Hello both"_s);
    EXPECT_EQ(emulator.requests(u"conversation/store/"_s + created)[0].body.value(u"topic"_s),
              u"Launch"_s);
    EXPECT_EQ(anna->conversationFromId(created)->topic(), u"Launch"_s);
    EXPECT_EQ(emulator.requestCount(kNewConversationCreatePath), 2);
}

// From the forward picker the created conversation opens only once the picker has gone; without a
// topic or message only the create is sent.
TEST_F(NewConversationTest, FromThePickerItOpensAfterThePickerHasGone) {
    AnalyticsCapture reports;
    ASSERT_TRUE(reports.started());
    startFromPicker();
    pickBeaAndCal();
    form->commitEdit();
    ASSERT_TRUE(modeltest::runQueueUntil([&] { return !pagesOpened.empty(); }));
    settle();
    EXPECT_EQ(openedOverPresented, std::vector<bool>{false});
    EXPECT_FALSE(left()->presentedViewController());
    const QString created = pagesOpened.back().conversationId;
    EXPECT_EQ(answered(u"message/store/"_s + created), 0);
    EXPECT_EQ(answered(u"conversation/store/"_s + created), 0);
    EXPECT_EQ(reports.events(1).join(u'\n').toStdString(),
              "Create conversation screen / Create conversation / ");
}

// On a tablet the inbox side goes back to its root, and the conversation opens on the other side.
TEST_F(NewConversationTest, OnATabletTheInboxSideGoesBackToItsRoot) {
    start(true);
    ASSERT_NE(left(), globals().rightNavigationController());
    startFromInbox();
    ASSERT_EQ(left()->viewControllers().size(), 2u);
    pickBeaAndCal();
    form->commitEdit();
    ASSERT_TRUE(modeltest::runQueueUntil([&] { return !pagesOpened.empty(); }));
    settle();
    EXPECT_EQ(left()->viewControllers().size(), 1u);
    EXPECT_NE(pagesOpened.back().conversationId, u"new"_s);
}

// Cancel leaves the screen the way it came (the picker stays), and the picks stay with the unsaved
// conversation.
TEST_F(NewConversationTest, CancelPopsOrDismissesTheScreenOnly) {
    startFromInbox();
    pickBeaAndCal();
    const auto depth = left()->viewControllers().size();
    form->cancelEdit();
    settle();
    EXPECT_EQ(left()->viewControllers().size(), depth - 1);
    EXPECT_EQ(anna->newConversation()->sortedMembers()->count(), 3);

    startFromPicker();
    form->cancelEdit();
    settle();
    EXPECT_FALSE(picker->presentedViewController());
    EXPECT_EQ(left()->presentedViewController(), picker);
    EXPECT_EQ(emulator.requestCount(kNewConversationCreatePath), 0);
    EXPECT_TRUE(pagesOpened.empty());
}

}  // namespace
