#include "tests/MessageEditor/MessageEditorTestSupport.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/model/ConversationWriters.h"

#include <QtCore/QDir>

namespace {

using namespace Qt::Literals::StringLiterals;
using namespace editortest;

TEST_F(MessageEditorTest, SendPostsWhatShowsOnceAndEmptiesTheEditor) {
    openEditor();
    ASSERT_TRUE(editor->becomeFirstResponder());
    type(u"Hello *there*"_s);
    EXPECT_TRUE(editor->sendButton()->isEnabled());
    controlReturn();

    const QJsonObject body = nthStore(1);
    // The markup goes as typed; the queue encodes it.
    EXPECT_EQ(body.value(u"message"_s).toString(), u"Hello *there*"_s);
    EXPECT_EQ(editor->text(), u""_s);
    EXPECT_FALSE(editor->sendButton()->isEnabled());
    EXPECT_TRUE(conversation->pendingMessage().isNull());

    // A second send with nothing to send posts nothing: the next message is the second store.
    controlReturn();
    editor->handleSend();
    type(u"Again"_s);
    controlReturn();
    EXPECT_EQ(nthStore(2).value(u"message"_s).toString(), u"Again"_s);
    EXPECT_EQ(emulator.requestCount(storePath()), 2);
}

TEST_F(MessageEditorTest, OnlyTextThatIsNotBlankEnablesSendAndHidesThePlaceholder) {
    struct Case {
        QString text;
        bool sendable;
    };
    const std::vector<Case> cases{
        {u""_s, false},       {u"   "_s, false}, {u"\n\n \t\n"_s, false},
        {u"\u00a0"_s, false}, {u" a "_s, true},  {u"\n."_s, true},
    };
    openEditor();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        editor->setText(c.text);
        EXPECT_EQ(editor->sendButton()->isEnabled(), c.sendable);
        EXPECT_EQ(editor->placeholder()->isHidden(), c.sendable);
        // Unfocused, Send shows only when there is something to send.
        EXPECT_EQ(editor->isSendShown(), c.sendable);
    }
    // With the focus it shows, still disabled.
    editor->setText(u"  "_s);
    ASSERT_TRUE(editor->becomeFirstResponder());
    EXPECT_TRUE(editor->isSendShown());
    EXPECT_FALSE(editor->sendButton()->isEnabled());
}

TEST_F(MessageEditorTest, LongPlainPastesBecomeFilesThatNeverOverwriteEachOther) {
    struct Case {
        QString pasted;
        bool asFile;
        const char* why;
    };
    const QString emoji = u"\U0001F600"_s;
    const std::vector<Case> cases{
        {QString(4096, u'x'), false, "exactly at the limit"},
        {QString(4097, u'x'), true, "one over"},
        // 4096 characters, 4097 UTF-16 units.
        {QString(4095, u'x') + emoji, true, "an emoji across the limit counts two units"},
    };
    openEditor();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        editor->setText(u""_s);
        conversation->clearPendingMessage();
        editor->updateFiles();
        platform::Pasteboard::general()->setString(c.pasted);
        editor->paste();
        EXPECT_EQ(editor->text(), c.asFile ? u""_s : c.pasted);
        ASSERT_EQ(conversation->pendingFiles().size(), c.asFile ? 1u : 0u);
        if (c.asFile) {
            EXPECT_EQ(conversation->pendingFiles()[0]->fileName(), u"Copied text.txt"_s);
            EXPECT_FALSE(editor->filesView()->isHidden());
            EXPECT_TRUE(editor->sendButton()->isEnabled());
        }
    }

    // Two long pastes of the same text: two files on disk, both waiting to go.
    const QString text = QString(5000, u'y');
    platform::Pasteboard::general()->setString(text);
    editor->paste();
    editor->paste();
    const auto& files = conversation->pendingFiles();
    ASSERT_EQ(files.size(), 3u);
    EXPECT_NE(files[1]->fileUrl(), files[2]->fileUrl());
    EXPECT_EQ(editor->filesView()->subviews().size(), 3u);
    for (const auto& file : {files[1], files[2]}) {
        QFile written(QUrl(file->fileUrl()).toLocalFile());
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), text.toUtf8());
    }
    for (const auto& file : files) {
        scheduler().runUntil([&] { return file->status() == File::Status::OnService; });
    }
}

