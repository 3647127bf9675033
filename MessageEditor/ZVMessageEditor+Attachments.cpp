#include "MessageEditor/ZVMessageEditor.h"

#include "MessageEditor/ZVClipboardMessage.h"
#include "MessageEditor/ZVClipboardMessageView.h"
#include "MessageEditor/ZVEmoticonPicker.h"
#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/standins/input/Pasteboard.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/alerts/ZVActionMenuButton.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/tables/ZVTextView.h"

using namespace Qt::Literals::StringLiterals;

// --- files ---

void ZVMessageEditor::updateFiles() {
    filesView_->removeAllFiles();
    if (const auto conversation = conversation_.lock()) {
        for (const auto& file : conversation->pendingFiles()) {
            filesView_->addFile(file);
        }
    }
    filesView_->setHidden(!filesView_->containsFiles() || messageView_ != nullptr);
    updateHeight();
    updateSendButton();
    setNeedsLayout();
}

void ZVMessageEditor::filesChanged() {
    filesView_->setHidden(true);
    updateSendButton();
    updateHeight();
    setNeedsDisplay();
    setNeedsLayout();
}

void ZVMessageEditor::fileButtonPressed() {
    const auto conversation = conversation_.lock();
    const auto session = conversation ? conversation->repositorySession() : nullptr;
    if (!session) {
        return;
    }
    const std::weak_ptr<ZVMessageEditor> weak =
        std::static_pointer_cast<ZVMessageEditor>(shared_from_this());
    // The session's attachment menu is the file picker's, an action menu.
    auto menu = std::static_pointer_cast<ZVActionMenu>(session->pickFileWithCompletion(
        [weak](std::shared_ptr<File> file) {
            const auto editor = weak.lock();
            const auto target = editor ? editor->conversation() : nullptr;
            if (!target || !file) {
                return;
            }
            target->addPendingFile(file);
            editor->updateFiles();
        },
        false));
    if (!menu) {
        menu = ZVActionMenu::make();
    }
    menu->addOption(kEmoticonOption, kEmoticonTitle)->setAction([weak] {
        if (const auto editor = weak.lock()) {
            editor->showEmoticons();
        }
    });
    menu->setPointAtView(fileButton_);
    menu->setKeyboardSetting(ZVAlertView::kKeepKeyboard);
    menu->show();
}

void ZVMessageEditor::showEmoticons() {
    const auto conversation = conversation_.lock();
    const auto session = conversation ? conversation->repositorySession() : nullptr;
    const bool ownPictures = session && session->profile() &&
                             session->profile()->isClientFlagSet(ZVUserProfile::OldEmoticonsFlag);
    if (emoticonPicker_) {
        emoticonPicker_->hide();
    }
    auto picker = View::make<ZVEmoticonPicker>(
        std::shared_ptr<ZVTextInjecting>(
            std::static_pointer_cast<ZVMessageEditor>(shared_from_this()), this),
        ownPictures);
    emoticonPicker_ = View::make<ZVAlertView>();
    emoticonPicker_->setViews({picker});
    emoticonPicker_->setPointAtView(fileButton_);
    emoticonPicker_->setKeyboardSetting(ZVAlertView::kKeepKeyboard);
    emoticonPicker_->show();
}

void ZVMessageEditor::injectText(const QString& text) {
    if (!text.isNull()) {
        editor_->replace(editor_->selectedRange(), text);
    }
    if (emoticonPicker_) {
        const auto shown = std::move(emoticonPicker_);
        shown->hide();
    }
    storePendingMessage();
}

// --- pasting and quoting ---

void ZVMessageEditor::paste() {
    pasteMessage(ZVClipboardMessage::fromClipboard(), false);
}

void ZVMessageEditor::textViewDidPaste(ZVTextView& /*textView*/) {
    paste();
}

void ZVMessageEditor::copyText(const QString& text) {
    platform::Pasteboard::general()->setString(text);
}

