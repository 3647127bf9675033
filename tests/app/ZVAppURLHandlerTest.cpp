#include "tests/app/ShellTestSupport.h"

#include "tests/support/TestEnvironment.h"

#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/File.h"
#include "app/shell/ZVAppURLHandler.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/alerts/ZVAlertViewManager.h"

#include <QtCore/QFile>

using namespace Qt::StringLiterals;

namespace shelltest {
namespace {

const QString kJoin = u"conversation/autojoin"_s;

// Records what reaches the inbox.
class RecordingInbox : public ZVInboxScreen {
public:
    explicit RecordingInbox(std::unique_ptr<ZVInboxScreen> inner, std::shared_ptr<File>& pending)
        : inner_(std::move(inner)), pending_(pending) {}
    std::shared_ptr<platform::ViewController> viewController() override {
        return inner_->viewController();
    }
    void setSession(const std::shared_ptr<ZVRepositorySession>&) override {}
    void setPendingFile(const std::shared_ptr<File>& file) override { pending_ = file; }
    void updateUnreadCount() override {}
    void releaseObservers() override {}

private:
    std::unique_ptr<ZVInboxScreen> inner_;
    std::shared_ptr<File>& pending_;
};

class ZVAppURLHandlerTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        const ZVAppServices defaults = ZVAppServices::shared();
        ZVAppServices::shared().makeInbox = [this, defaults] {
            return std::make_unique<RecordingInbox>(defaults.inbox(), pendingFile);
        };
        ZVAppServices::shared().showContactProfile = [this](const auto& contact, auto*) {
            profiles << (contact ? contact->accountId() : QString());
        };
        ZVAppURLHandler::setSystemOpener([this](const QString& url) {
            system << url;
            return true;
        });
        launch();
    }
    void TearDown() override {
        // Before its account's store goes.
        pendingFile.reset();
        ZVAppURLHandler::setSystemOpener(nullptr);
        ShellTest::TearDown();
    }
    static bool open(const QString& url) { return ZVURLHandler::handler().handle(url); }
    std::optional<QString> joinKeyAsked(int calls) {
        if (!scheduler().runUntil([&] { return emulator.requestCount(kJoin) >= calls; })) {
            return std::nullopt;
        }
        return emulator.lastRequest(kJoin)->body.value(u"conv_url_key"_s).toString();
    }
    static QString alertTitle() {
        const auto alert = ZVAlertViewManager::alertViewManager().currentAlertView();
        return alert ? alert->title() : QString();
    }

    QStringList system;
    QStringList profiles;
    std::shared_ptr<File> pendingFile;
};

TEST_F(ZVAppURLHandlerTest, SignedOutOnlyAConfirmationLinkWorks) {
    const QString id = account(kAnna);
    EXPECT_FALSE(open(u"zelvo:"_s + ZVURLHandler::urlEncodeUUID(id)));
    EXPECT_FALSE(open(u"zelvo:?profile&account_id="_s + id));
    EXPECT_TRUE(profiles.isEmpty());
    EXPECT_EQ(emulator.requestCount(kJoin), 0);

    // The e-mailed link signs the account in.
    emulator.updateAccount(
        id, [](zvemu::Account& account) { account.notificationId = u"confirm-0451"_s; });
    EXPECT_TRUE(open(u"zelvo:?confirm&notification_id=confirm-0451"_s));
    ASSERT_TRUE(scheduler().runUntil([&] { return globals().isLoggedIn(); }));
    ASSERT_TRUE(globals().session());
    EXPECT_EQ(globals().session()->sessionId(), id);
}

TEST_F(ZVAppURLHandlerTest, ConversationLinksOpenOrJoin) {
    const auto anna = signIn(kAnna);
    ASSERT_TRUE(anna);
    ASSERT_TRUE(waitForStreamEnd(anna));
    const QString member = emulator.addConversation(u"member"_s, {account(kAnna)});
    const QString left = emulator.addConversation(u"left"_s, {account(kBen)});
    for (const QString& id : {member, left}) {
        emulator.appendEvent(account(kAnna), *emulator.conversationRecord(id));
    }
    ASSERT_TRUE(waitForStreamEnd(anna));

    EXPECT_TRUE(open(u"zelvo:"_s + ZVURLHandler::urlEncodeUUID(member)));
    EXPECT_EQ(globals().conversationId(), member);
    EXPECT_EQ(emulator.requestCount(kJoin), 0);

    // Known here but left: opened, and joined by the link's key.
    const QString leftKey = ZVURLHandler::urlEncodeUUID(left);
    EXPECT_FALSE(open(u"zelvo://"_s + leftKey));
    EXPECT_EQ(globals().conversationId(), left);
    EXPECT_EQ(joinKeyAsked(1), leftKey);

    // Not known here: the key goes as written, case and all.
    const QString other =
        emulator.addConversation(u"other"_s, {account(kBen)}, u"Key_Mixed-Case"_s);
    EXPECT_FALSE(open(u"zelvo://Key_Mixed-Case"_s));
    EXPECT_EQ(joinKeyAsked(2), u"Key_Mixed-Case"_s);
    // Joined: the conversation the service names opens.
    EXPECT_TRUE(scheduler().runUntil([&] { return globals().conversationId() == other; }));

    // A refused join is shown.
    EXPECT_FALSE(open(u"zelvo:NoSuchKey"_s));
    EXPECT_EQ(joinKeyAsked(3), u"NoSuchKey"_s);
    ASSERT_TRUE(scheduler().runUntil([&] { return !alertTitle().isEmpty(); }));
    EXPECT_EQ(alertTitle(), u"Unable to join"_s);
}

TEST_F(ZVAppURLHandlerTest, ProfilesPhonesFilesAndTheRest) {
    const auto anna = signIn(kAnna);
    ASSERT_TRUE(anna);
    const QString ben = account(kBen);
    EXPECT_TRUE(open(u"zelvo:?profile&account_id="_s + ben));
    EXPECT_EQ(profiles, QStringList{ben});
    EXPECT_FALSE(open(u"zelvo:?profile"_s));

    EXPECT_TRUE(open(u"tel://+1(555)#2"_s));
    EXPECT_EQ(alertTitle(), u"Call"_s);
    EXPECT_EQ(ZVAlertViewManager::alertViewManager().currentAlertView()->message(), u"+1(555)#2"_s);
    EXPECT_TRUE(system.isEmpty()) << "a call waits for the user's yes";

    for (const QString& url : {u"https://example.com/a"_s, u"Zelvo:abc"_s, u"mailto:a@b.c"_s}) {
        EXPECT_TRUE(open(url));
    }
    EXPECT_EQ(system, (QStringList{u"https://example.com/a"_s, u"Zelvo:abc"_s, u"mailto:a@b.c"_s}));

    // A document handed over becomes the inbox's pending file.
    const QString path = zvtest::makeTempDir() + u"/notes.txt"_s;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("notes");
    file.close();
    EXPECT_TRUE(open(QUrl::fromLocalFile(path).toString()));
    ASSERT_TRUE(scheduler().runUntil([&] { return pendingFile != nullptr; }));
    // Its upload ends before the account's store goes.
    ASSERT_TRUE(
        scheduler().runUntil([&] { return pendingFile->status() == File::Status::OnService; }));
}

}  // namespace
}  // namespace shelltest