TEST_F(MessageEditorTest, ASubjectRowShowsWhileFocusedInAnEmailConversation) {
    conversationId = addConversation(u"Mail thread"_s, true);
    conversation = session->conversationFromId(conversationId);
    ASSERT_TRUE(conversation && conversation->hasEmailSubject());
    openEditor();
    EXPECT_FALSE(editor->isSubjectVisible());
    const qreal unfocused = editor->requestedHeight();

    ASSERT_TRUE(editor->becomeFirstResponder());
    ASSERT_TRUE(editor->isSubjectVisible());
    EXPECT_GT(editor->requestedHeight(), unfocused);

    // A forwarded message's subject is taken as "FWD: ".
    editor->pasteMessage(
        std::make_shared<ZVClipboardMessage>(u"body"_s, u"Budget"_s, ZVClipboardMessage::Files{},
                                             QString(), otherId),
        true);
    EXPECT_EQ(editor->subjectField()->text(), u"FWD: Budget"_s);
    EXPECT_EQ(editor->subject(), u"FWD: Budget"_s);
    editor->setText(u""_s);

    // The focus moves to the subject field: the row stays; it leaves both: the row goes.
    ASSERT_TRUE(editor->subjectField()->becomeFirstResponder());
    settle();
    EXPECT_TRUE(editor->isSubjectVisible());
    editor->subjectField()->setText(QString());
    EXPECT_EQ(editor->subject(), u"No subject"_s);
    ASSERT_TRUE(editor->resignComposer());
    settle();
    EXPECT_FALSE(editor->isSubjectVisible());
    EXPECT_EQ(editor->requestedHeight(), unfocused);

    // A cleared subject is posted as "No subject".
    ASSERT_TRUE(editor->becomeFirstResponder());
    type(u"hello"_s);
    editor->subjectField()->setText(QString());
    controlReturn();
    const QJsonObject body = nthStore(1);
    EXPECT_EQ(body.value(u"subject"_s).toString(), u"No subject"_s);
}

TEST_F(MessageEditorTest, AForwardedEmailShowsAsACardThatSendForwardsAndCancelTakesBack) {
    const auto email = mail(3, u"Quarterly report"_s);
    ASSERT_TRUE(email);
    email->setMessageType(Message::TypeHtmlEmail);
    openEditor();
    editor->setText(u"kept"_s);
    const qreal before = editor->requestedHeight();

    // Read back from the pasteboard it has no number: it pastes as text.
    ZVClipboardMessage(email).copyToClipboard();
    editor->setText(u""_s);
    editor->paste();
    EXPECT_FALSE(editor->messageView());
    EXPECT_EQ(editor->text(), u"plain form"_s);
    editor->setText(u"kept"_s);

    editor->pasteMessage(std::make_shared<ZVClipboardMessage>(email), true);
    ASSERT_TRUE(editor->messageView());
    EXPECT_EQ(editor->messageView()->message()->messageNr(), 3);
    EXPECT_TRUE(editor->textView()->isHidden());
    EXPECT_FALSE(editor->cancelButton()->isHidden());
    EXPECT_FALSE(editor->fileButton()->isEnabled());
    EXPECT_TRUE(editor->sendButton()->isEnabled());
    EXPECT_TRUE(editor->placeholder()->isHidden());
    EXPECT_EQ(editor->requestedHeight(), before + editor->messageView()->frame().height());

    // Cancel: the text and the buttons as they were.
    editor->cancelPressed();
    EXPECT_FALSE(editor->messageView());
    EXPECT_FALSE(editor->textView()->isHidden());
    EXPECT_TRUE(editor->cancelButton()->isHidden());
    EXPECT_TRUE(editor->fileButton()->isEnabled());
    EXPECT_EQ(editor->text(), u"kept"_s);
    EXPECT_EQ(editor->requestedHeight(), before);

    // Send forwards the e-mail itself, and leaves the typed text alone.
    editor->pasteMessage(std::make_shared<ZVClipboardMessage>(email), true);
    editor->handleSend();
    const QJsonObject body = nthStore(1);
    EXPECT_EQ(body.value(u"fwd_conversation_id"_s).toString(), conversationId);
    EXPECT_EQ(body.value(u"fwd_message_nr"_s).toInteger(), 3);
    EXPECT_FALSE(editor->messageView());
    EXPECT_EQ(editor->text(), u"kept"_s);
}

