#include "tests/MessageFlow/pages/side/SidePagesTestSupport.h"

#include "MessageEditor/ZVAutoCompletePicker.h"
#include "MessageEditor/ZVClipboardMessage.h"
#include "MessageEditor/ZVFlatMessageEditor.h"
#include "MessageEditor/ZVSmallMemberCell.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/ZVMember.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/alerts/ZVActionMenuButton.h"
#include "toolkit/alerts/ZVAlertViewManager.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/tables/ZVTextView.h"

#include <gtest/gtest.h>

#include <set>

namespace sidetest {
namespace {

const QString kStorePath = u"message/store/"_s + displaytest::kConversationId;

class FlatMessageEditor : public SidePagesTest {
protected:
    static bool dirty(const Message& message, Message::Field field) {
        return (message.uncommittedFields() & (1u << field)) != 0;
    }
    std::set<qint64> storedNumbers() const {
        std::set<qint64> numbers;
        for (const auto& request : emulator.requests(kStorePath)) {
            numbers.insert(request.body.value(u"message_nr"_s).toInteger());
        }
        return numbers;
    }
};

// The editor shows the message as the user wrote it: its quotes, its own subject, its files, and
// the pin colour for a pin.
TEST_F(FlatMessageEditor, IsFilledWithTheMessageAsWritten) {
    applyConversation({{u"topic"_s, u"Launch"_s}});
    const auto quoted = messageWithFiles(
        1, u"text"_s, uR"(<q><ql zvp="&gt; ">one</ql></q><br/>reply)"_s, 2, false,
        {{u"account_id"_s, self}, {u"subject"_s, u"Budget"_s}, {u"tags"_s, QJsonArray{u"pin"_s}}});
    const auto editor = ZVFlatMessageEditor::make(quoted);
    EXPECT_EQ(editor->text(), u"> one\nreply"_s);
    ASSERT_TRUE(editor->subject());
    EXPECT_EQ(editor->subject()->text(), u"Budget"_s);
    EXPECT_EQ(editor->files().size(), 2u);
    EXPECT_EQ(editor->backgroundColor(), platform::resolveColor(ZVColors::pin()));

    // A subject that only repeats the topic is none of its own: no row.
    const auto plain = ownMessage(2, u"Hello"_s, {{u"subject"_s, u"Launch"_s}});
    const auto bare = ZVFlatMessageEditor::make(plain);
    EXPECT_FALSE(bare->subject());
    EXPECT_EQ(bare->backgroundColor(), QColor(Qt::white));
}

// Only what changed is edited, and a message stored since it was sent takes the edit as stored;
// one that cannot be found again takes none.
TEST_F(FlatMessageEditor, CommitsOnlyWhatChanged) {
    applyConversation({{u"topic"_s, u"Launch"_s}});
    struct Case {
        const char* name;
        QString subject;
        QString newText;
        std::optional<QString> newSubject;
        bool body;
        std::optional<QString> subjectEdit;
    };
    const Case cases[] = {
        {"text changed", {}, u"New plan"_s, {}, true, {}},
        {"nothing changed", {}, u"Old plan"_s, {}, false, {}},
        {"subject unchanged", u"Budget"_s, u"Old plan"_s, u"Budget"_s, false, {}},
        {"subject changed", u"Budget"_s, u"Old plan"_s, u"Costs"_s, false, u"Costs"_s},
        {"subject emptied", u"Budget"_s, u"Old plan"_s, u""_s, false, u""_s},
    };
    std::set<qint64> edited;
    qint64 nr = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QJsonObject fields;
        if (!c.subject.isNull()) {
            fields.insert(u"subject"_s, c.subject);
        }
        const auto message = ownMessage(++nr, u"Old plan"_s, fields);
        const auto editor = ZVFlatMessageEditor::make(message);
        EXPECT_EQ(editor->subject() != nullptr, !c.subject.isNull());
        editor->textView()->setText(c.newText);
        if (c.newSubject) {
            editor->subject()->setText(*c.newSubject);
        }
        editor->commitEdit();
        EXPECT_EQ(dirty(*message, Message::FieldBody), c.body);
        EXPECT_EQ(dirty(*message, Message::FieldSubject), c.subjectEdit.has_value());
        if (c.subjectEdit) {
            EXPECT_EQ(message->subject(), *c.subjectEdit);
        }
        if (c.body || c.subjectEdit) {
            edited.insert(nr);
        }
    }

    // Sent while the service stored it: the stored message (number 30) takes the edit.
    const auto stored = ownMessage(30, u"Draft"_s);
    const auto sent = ownMessage(31, u"Draft"_s);
    sent->setActualMessageNr(30);
    auto editor = ZVFlatMessageEditor::make(sent);
    editor->textView()->setText(u"Final"_s);
    editor->commitEdit();
    EXPECT_TRUE(dirty(*stored, Message::FieldBody));
    EXPECT_FALSE(dirty(*sent, Message::FieldBody));
    EXPECT_EQ(editor->message(), stored);
    edited.insert(30);

    // Stored under a number this device cannot find: nothing is edited.
    const auto lost = ownMessage(32, u"Draft"_s);
    lost->setActualMessageNr(99);
    editor = ZVFlatMessageEditor::make(lost);
    editor->textView()->setText(u"Final"_s);
    editor->commitEdit();
    EXPECT_FALSE(editor->message());
    EXPECT_EQ(lost->uncommittedFields(), 0u);

