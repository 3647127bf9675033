#include "MessageFlow/menus/ZVShowEmailViewController.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/support/url/ZVURLHandler.h"
#include "app/shell/ZVAppURLHandler.h"
#include "platform/foundation/Scheduler.h"
#include "tests/ZelvoKit/model/RepositoryTestSupport.h"
#include "toolkit/richtext/email/ZVEmailPage.h"

#include <QtCore/QJsonArray>

#include <optional>
#include <vector>

namespace {

using namespace Qt::Literals::StringLiterals;

constexpr int kEmailPageTimeoutMs = 30000;

// Writes down the outside links it is asked to open.
class RecordingURLHandler : public ZVURLHandler {
public:
    static std::vector<QString>& opened() {
        static std::vector<QString> urls;
        return urls;
    }
    bool handleSystemUrl(const QString& url) override {
        opened().push_back(url);
        return true;
    }
};

// E-mail messages of a conversation of the signed-in account, whose API base is the loopback
// service's.
class ShowEmailViewTest : public modeltest::SignedInTest {
protected:
    void SetUp() override {
        SignedInTest::SetUp();
        RecordingURLHandler::opened().clear();
        ZVURLHandler::setUrlHandlerClass([] { return std::make_unique<RecordingURLHandler>(); });
        const QString conversationId =
            emulator.addConversation(u"Plans"_s, {session_->sessionId()});
        emulator.appendEvent(session_->sessionId(), *emulator.conversationRecord(conversationId));
        ASSERT_TRUE(waitForStreamEnd(session_));
        conversation_ = session_->conversationFromId(conversationId);
    }
    void TearDown() override {
        ZVURLHandler::setUrlHandlerClass([] { return std::make_unique<ZVAppURLHandler>(); });
        SignedInTest::TearDown();
    }

    std::shared_ptr<Message> email(std::int64_t nr, const QString& subject, const QString& html) {
        QJsonObject record = modeltest::streamRecord(
            u"message"_s, {{u"conversation_id"_s, conversation_->conversationId()},
                           {u"message_nr"_s, qint64(nr)},
                           {u"account_id"_s, session_->sessionId()},
                           {u"mk_message_type"_s, u"text"_s},
                           {u"message"_s, u"<msg>mail</msg>"_s},
                           {u"html_email_data"_s, QJsonObject{{u"cleaned_html"_s, html}}}});
        if (!subject.isNull()) {
            record.insert(u"subject"_s, subject);
        }
        EXPECT_TRUE(deliver(session_, {record}));
        return session_->messageFromKey(conversation_->conversationId(), nr);
    }
    static bool waitFor(const std::function<bool()>& done) {
        return scheduler().runUntil(done, kEmailPageTimeoutMs);
    }
    static QVariant evaluate(ZVShowEmailViewController& screen, const QString& script) {
        std::optional<QVariant> result;
        screen.emailPage()->webView()->evaluateScript(
            script, [&](const QVariant& value) { result = value; });
        EXPECT_TRUE(waitFor([&] { return result.has_value(); })) << script.toStdString();
        return result.value_or(QVariant());
    }

    std::shared_ptr<Conversation> conversation_;
};

TEST_F(ShowEmailViewTest, TheTitleIsTheSubjectElseTheTopic) {
    const auto withSubject = email(1, u"Quarterly report"_s, u"<p>1</p>"_s);
    const auto withoutSubject = email(2, QString(), u"<p>2</p>"_s);
    ASSERT_TRUE(withSubject && withoutSubject);
    EXPECT_EQ(ZVShowEmailViewController(withSubject).title(), u"Quarterly report"_s);
    EXPECT_EQ(ZVShowEmailViewController(withoutSubject).title(), u"Plans"_s);
}

// The body shows on the screen's own view: relative images resolve against the service, the
// body's script and its refresh tag do nothing, and a tapped link goes to the application's URL
// handling while the mail stays.
TEST_F(ShowEmailViewTest, TheMailShowsWithTheEmailPagesPolicy) {
    const QString away =
        emulator.storeFile(u"away.html"_s, "<p>elsewhere</p>",
                           zvemu::ServiceEmulator::Access::Public, "text/html; charset=utf-8");
    const auto message = email(
        1, u"News"_s,
        u"<meta http-equiv=\"refresh\" content=\"0; url=%1\">"
        u"<p id=\"p\">Hello</p><a id=\"l\" href=\"conversation/abc\">open</a>"
        u"<script>document.getElementById('p').textContent = 'script ran';</script>"_s.arg(away));
    ASSERT_TRUE(message);
    const auto screen = std::make_shared<ZVShowEmailViewController>(message);
    EXPECT_EQ(screen->view(), screen->emailPage()->webView());
    ASSERT_TRUE(waitFor([&] { return screen->emailPage()->isLoaded(); }));
    const QUrl base(emulator.baseUrl());
    EXPECT_EQ(screen->emailPage()->webView()->url(), base);
    EXPECT_EQ(evaluate(*screen, u"document.getElementById('p').textContent"_s).toString(),
              u"Hello"_s);

    evaluate(*screen, u"document.getElementById('l').click()"_s);
    const QString target = base.resolved(QUrl(u"conversation/abc"_s)).toString();
    ASSERT_TRUE(waitFor([] { return !RecordingURLHandler::opened().empty(); }));
    EXPECT_EQ(RecordingURLHandler::opened(), std::vector<QString>{target});
    EXPECT_EQ(evaluate(*screen, u"document.body.innerText"_s).toString().left(5), u"Hello"_s);
    EXPECT_EQ(screen->emailPage()->webView()->url(), base);
    EXPECT_EQ(emulator.requestCount(QUrl(away).path()), 0);
}

}  // namespace