TEST_F(MessageEditorTest, SlashCommandsAreSuggestedInTheirOrderOnlyAtTheStart) {
    struct Case {
        QString word;
        QStringList commands;
    };
    const std::vector<Case> cases{
        {u""_s,
         {u"/add"_s, u"/remove"_s, u"/pin"_s, u"/bug"_s, u"/task"_s, u"/taskto"_s, u"/leave"_s}},
        {u"ta"_s, {u"/task"_s, u"/taskto"_s}},
        {u"TASKT"_s, {u"/taskto"_s}},
        {u"re"_s, {u"/remove"_s}},
        {u"x"_s, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word.toStdString());
        QStringList found;
        for (const QVariant& pair : ZVMessageEditor::slashCommandsWithString(c.word)) {
            const QVariant command = pair.toList().at(0);
            if (command.metaType() == QMetaType::fromType<platform::AttributedString>()) {
                const auto styled = command.value<platform::AttributedString>();
                found << styled.string();
                // The typed letters are highlighted, after the slash.
                const QString background(platform::TextAttribute::BackgroundColor);
                EXPECT_NE(styled.attribute(background, 1), styled.attribute(background, 0));
                EXPECT_EQ(styled.attribute(background, c.word.size()),
                          styled.attribute(background, 1));
                EXPECT_NE(styled.attribute(background, c.word.size() + 1),
                          styled.attribute(background, 1));
            } else {
                found << command.toString();
            }
        }
        EXPECT_EQ(found, c.commands);
    }

    openEditor();
    ASSERT_TRUE(editor->becomeFirstResponder());
    const qreal plain = editor->requestedHeight();
    type(u"/ta"_s);
    settle();
    EXPECT_EQ(editor->autoCompletePicker().items().size(), 2);
    EXPECT_EQ(editor->requestedHeight(), plain + 2 * 25);
    ASSERT_TRUE(editor->autoCompletePicker().tableView());
    EXPECT_EQ(editor->autoCompletePicker().tableView()->frame().bottom(),
              editor->autoCompletePicker().tableHeight());

    // Not after other text.
    editor->setText(u"see /ta"_s);
    settle();
    EXPECT_FALSE(editor->autoCompletePicker().tableView());
    EXPECT_EQ(editor->requestedHeight(), plain);
}

TEST_F(MessageEditorTest, AnAtSignSuggestsTheMembersTheUserIncluded) {
    openEditor();
    ASSERT_TRUE(editor->becomeFirstResponder());
    type(u"hi @"_s);
    settle();
    QStringList ids;
    for (const QVariant& item : editor->autoCompletePicker().items()) {
        ids << item.value<std::shared_ptr<ZVMember>>()->accountId();
    }
    EXPECT_TRUE(ids.contains(account(kEditorAnna))) << ids.join(u',').toStdString();
    EXPECT_EQ(editor->autoCompletePicker().tableHeight(),
              42 * std::min<qsizetype>(ids.size(), ZVAutoCompletePicker::kMaxVisibleRows));
}

TEST_F(MessageEditorTest, TheTextGrowsTheEditorUpToItsLimitAndThenScrolls) {
    openEditor();
    ASSERT_TRUE(editor->becomeFirstResponder());
    type(u"first"_s);
    qreal last = editor->requestedHeight();
    EXPECT_FALSE(editor->textView()->isScrollEnabled());
    int lines = 1;
    while (!editor->textView()->isScrollEnabled()) {
        ASSERT_LT(lines, 30) << "the text never scrolls";
        type(u"\nline"_s);
        ++lines;
        const qreal now = editor->requestedHeight();
        if (!editor->textView()->isScrollEnabled()) {
            EXPECT_GT(now, last) << "line " << lines;
        }
        EXPECT_LE(now, ZVMessageEditor::kMaxTextHeight + 2 * ZVMessageEditor::kTextMargin);
        last = now;
    }
    EXPECT_GT(editor->heightForText(editor->text()), ZVMessageEditor::kMaxTextHeight);
    EXPECT_EQ(editor->requestedHeight(),
              ZVMessageEditor::kMaxTextHeight + 2 * ZVMessageEditor::kTextMargin);
    // The host gave it that height.
    EXPECT_EQ(editor->frame().height(), editor->requestedHeight());
    type(u"\nmore"_s);
    EXPECT_EQ(editor->requestedHeight(),
              ZVMessageEditor::kMaxTextHeight + 2 * ZVMessageEditor::kTextMargin);
}