    // Every edit reaches the service, and only those.
    ASSERT_TRUE(waitForAnswered(kStorePath, int(edited.size())));
    EXPECT_EQ(storedNumbers(), edited);
    for (const auto& request : emulator.requests(kStorePath)) {
        if (request.body.value(u"message_nr"_s).toInteger() == 11) {
            EXPECT_EQ(request.body.value(u"message"_s).toString(), u"New plan"_s);
        }
    }
}

// A pasted message brings its files; pasted as a quote it brings its words alone. A picked file
// without a conversation joins the edited message's.
TEST_F(FlatMessageEditor, PastedQuotesBringNoFiles) {
    const auto source = messageWithFiles(1, u"text"_s, u"See these"_s, 2, false);
    const auto target = ownMessage(2, u"Mine"_s);
    ZVClipboardMessage copied(source);
    ASSERT_EQ(copied.files().size(), 2u);

    auto editor = ZVFlatMessageEditor::make(target);
    editor->pasteMessage(copied, true);
    EXPECT_TRUE(editor->files().empty());
    EXPECT_TRUE(editor->text().contains(u"> See these"_s));

    editor = ZVFlatMessageEditor::make(target);
    editor->pasteMessage(copied, false);
    EXPECT_EQ(editor->files().size(), 2u);

    const auto loose = session_->fileWithData("notes", u"notes.txt"_s);
    ASSERT_TRUE(loose);
    loose->setConversationId(QString());
    editor->addFile(loose);
    EXPECT_EQ(loose->conversationId(), displaytest::kConversationId);
}

// "@" offers the conversation's members but never the user; there are no "/" commands here. The
// suggestions follow the text a moment after it changes.
TEST_F(FlatMessageEditor, MentionsLeaveOutTheUser) {
    const auto message = ownMessage(1, u"Mine"_s);
    const auto editor = ZVFlatMessageEditor::make(message);
    window = platform::Window::make();
    root = platform::View::make(window->bounds());
    window->setRootView(root);
    editor->setFrame(QRectF(0, 200, kPhoneWidth, 300));
    root->addSubview(editor);
    const auto text = editor->textView();
    const auto typeText = [&](const QString& typed) {
        ASSERT_TRUE(editor->becomeFirstResponder());
        text->setText(typed);
        text->setSelectedRange({int(typed.size()), 0});
        editor->textViewDidChange(*text);
    };

    typeText(u"Hi @"_s);
    EXPECT_FALSE(editor->autoCompletePicker()->tableView());
    scheduler().advance(ZVFlatMessageEditor::kSuggestionDelay);
    ASSERT_TRUE(editor->autoCompletePicker()->tableView());
    QStringList offered;
    for (const QVariant& item : editor->autoCompletePicker()->items()) {
        offered.append(item.value<std::shared_ptr<ZVMember>>()->accountId());
    }
    offered.sort();
    EXPECT_EQ(offered, (QStringList{displaytest::kFox, displaytest::kOwl}));

    typeText(u"/"_s);
    scheduler().advance(ZVFlatMessageEditor::kSuggestionDelay);
    EXPECT_FALSE(editor->autoCompletePicker()->tableView());
}

// The file button's menu also offers the emoticons, whose pop-up an inserted emoticon closes.
TEST_F(FlatMessageEditor, TheFileMenuOffersEmoticons) {
    const auto message = ownMessage(1, u"Mine"_s);
    const auto editor = ZVFlatMessageEditor::make(message);
    window = platform::Window::make();
    root = platform::View::make(window->bounds());
    window->setRootView(root);
    editor->setFrame(QRectF(0, 200, kPhoneWidth, 300));
    root->addSubview(editor);
    ZVAlertViewManager::alertViewManager().setKeyWindow(window);

    editor->openFile();
    const auto menu = std::dynamic_pointer_cast<ZVActionMenu>(
        ZVAlertViewManager::alertViewManager().currentAlertView());
    ASSERT_TRUE(menu);
    std::shared_ptr<ZVActionMenuButton> emoticons;
    for (const auto& action : menu->actions()) {
        if (action->title() == ZVFlatMessageEditor::kEmoticonTitle) {
            emoticons = std::dynamic_pointer_cast<ZVActionMenuButton>(action);
        }
    }
    ASSERT_TRUE(emoticons);
    emoticons->action()();
    const auto popup = editor->emoticonPicker();
    ASSERT_TRUE(popup);
    EXPECT_EQ(ZVAlertViewManager::alertViewManager().currentAlertView(), popup);

    editor->textView()->setSelectedRange({4, 0});
    editor->injectText(u" :)"_s);
    EXPECT_EQ(editor->text(), u"Mine :)"_s);
    EXPECT_FALSE(editor->emoticonPicker());
    EXPECT_NE(ZVAlertViewManager::alertViewManager().currentAlertView(), popup);
    ZVAlertViewManager::alertViewManager().setCurrentAlertView(nullptr);
}

// Command+Return sends nothing from this editor, and the editor offers no quoting of its own.
TEST_F(FlatMessageEditor, CommandReturnIsInert) {
    const auto message = ownMessage(1, u"Mine"_s);
    const auto editor = ZVFlatMessageEditor::make(message);
    editor->textView()->controlEnter();
    EXPECT_FALSE(editor->quoteAvailable());
    EXPECT_EQ(message->uncommittedFields(), 0u);
    EXPECT_EQ(editor->text(), u"Mine"_s);
}

}  // namespace
}  // namespace sidetest
