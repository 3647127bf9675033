#include "platform/ui/host/WindowHost.h"
#include "tests/accounts/signin/LoginScreenTestSupport.h"
#include "tests/platform/ui/RealWindowSupport.h"

#include <QtCore/QCoreApplication>
#include <QtGui/QKeyEvent>
#include <QtGui/QWindow>

using namespace Qt::StringLiterals;

namespace signintest {
namespace {

// The sign-in screen in a window of the window system: run again in a real X window on a virtual X
// server, where the keys go through the X server's event queue.
class SignInWindowTest : public LoginScreenTest, protected RealWindowSupport {};

TEST_F(SignInWindowTest, TypedCredentialsAndReturnSignIn) {
    account(u"ann@example.com"_s);
    start();
    platform::WindowHost host(window);
    ASSERT_TRUE(showAndWaitUntilExposed(host));
    screen().signIn();
    settle();
    ASSERT_TRUE(screen().email()->textField()->isFirstResponder());

    QWindow* handle = host.windowHandle();
    int posted = 0;
    const auto press = [&](int key, const QString& text) {
        QCoreApplication::postEvent(handle,
                                    new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
        QCoreApplication::postEvent(handle,
                                    new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
        ++posted;
    };
    for (const QChar c : u"ann@example.com"_s) {
        press(0, QString(c));
    }
    press(Qt::Key_Return, u"\r"_s);
    ASSERT_TRUE(
        scheduler().runUntil([&] { return screen().password()->textField()->isFirstResponder(); },
                             kWindowSystemTimeoutMs))
        << "Return moves to the next field";
    for (const QChar c : kPassword) {
        press(0, QString(c));
    }
    ASSERT_TRUE(scheduler().runUntil([&] { return text(screen().password()) == kPassword; },
                                     kWindowSystemTimeoutMs));
    // The button is checked a moment after the last edit.
    settle();
    press(Qt::Key_Return, u"\r"_s);
    ASSERT_TRUE(waitFor([] { return ZVApi::api().loginStatus() == ZVApi::LoginStatusSignedIn; }));
    EXPECT_EQ(emulator.requestCount(u"account/login"_s), 1);
    EXPECT_EQ(emulator.lastRequest(u"account/login"_s)->body.value(u"email"_s),
              u"ann@example.com"_s);
    EXPECT_GT(posted, 0);
}

}  // namespace
}  // namespace signintest