TEST_F(MessageEditorTest, AFinalNewlineMeasuresOneLineTaller) {
    openEditor();
    const qreal one = editor->heightForText(u"abc"_s);
    const qreal two = editor->heightForText(u"abc\ndef"_s);
    ASSERT_GT(two, one);
    EXPECT_EQ(editor->heightForText(u"abc\n"_s), two);
    // An empty editor is as tall as one line.
    EXPECT_EQ(editor->heightForText(u""_s), one);
    // A long text is measured from its start: the result is that of the whole text laid out.
    const auto wholeMeasure = [&](const QString& text) {
        const auto view = editor->textView();
        platform::TextLook look;
        look.font = platform::resolveFont(view->font());
        const QSizeF size = platform::TextFrame::suggestedSize(
            platform::StyledText(text, look),
            QSizeF(view->bounds().width() - view->textContainerInset().horizontal() -
                       2 * platform::TextView::kLineFragmentPadding,
                   ZVMessageEditor::kMeasureBoxHeight));
        return std::ceil(std::ceil(size.height()) + view->textContainerInset().vertical()) +
               ZVMessageEditor::kMeasureExtra;
    };
    const QString words = u"the figures for the quarter "_s;
    for (const QString& text :
         {words.repeated(200), QString(700, u'\n') + words, QString(3000, u'w'),
          u"a\n"_s.repeated(5) + words.repeated(100), words.repeated(20) + u"\n"_s,
          u"\n"_s.repeated(4) + words.repeated(30),
          // A start that takes no room: the lines come after it.
          QString(600, QChar(0x200B)) + words.repeated(30)}) {
        EXPECT_EQ(editor->heightForText(text), wholeMeasure(text)) << text.size();
        EXPECT_GT(editor->heightForText(text), ZVMessageEditor::kMaxTextHeight) << text.size();
    }
    // The measure agrees with the text area's own layout.
    // Up to the measuring box: a wrapped line, a final newline.
    for (const QString& text : {u"abc"_s, u"abc\ndef"_s, QString(60, u'w'), u"abc\n"_s}) {
        editor->setText(text);
        EXPECT_NEAR(editor->heightForText(text) - ZVMessageEditor::kMeasureExtra,
                    editor->textView()->sizeThatFits(editor->textView()->bounds().size()).height(),
                    1.0)
            << text.size();
    }
}

TEST_F(MessageEditorTest, TypingIsReportedOncePerChangeOfState) {
    openEditor();
    ASSERT_TRUE(editor->becomeFirstResponder());
    const QString path = u"conversation/show_activity/"_s + conversationId;
    type(u"abc"_s);
    ASSERT_TRUE(settleRequests([&] { return emulator.requestCount(path) >= 1; }));
    // Blanks after the text change nothing; removing all of it ends the typing.
    type(u"  "_s);
    editor->setText(u""_s);
    ASSERT_TRUE(settleRequests([&] { return emulator.requestCount(path) >= 2; }));
    type(u"x"_s);
    ASSERT_TRUE(settleRequests([&] { return emulator.requestCount(path) >= 3; }));
    QList<bool> reported;
    for (const auto& request : emulator.requests(path)) {
        reported << request.body.value(u"is_writing"_s).toBool();
    }
    EXPECT_EQ(reported, (QList<bool>{true, false, true}));

    // A draft shown again in a new editor is no typing until it changes.
    closeEditor();
    conversation->resetWriters();
    conversation->setPendingMessage(u"a draft"_s);
    openEditor();
    EXPECT_EQ(editor->text(), u"a draft"_s);
    EXPECT_FALSE(conversation->writers()->isWriting());
    ASSERT_TRUE(editor->becomeFirstResponder());
    type(u"!"_s);
    EXPECT_TRUE(conversation->writers()->isWriting());
}

TEST_F(MessageEditorTest, UnsentTextOutlivesTheEditorAndAKilledProcess) {
    struct Case {
        const char* why;
        std::function<void(MessageEditorTest&)> beforeKill;
    };
    const std::vector<Case> cases{
        {"typing paused",
         [](MessageEditorTest& test) { test.scheduler().advance(ZVMessageEditor::kStorePause); }},
        {"the application resigned active",
         [](MessageEditorTest&) { platform::Application::shared().resignActive(); }},
        {"the application quit",
         [](MessageEditorTest&) { platform::Application::shared().terminate(); }}};
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const QString draft = u"draft %1"_s.arg(++round);
        openEditor();
        ASSERT_TRUE(editor->becomeFirstResponder());
        type(draft);
        // The next editor of a living process starts with it.
        if (round == 1) {
            auto second = ZVMessageEditor::make(conversation, nullptr);
            EXPECT_EQ(second->text(), u""_s) << "stored only once typing pauses";
        }
        c.beforeKill(*this);
        closeEditor();
        conversation.reset();
        session.reset();
        quit();
        launch();
        ASSERT_TRUE(scheduler().runUntil([&] { return sessionOf(kEditorAnna) != nullptr; }));
        session = sessionOf(kEditorAnna);
        conversation = session->conversationFromId(conversationId);
        ASSERT_TRUE(conversation);
        window->setRootView(root);
        ZVAlertViewManager::alertViewManager().setKeyWindow(window);
        platform::Keyboard::setShared(std::make_shared<platform::FakeKeyboard>());
        openEditor();
        EXPECT_EQ(editor->text(), draft);
        EXPECT_TRUE(editor->sendButton()->isEnabled());
        conversation->clearPendingMessage();
        session->saveContext();
    }
}

