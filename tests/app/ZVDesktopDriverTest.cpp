#include "tests/app/ShellTestSupport.h"

#include "app/shell/ZVControlSocket.h"
#include "app/shell/ZVDesktopDriver.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Paths.h"
#include "tests/support/FileModes.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QEvent>
#include <QtCore/QFile>
#include <QtWidgets/QWidget>

using namespace Qt::StringLiterals;
using platform::ApplicationState;

namespace shelltest {
namespace {

class ZVDesktopDriverTest : public ShellTest {
protected:
    QString perform(const QString& line) {
        QString reply;
        control.perform(line, [&](const QString& answer) { reply = answer; });
        scheduler().runUntil([&] { return !reply.isNull(); });
        return reply;
    }

    ZVControlSocket control{[this](const QString& url) { return delegate_->handleURL(url); }};
};

TEST_F(ZVDesktopDriverTest, MinimisedWindowsSyncInTheBackgroundAndComeBackActive) {
    launch();
    ZVDesktopDriver driver;
    QWidget window;
    driver.watch(&window);
    window.show();
    EXPECT_EQ(app().state(), ApplicationState::Active);

    // Focus alone changes nothing.
    QEvent focusOut(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(&window, &focusOut);
    EXPECT_EQ(app().state(), ApplicationState::Active);

    const auto anna = signIn(kAnna);
    ASSERT_TRUE(anna);
    ASSERT_TRUE(scheduler().runUntil([&] { return emulator.heldCount() >= 1; }));
    window.showMinimized();
    EXPECT_EQ(app().state(), ApplicationState::Background);
    emulator.releaseHeld();
    ASSERT_TRUE(scheduler().runUntil([&] { return api().pendingRequests().empty(); }));

    // The fetch at the minimum interval.
    const int polls = emulator.requestCount(u"account/poll"_s);
    scheduler().advance(ZVGlobals::kMinimumBackgroundFetchInterval);
    EXPECT_TRUE(
        scheduler().runUntil([&] { return emulator.requestCount(u"account/poll"_s) > polls; }));

    window.showNormal();
    EXPECT_EQ(app().state(), ApplicationState::Active);
}

TEST_F(ZVDesktopDriverTest, PushTokensAreOneOwnerOnlyTokenPerInstallation) {
    launch();
    ZVDesktopDriver driver;
    const QByteArray token = ZVDesktopDriver::pushToken();
    EXPECT_EQ(token.size(), ZVDesktopDriver::kPushTokenSize);
    EXPECT_EQ(ZVDesktopDriver::pushToken(), token);
    EXPECT_EQ(zvtest::fileMode(platform::Paths::privateDataDirectory() + u"/push-token"_s), 0600);

    // A registration is answered on the next turn; signed in, the token reaches the service.
    ASSERT_TRUE(signIn(kAnna));
    const int before = emulator.requestCount();
    app().registerForRemoteNotifications();
    EXPECT_EQ(emulator.requestCount(), before);
    EXPECT_TRUE(scheduler().runUntil([&] { return emulator.requestCount() > before; }));
}

TEST_F(ZVDesktopDriverTest, ControlLinesReachTheApplication) {
    launch();
    EXPECT_EQ(perform(u"fetch"_s), u"ok 1"_s) << "signed out: no data";
    EXPECT_EQ(perform(u"memory-warning"_s), u"ok"_s);
    EXPECT_EQ(perform(u"open-url zelvo:?confirm"_s), u"error not handled"_s);
    EXPECT_EQ(perform(u"open-url"_s), u"error open-url needs a URL"_s);
    EXPECT_TRUE(perform(u"push {not json"_s).startsWith(u"error the push is no JSON object"_s));
    EXPECT_EQ(perform(u"launch-rockets"_s), u"error unknown command: launch-rockets"_s);

    const auto anna = signIn(kAnna);
    ASSERT_TRUE(anna);
    ASSERT_TRUE(waitForStreamEnd(anna));
    const QString conversation = emulator.addConversation(u"plans"_s, {account(kAnna)});
    emulator.appendEvent(account(kAnna), *emulator.conversationRecord(conversation));
    ASSERT_TRUE(waitForStreamEnd(anna));

    // Not tapped: the active application opens nothing.
    const QString push = u"push {\"zelvo\":{\"conversation_id\":\"%1\"}}"_s.arg(conversation);
    perform(push);
    EXPECT_TRUE(pagesOpened.empty());
    // Tapped: through the background and back, the conversation opens.
    perform(push + u" --tapped"_s);
    EXPECT_EQ(app().state(), ApplicationState::Active);
    ASSERT_EQ(pagesOpened.size(), 1u);
    EXPECT_EQ(pagesOpened[0].conversationId, conversation);
}

}  // namespace
}  // namespace shelltest
