#include "MessageEditor/ZVClipboardMessageView.h"

#include "tests/app/ShellTestSupport.h"

#include "MessageEditor/ZVSmallMemberCell.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVMember.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/standins/FakeWebPage.h"
#include "platform/ui/view/Window.h"
#include "tests/ZelvoKit/model/RepositoryTestSupport.h"
#include "toolkit/richtext/email/ZVEmailPage.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

#include <QtCore/QJsonObject>

namespace {

using namespace Qt::Literals::StringLiterals;
using shelltest::kAnna;

const QString kFoxId = u"7a1e0c4d-2b3f-4e5a-8c6d-9e0f1a2b3c4d"_s;

class ClipboardMessageViewTest : public shelltest::ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        platform::WebPage::setFactory([] { return std::make_shared<platform::FakeWebPage>(); });
        launch();
        session = signIn(kAnna);
        ASSERT_TRUE(session);
        conversationId = emulator.addConversation(u"Quarterly plans"_s, {account(kAnna)});
        emulator.appendEvent(account(kAnna), *emulator.conversationRecord(conversationId));
        emulator.appendEvent(
            account(kAnna),
            modeltest::streamRecord(u"contact"_s, {{u"account_id"_s, kFoxId},
                                                   {u"display_name"_s, u"Fox Mulder"_s},
                                                   {u"email"_s, u"fox@example.org"_s}}));
        ASSERT_TRUE(waitForStreamEnd(session));
    }
    void TearDown() override {
        platform::WebPage::setFactory({});
        ShellTest::TearDown();
    }

    // An HTML e-mail from Fox in the conversation.
    std::shared_ptr<Message> mail(std::int64_t nr, const QString& subject) {
        QJsonObject fields{
            {u"conversation_id"_s, conversationId},
            {u"message_nr"_s, qint64(nr)},
            {u"mk_message_type"_s, u"text"_s},
            {u"message"_s, u"<msg>plain form</msg>"_s},
            {u"account_id"_s, kFoxId},
            {u"posted_time"_s, qint64(scheduler().now()) - 3600},
            {u"html_email_data"_s,
             QJsonObject{{u"cleaned_html"_s, u"<p>Quarter <a href=\"x\">x</a></p>"_s}}}};
        if (!subject.isNull()) {
            fields.insert(u"subject"_s, subject);
        }
        emulator.appendEvent(account(kAnna), modeltest::streamRecord(u"message"_s, fields));
        EXPECT_TRUE(waitForStreamEnd(session));
        auto made = session->messageFromKey(conversationId, nr);
        EXPECT_TRUE(made);
        if (made && !made->conversation()) {
            made->setConversation(session->conversationFromId(conversationId));
        }
        return made;
    }
    void tap(const std::shared_ptr<platform::View>& view) {
        const auto window = globals().window();
        window->updateNow();
        const QPointF at = view->convertPointTo(view->bounds().center(), nullptr);
        window->sendTouch(1, platform::TouchPhase::Began, at);
        EXPECT_EQ(view->backgroundColor(), QColor::fromRgbF(0.9, 0.9, 0.9, 1));
        window->sendTouch(1, platform::TouchPhase::Ended, at);
        EXPECT_EQ(view->backgroundColor(), QColor(Qt::white));
    }

    std::shared_ptr<ZVRepositorySession> session;
    QString conversationId;
};