void ZVMessageEditor::handleControlEnter(ZVTextView& /*textView*/) {
    handleSend();
}

void ZVMessageEditor::handleUpArrow(ZVTextView& /*textView*/) {
    if (onEditMessage() && editor_->text().isEmpty()) {
        onEditMessage()();
    }
}

std::shared_ptr<Message> ZVMessageEditor::clipboardEmail(const ZVClipboardMessage& message) const {
    const auto own = conversation_.lock();
    const auto ownSession = own ? own->repositorySession() : nullptr;
    // The message may come from any signed-in account; this one's is asked first.
    std::vector<std::shared_ptr<ZVRepositorySession>> sessions;
    if (ownSession) {
        sessions.push_back(ownSession);
    }
    for (const auto& apiSession : ZVApi::api().sessions()) {
        auto session = std::dynamic_pointer_cast<ZVRepositorySession>(apiSession);
        if (session && session != ownSession) {
            sessions.push_back(std::move(session));
        }
    }
    for (const auto& session : sessions) {
        if (const auto source = session->conversationFromId(message.conversationId())) {
            return source->messageByNumber(message.messageNr(), true);
        }
    }
    return nullptr;
}

void ZVMessageEditor::attachEmail(const std::shared_ptr<Message>& message) {
    if (messageView_) {
        messageView_->removeFromSuperview();
    }
    messageView_ = View::make<ZVClipboardMessageView>(message);
    addSubview(messageView_);
    cancelButton_->setHidden(false);
    filesView_->setHidden(true);
    fileButton_->setEnabled(false);
    editor_->setHidden(true);
    updateSendButton();
    setNeedsLayout();
    setNeedsDisplay();
    updateHeight();
}

void ZVMessageEditor::pasteMessage(const std::shared_ptr<ZVClipboardMessage>& message, bool quote) {
    const auto conversation = conversation_.lock();
    if (!message || !conversation) {
        return;
    }
    if (message->conversationId().isEmpty() && message->message().size() > kMaxPastedTextLength) {
        const auto session = conversation->repositorySession();
        const auto file =
            session ? session->fileWithData(message->message().toUtf8(), kCopiedTextName) : nullptr;
        if (!file) {
            ZVLogError(u"ZVMessageEditor::pasteMessage: no file for the copied text");
            return;
        }
        conversation->addPendingFile(file);
        updateFiles();
        return;
    }
    if (quote && !message->subject().isEmpty() && conversation->hasEmailSubject()) {
        subject_ = QString(kForwardSubjectFormat).replace(u"%@"_s, message->subject());
        if (subjectField_) {
            subjectField_->setText(subject_);
        }
    }
    if (message->messageNr() != 0) {
        const auto source = clipboardEmail(*message);
        if (source && source->isOfType(Message::TypeHtmlEmail)) {
            attachEmail(source);
            return;
        }
    }
    const platform::TextRange selection = editor_->selectedRange();
    if (quote) {
        if (editor_->text().isEmpty()) {
            editor_->replace(selection, u"\n"_s);
        }
        editor_->replace(editor_->selectedRange(), message->quotedText());
        editor_->setSelectedRange({selection.location, 0});
        editor_->becomeFirstResponder();
    } else {
        editor_->replace(selection, message->message());
    }
    if (!message->files().empty() && message->conversationId() != conversation->conversationId()) {
        for (const auto& file : message->files()) {
            conversation->addPendingFile(file);
        }
        updateFiles();
    }
    setNeedsLayout();
    setNeedsDisplay();
}

void ZVMessageEditor::quoteMessage(const std::shared_ptr<Message>& message, const QString& text) {
    if (!message) {
        return;
    }
    const ZVClipboardMessage quoted(message, text);
    const QString current = editor_->text();
    setText(current + (current.isEmpty() ? u""_s : u"\n"_s) + quoted.quotedText());
    storePendingMessage();
}