TEST_F(MessageEditorTest, TheUpArrowEditsTheLastMessageOnlyFromAnEmptyEditor) {
    openEditor();
    int runs = 0;
    editor->setOnEditMessage([&runs] { ++runs; });
    ASSERT_TRUE(editor->becomeFirstResponder());
    window->sendKey({Qt::Key_Up, Qt::NoModifier, QString()});
    EXPECT_EQ(runs, 1);
    type(u"words"_s);
    window->sendKey({Qt::Key_Up, Qt::NoModifier, QString()});
    editor->handleUpArrow(*editor->textView());
    EXPECT_EQ(runs, 1);
}

TEST_F(MessageEditorTest, AQuoteGoesBelowTheTextOrBelowAnEmptyFirstLine) {
    const auto quoted = mail(4, u"Re"_s, false);
    ASSERT_TRUE(quoted);
    const QString block = ZVClipboardMessage(quoted, u"one\ntwo"_s).quotedText();
    ASSERT_TRUE(block.contains(u"> one\n> two"_s)) << block.toStdString();
    openEditor();

    // Pasted as a quote into an empty editor: the caret on an empty first line above it.
    editor->pasteMessage(std::make_shared<ZVClipboardMessage>(quoted, u"one\ntwo"_s), true);
    EXPECT_EQ(editor->text(), u"\n"_s + block);
    EXPECT_EQ(editor->textView()->selectedRange().location, 0);
    EXPECT_TRUE(editor->textView()->isFirstResponder());

    // The quote action appends below what is there, and keeps it for the conversation.
    editor->setText(u"mine"_s);
    editor->quoteMessage(quoted, u"one\ntwo"_s);
    EXPECT_EQ(editor->text(), u"mine\n"_s + block);
    EXPECT_EQ(conversation->pendingMessage(), u"mine\n"_s + block);
}

TEST_F(MessageEditorTest, CopiedFilesAreAttachedOnlyFromAnotherConversation) {
    openEditor();
    const auto file = session->fileWithData("notes", u"notes.txt"_s);
    ASSERT_TRUE(file);
    struct Case {
        QString from;
        std::size_t attached;
    };
    for (const Case& c : {Case{conversationId, 0}, Case{otherId, 1}}) {
        SCOPED_TRACE(c.from.toStdString());
        editor->pasteMessage(
            std::make_shared<ZVClipboardMessage>(
                u"see"_s, QString(), ZVClipboardMessage::Files{file}, QString(), c.from),
            false);
        EXPECT_EQ(conversation->pendingFiles().size(), c.attached);
        EXPECT_EQ(editor->filesView()->containsFiles(), c.attached > 0);
    }
    EXPECT_EQ(editor->text(), u"seesee"_s);
    scheduler().runUntil([&] { return file->status() == File::Status::OnService; });
}

