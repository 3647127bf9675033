#pragma once

#include "MessageEditor/ZVMessageEditor.h"
#include "tests/app/ShellTestSupport.h"

#include "MessageEditor/ZVAutoCompletePicker.h"
#include "MessageEditor/ZVClipboardMessage.h"
#include "MessageEditor/ZVClipboardMessageView.h"
#include "MessageEditor/ZVEmoticonPicker.h"
#include "MessageFlow/screen/ZVConversationComposer.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/markup/ZVMarkupEncoder.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVMember.h"
#include "platform/foundation/Application.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/standins/FakeWebPage.h"
#include "platform/ui/standins/input/FakeKeyboard.h"
#include "platform/ui/standins/input/Pasteboard.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/text/TextFrame.h"
#include "platform/ui/view/Window.h"
#include "tests/ZelvoKit/model/RepositoryTestSupport.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/alerts/ZVActionMenuButton.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/alerts/ZVAlertViewManager.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/tables/ZVTextView.h"

#include <QtCore/QFile>
#include <QtCore/QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

namespace editortest {

using namespace Qt::Literals::StringLiterals;

inline const QString kEditorAnna = u"anna.editor@example.org"_s;
inline const QString kEditorBen = u"ben.editor@example.org"_s;
inline const QString kEditorFoxId = u"5c0ffee0-2b3f-4e5a-8c6d-9e0f1a2b3c4d"_s;
inline constexpr qreal kEditorWindowWidth = 375;

// The editor of a conversation of Anna and Ben, signed in as Anna on the loopback service, docked
// at the bottom of a phone window and resized as the conversation screen resizes it.
class MessageEditorTest : public shelltest::ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        platform::Keyboard::setShared(std::make_shared<platform::FakeKeyboard>());
        platform::WebPage::setFactory([] { return std::make_shared<platform::FakeWebPage>(); });
        launch();
        session = signIn(kEditorAnna);
        ASSERT_TRUE(session);
        conversationId = addConversation(u"Editor plans"_s, false);
        otherId = addConversation(u"Elsewhere"_s, false);
        conversation = session->conversationFromId(conversationId);
        ASSERT_TRUE(conversation);
        ZVAlertViewManager::alertViewManager().setKeyWindow(window);
        window->setRootView(root);
    }
    void TearDown() override {
        closeEditor();
        platform::WebPage::setFactory({});
        ShellTest::TearDown();
    }

    // A conversation of Anna and Ben where Anna may post, in Anna's stream.
    QString addConversation(const QString& topic, bool emailSubject) {
        const QString id =
            emulator.addConversation(topic, {account(kEditorAnna), account(kEditorBen)});
        QJsonObject record = *emulator.conversationRecord(id);
        record.insert(u"can_post"_s, true);
        if (emailSubject) {
            record.insert(u"has_email_subject"_s, true);
        }
        emulator.appendEvent(account(kEditorAnna), record);
        EXPECT_TRUE(waitForStreamEnd(session));
        return id;
    }

    // The editor docked at the bottom of the window, resized as the conversation screen does.
    std::shared_ptr<ZVMessageEditor> openEditor() {
        closeEditor();
        editor = ZVMessageEditor::make(conversation, nullptr);
        root->addSubview(editor);
        place();
        heightObservation = editor->observe(ZVMessageEditor::kRequestedHeightKey,
                                            [this](const QString&) { place(); });
        return editor;
    }
    void closeEditor() {
        heightObservation = {};
        if (editor) {
            editor->removeFromSuperview();
            editor.reset();
        }
    }
    void place() {
        const qreal height = editor->requestedHeight();
        editor->setFrame(QRectF(0, window->bounds().height() - height, kEditorWindowWidth, height));
    }

    void type(const QString& text) {
        for (const QChar c : text) {
            if (c == u'\n') {
                window->sendKey({Qt::Key_Return, Qt::NoModifier, u"\r"_s});
            } else {
                window->sendKey({0, Qt::NoModifier, QString(c)});
            }
        }
    }
    void controlReturn() { window->sendKey({Qt::Key_Return, Qt::ControlModifier, u"\r"_s}); }
    // Lets the deferred suggestion and subject steps run.
    void settle() {
        scheduler().advance(ZVMessageEditor::kDeferDelay * 2);
        window->updateNow();
    }

    // Waits until `done`: queued requests go out on the virtual clock, answers come in real
    // time, so the clock moves only while no request but the long poll is out.
    bool settleRequests(const std::function<bool()>& done) {
        constexpr int kMaxSteps = 600;
        const auto inFlight = [] {
            const auto pending = api().requestsWithTag(0, nullptr);
            return std::any_of(pending.begin(), pending.end(), [](const auto& request) {
                return request->tag() != ZVApiRequest::TagLongPoll;
            });
        };
        for (int step = 0; step < kMaxSteps; ++step) {
            if (done()) {
                return true;
            }
            if (inFlight()) {
                if (!scheduler().runUntil([&] { return done() || !inFlight(); })) {
                    return false;
                }
            } else {
                scheduler().advance(ZVApi::kQueueSendDelay);
            }
        }
        return done();
    }

    QString storePath() const { return u"message/store/"_s + conversationId; }
    // Waits for the n-th store request of the conversation and returns its body.
    QJsonObject nthStore(int n) {
        EXPECT_TRUE(settleRequests([&] { return emulator.requestCount(storePath()) >= n; }));
        const auto stores = emulator.requests(storePath());
        return stores.size() >= n ? stores[n - 1].body : QJsonObject();
    }

    // A message from Fox in the conversation with its subject: an HTML e-mail unless `html` is
    // false.
    std::shared_ptr<Message> mail(std::int64_t nr, const QString& subject, bool html = true) {
        QJsonObject fields{{u"conversation_id"_s, conversationId},
                           {u"message_nr"_s, qint64(nr)},
                           {u"mk_message_type"_s, u"text"_s},
                           {u"message"_s, u"<msg>plain form</msg>"_s},
                           {u"subject"_s, subject},
                           {u"account_id"_s, kEditorFoxId},
                           {u"posted_time"_s, qint64(scheduler().now()) - 3600}};
        if (html) {
            fields.insert(u"html_email_data"_s,
                          QJsonObject{{u"cleaned_html"_s, u"<p>Hello</p>"_s}});
        }
        emulator.appendEvent(account(kEditorAnna), modeltest::streamRecord(u"message"_s, fields));
        EXPECT_TRUE(waitForStreamEnd(session));
        auto made = session->messageFromKey(conversationId, nr);
        EXPECT_TRUE(made);
        if (made && !made->conversation()) {
            made->setConversation(conversation);
        }
        return made;
    }

    std::shared_ptr<ZVRepositorySession> session;
    QString conversationId;
    QString otherId;
    std::shared_ptr<Conversation> conversation;
    std::shared_ptr<platform::Window> window = platform::Window::make();
    std::shared_ptr<platform::View> root = platform::View::make(window->bounds());
    std::shared_ptr<ZVMessageEditor> editor;
    platform::Observation heightObservation;
};

}  // namespace editortest