TEST_F(ClipboardMessageViewTest, TheCardShowsTheMailAndATapOpensItInAPage) {
    const auto forwarded = mail(40, u"Budget"_s);
    ASSERT_TRUE(forwarded && forwarded->isOfType(Message::TypeHtmlEmail));
    const auto card = platform::View::make<ZVClipboardMessageView>(forwarded);
    EXPECT_EQ(card->subjectLabel()->text(), u"Budget"_s);
    EXPECT_EQ(card->senderLabel()->text(), u"Fox Mulder - fox@example.org"_s);
    EXPECT_FALSE(card->timestampLabel()->text().isEmpty());
    EXPECT_EQ(card->frame().height(), card->iconView()->frame().height() + 10);
    EXPECT_GT(card->iconView()->frame().height(), 0);

    // As the editor holds it: widened, at the bottom of the window.
    const auto navigation = globals().rightNavigationController();
    ASSERT_TRUE(navigation);
    const auto host = navigation->topViewController()->view();
    host->addSubview(card);
    card->setFrame(QRectF(0, 400, 320, card->frame().height()));
    card->layoutIfNeeded();
    const QRectF subject = card->subjectLabel()->frame();
    const QRectF time = card->timestampLabel()->frame();
    EXPECT_EQ(card->iconView()->frame().left(), 13);
    EXPECT_EQ(subject.left(), card->iconView()->frame().right() + 5);
    EXPECT_EQ(subject.top(), 5);
    EXPECT_EQ(time.bottom(), card->bounds().height() - 5);
    EXPECT_EQ(subject.right(), 320 - 13);
    // The card is tall enough for its three lines: none covers another.
    const QRectF sender = card->senderLabel()->frame();
    EXPECT_LE(subject.bottom(), sender.top());
    EXPECT_LE(sender.bottom(), time.top());

    const std::size_t depth = navigation->viewControllers().size();
    tap(card);
    // Shown only once the highlight had its moment.
    EXPECT_EQ(navigation->viewControllers().size(), depth);
    scheduler().advance(ZVClipboardMessageView::kShowDelay);
    ASSERT_EQ(navigation->viewControllers().size(), depth + 1);
    EXPECT_EQ(navigation->topViewController()->title(), u"Budget"_s);
    ASSERT_TRUE(card->emailPage());
    EXPECT_EQ(navigation->topViewController()->view(), card->emailPage()->webView());
    auto& page = dynamic_cast<platform::FakeWebPage&>(card->emailPage()->webView()->page());
    ASSERT_EQ(page.loads().size(), 1u);
    EXPECT_TRUE(page.loads()[0].html.contains(u"<p>Quarter <a href=\"x\">x</a></p>"_s));
    EXPECT_EQ(page.loads()[0].url, api().baseURL());
    EXPECT_FALSE(page.scriptsEnabled());
}

TEST_F(ClipboardMessageViewTest, AMailWithoutSubjectOpensTitledWithTheTopicAndCancelShowsNothing) {
    const auto card = platform::View::make<ZVClipboardMessageView>(mail(41, QString()));
    const auto navigation = globals().rightNavigationController();
    navigation->topViewController()->view()->addSubview(card);
    card->setFrame(QRectF(0, 400, 320, card->frame().height()));
    const std::size_t depth = navigation->viewControllers().size();

    // A touch the system takes back opens nothing.
    const QPointF at = card->convertPointTo(card->bounds().center(), nullptr);
    globals().window()->updateNow();
    globals().window()->sendTouch(1, platform::TouchPhase::Began, at);
    globals().window()->sendTouch(1, platform::TouchPhase::Cancelled, at);
    EXPECT_EQ(card->backgroundColor(), QColor(Qt::white));
    scheduler().advance(1);
    EXPECT_EQ(navigation->viewControllers().size(), depth);

    tap(card);
    scheduler().advance(ZVClipboardMessageView::kShowDelay);
    ASSERT_EQ(navigation->viewControllers().size(), depth + 1);
    EXPECT_EQ(navigation->topViewController()->title(), u"Quarterly plans"_s);
}

TEST_F(ClipboardMessageViewTest, AMemberRowShowsTheHandleAndTypesTheShortName) {
    const auto fox = ZVMember::withContact(session->contactFromId(kFoxId));
    ASSERT_TRUE(fox);
    fox->setUniqueShortName(u"fox"_s);
    ZVSmallMemberCell cell(platform::TableViewCell::Style::Default, u"member"_s);
    EXPECT_EQ(cell.style(), platform::TableViewCell::Style::Subtitle);
    ASSERT_TRUE(fox->matchString(u"Mul"_s));
    cell.setItem(QVariant::fromValue(fox));
    EXPECT_EQ(cell.textLabel()->text(), u"Fox Mulder"_s);
    // The matched part of the name is marked.
    EXPECT_GT(cell.textLabel()->attributedText().runs().size(), 1u);
    // Without a username the handle is the unique short name.
    EXPECT_EQ(cell.detailTextLabel()->text(), u"@fox"_s);
    EXPECT_EQ(cell.avatar()->contact(), fox->contact());
    EXPECT_EQ(cell.text(), u"fox "_s);

    cell.setFrame(QRectF(0, 0, 320, 42));
    cell.layoutIfNeeded();
    const QRectF avatar = cell.avatar()->frame();
    EXPECT_EQ(avatar.left(), 5);
    EXPECT_LT(avatar.right(), cell.textLabel()->frame().left());
    EXPECT_LT(cell.textLabel()->frame().right(), cell.detailTextLabel()->frame().left());
}

}  // namespace