TEST_F(MessageEditorTest, TheFileMenuOffersEmoticonsThatTypeTheirMarkup) {
    openEditor();
    ASSERT_TRUE(editor->becomeFirstResponder());
    // The account's older set shows the application's pictures, otherwise emoji.
    for (const bool oldSet : {false, true}) {
        SCOPED_TRACE(oldSet ? "older set" : "emoji");
        session->profile()->setClientFlag(QString(ZVUserProfile::OldEmoticonsFlag), oldSet);
        editor->setText(u""_s);
        editor->fileButtonPressed();
        window->updateNow();
        std::shared_ptr<ZVActionMenu> shown;
        std::shared_ptr<ZVActionMenuButton> option;
        for (const auto& view : window->subviews()) {
            const auto menu = std::dynamic_pointer_cast<ZVActionMenu>(view);
            if (!menu) {
                continue;
            }
            for (const auto& action : menu->actions()) {
                if (action->title() == u"Emoticons"_s) {
                    shown = menu;
                    option = std::dynamic_pointer_cast<ZVActionMenuButton>(action);
                }
            }
        }
        ASSERT_TRUE(option);
        option->action()();
        shown->hide();
        ASSERT_TRUE(editor->emoticonPicker());
        std::shared_ptr<ZVEmoticonPicker> picker;
        for (const auto& view : editor->emoticonPicker()->views()) {
            picker = picker ? picker : std::dynamic_pointer_cast<ZVEmoticonPicker>(view);
        }
        ASSERT_TRUE(picker);
        const auto& first = *picker->buttons().at(0);
        EXPECT_EQ(first.currentImage().isNull(), !oldSet);
        EXPECT_EQ(first.currentTitle().isEmpty(), oldSet);
        picker->emoticonPicked(first);
        EXPECT_EQ(editor->text(),
                  ZVMarkupEncoder::markupForEmoticon(ZVEmoticonPicker::emoticons()[0]));
        EXPECT_FALSE(editor->emoticonPicker());
        EXPECT_EQ(conversation->pendingMessage(), editor->text());
    }
}

TEST_F(MessageEditorTest, TheRowsLieBetweenTheButtonsWithTheSubjectAboveTheText) {
    conversationId = addConversation(u"Mail layout"_s, true);
    conversation = session->conversationFromId(conversationId);
    openEditor();
    ASSERT_TRUE(editor->becomeFirstResponder());
    type(u"Hello"_s);
    scheduler().advance(ZVMessageEditor::kSendFadeDuration);
    window->updateNow();
    ASSERT_TRUE(editor->isSubjectVisible());

    const QRectF bounds = editor->bounds();
    const QRectF file = editor->fileButton()->frame();
    const QRectF send = editor->sendButton()->frame();
    const QRectF text = editor->textView()->frame();
    const QRectF label = editor->subjectLabel()->frame();
    const QRectF field = editor->subjectField()->frame();
    EXPECT_EQ(editor->frame().height(), editor->requestedHeight());
    // The button's picture, grown by 5 on every side.
    EXPECT_FALSE(editor->fileButton()->currentImage().isNull());
    EXPECT_GE(file.height(), 2 * ZVMessageEditor::kFileButtonGrowth + 1);
    EXPECT_DOUBLE_EQ(file.left(), 0);
    EXPECT_LE(send.bottom(), bounds.bottom());
    EXPECT_NEAR(file.bottom(), bounds.bottom(), 1);
    EXPECT_NEAR(send.right(), bounds.right(), 1);
    EXPECT_NEAR(send.center().y(), file.center().y(), 1);
    EXPECT_GE(text.left(), file.right());
    EXPECT_LE(text.right(), send.left());
    EXPECT_GE(label.left(), file.right());
    EXPECT_DOUBLE_EQ(field.left(), label.right());
    EXPECT_LE(field.right(), send.left());
    EXPECT_LT(field.bottom(), text.top());
    EXPECT_NEAR(text.bottom(), bounds.bottom() - ZVMessageEditor::kTextMargin, 1);
    EXPECT_TRUE(editor->placeholder()->isHidden());

    // The top edge carries the separator over a white editor.
    const QImage image = window->render();
    const qreal scale = window->scale();
    const QPointF top = editor->convertPointTo(QPointF(bounds.center().x(), 0.5), nullptr);
    const QPointF inside = editor->convertPointTo(QPointF(1, bounds.height() / 2), nullptr);
    EXPECT_NE(image.pixelColor((top * scale).toPoint()), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor((inside * scale).toPoint()), QColor(Qt::white));
    QDir().mkpath(u"snapshots"_s);
    image
        .copy(
            QRectF(editor->convertRectTo(bounds, nullptr).topLeft() * scale, bounds.size() * scale)
                .toRect())
        .save(u"snapshots/composer-subject-375.png"_s);
}

TEST_F(MessageEditorTest, TheConversationScreensComposerIsThisEditor) {
    ASSERT_TRUE(ZVConversationComposer::hasFactory());
    const auto composer = ZVConversationComposer::make(conversation, nullptr);
    EXPECT_TRUE(std::dynamic_pointer_cast<ZVMessageEditor>(composer));
    root->addSubview(composer);
    EXPECT_TRUE(composer->focusComposer());
    EXPECT_TRUE(composer->composerHasFocus());
    EXPECT_TRUE(composer->resignComposer());
    EXPECT_FALSE(composer->composerHasFocus());
    composer->removeFromSuperview();
}

}  // namespace
