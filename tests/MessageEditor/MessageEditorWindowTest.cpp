#include "platform/ui/host/WindowHost.h"
#include "tests/MessageEditor/MessageEditorTestSupport.h"

#include <QtCore/QCoreApplication>
#include <QtGui/QInputMethodEvent>
#include <QtGui/QKeyEvent>
#include <QtGui/QWindow>

namespace editortest {
namespace {

// The composer in a window of the window system: run again in a real X window on a virtual X
// server, where the keys go through the window system's event queue.
class MessageEditorWindowTest : public MessageEditorTest {
protected:
    // Real events need real time: this bounds how long the window system may take, it times
    // nothing the code does.
    static constexpr int kWindowSystemTimeoutMs = 10000;
};

TEST_F(MessageEditorWindowTest, KeysAndInputMethodTextReachTheComposerAndTheSendKeyPosts) {
    openEditor();
    platform::WindowHost host(window);
    host.show();
    ASSERT_TRUE(scheduler().runUntil(
        [&] {
            window->updateNow();
            return host.windowHandle()->isExposed();
        },
        kWindowSystemTimeoutMs));
    ASSERT_TRUE(editor->focusComposer());

    QWindow* handle = host.windowHandle();
    const auto press = [&](int key, Qt::KeyboardModifiers modifiers, const QString& text) {
        QCoreApplication::postEvent(handle, new QKeyEvent(QEvent::KeyPress, key, modifiers, text));
        QCoreApplication::postEvent(handle,
                                    new QKeyEvent(QEvent::KeyRelease, key, modifiers, text));
    };
    for (const QChar c : u"Hi "_s) {
        press(0, Qt::NoModifier, QString(c));
    }
    // An input method composes a word, then commits it.
    QCoreApplication::postEvent(&host, new QInputMethodEvent(u"ni"_s, {}));
    auto* committed = new QInputMethodEvent();
    committed->setCommitString(u"\u4f60"_s);
    QCoreApplication::postEvent(&host, committed);
    ASSERT_TRUE(scheduler().runUntil([&] { return editor->text() == u"Hi \u4f60"_s; },
                                     kWindowSystemTimeoutMs))
        << editor->text().toStdString();
    EXPECT_TRUE(editor->sendButton()->isEnabled());

    // Control+Return sends what shows.
    press(Qt::Key_Return, Qt::ControlModifier, u"\r"_s);
    const QJsonObject body = nthStore(1);
    EXPECT_EQ(body.value(u"message"_s).toString(), u"Hi \u4f60"_s);
    EXPECT_EQ(editor->text(), u""_s);
}

}  // namespace
}  // namespace editortest
