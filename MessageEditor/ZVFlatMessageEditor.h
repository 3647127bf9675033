#pragma once

#include "MessageEditor/ZVPendingFilesView.h"
#include "MessageEditor/ZVTextInjecting.h"
#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/controls/TextView.h"
#include "platform/ui/view/View.h"
#include "toolkit/tables/ZVTextViewPasteboardDelegate.h"

#include <QtCore/QString>

#include <memory>
#include <vector>

class File;
class Message;
class ZVAlertView;
class ZVAutoCompletePicker;
class ZVClipboardMessage;
class ZVTextView;
namespace platform {
class Button;
class Label;
class TextField;
}  // namespace platform

// Edits one message where it stands: its text with markup and quotes, its subject (a row only for
// a subject of its own) and its files. There is no send button: the host calls commitEdit() when
// the user is done and just removes the editor to drop the changes. Also the empty editor of a
// new board message. Made through make() (its parts hold it weakly). Main thread.
class ZVFlatMessageEditor : public platform::View,
                            public platform::TextViewDelegate,
                            public ZVTextViewPasteboardDelegate,
                            public ZVPendingFilesOwner,
                            public ZVTextInjecting {
public:
    static inline const QString kFileButtonImage = QStringLiteral("icon-message-add");
    static inline const QString kSubjectLabel = QStringLiteral("Subject: ");
    static inline const QString kSubjectPlaceholder = QStringLiteral("No subject");
    static inline const QString kCopiedTextName = QStringLiteral("Copied text.txt");
    static inline const QString kEmoticonOption = QStringLiteral("emoticon");
    static inline const QString kEmoticonTitle = QStringLiteral("Emoticons");
    static constexpr int kTextStyle = 5;
    static constexpr int kSubjectStyle = 20;
    static constexpr qreal kFileButtonGrowth = 5;
    static constexpr qreal kInitialTextWidth = 310;
    static constexpr qreal kInitialTextHeight = 10;
    static constexpr qreal kTextInsetY = 4;
    static constexpr qreal kMarginX = 10;
    static constexpr qreal kMarginY = 5;
    static constexpr qreal kSubjectTop = 2;
    static constexpr qreal kSubjectBottom = 3;
    static constexpr qreal kFilesGap = 5;
    static constexpr qreal kMemberRowHeight = 42;
    // A pasted text longer than this, from outside any conversation, arrives as a file.
    static constexpr qsizetype kLongPasteLength = 4096;
    static constexpr platform::TimeInterval kSuggestionDelay = 0.1;
    static constexpr double kLineWhite = 0.9;

    // A bare editor (a new message), or one filled from `message`.
    static std::shared_ptr<ZVFlatMessageEditor> make(
        const std::shared_ptr<Message>& message = nullptr);
    ZVFlatMessageEditor();
    ~ZVFlatMessageEditor() override;

    std::shared_ptr<Message> message() const { return message_.lock(); }
    std::vector<std::shared_ptr<File>> files() const;
    const std::shared_ptr<ZVTextView>& textView() const { return editor_; }
    QString text() const;
    const std::shared_ptr<platform::Button>& fileButton() const { return fileButton_; }
    const std::shared_ptr<ZVPendingFilesView>& filesView() const { return filesView_; }
    // Null while the subject row is not shown.
    const std::shared_ptr<platform::TextField>& subject() const { return subject_; }
    const std::shared_ptr<platform::Label>& subjectLabel() const { return subjectLabel_; }
    ZVAutoCompletePicker* autoCompletePicker() const { return autoCompletePicker_.get(); }
    // The emoticon pop-up while it shows.
    const std::shared_ptr<ZVAlertView>& emoticonPicker() const { return emoticonPicker_; }

    // Writes the edit to the message (the stored one, for a message stored since it was sent).
    // Unchanged text and files send no body edit, and an unchanged subject no subject edit.
    void commitEdit();
    // Gives a file without a conversation the message's, then adds it to the strip.
    void addFile(const std::shared_ptr<File>& file);
    void addFile(const std::shared_ptr<File>& file, bool update);
    // The attachment menu, with an emoticon choice.
    void openFile();
    void setSubjectVisible(bool visible);
    void pasteMessage(const ZVClipboardMessage& message, bool quote);
    void paste();
    void updateAutoComplete();

    // --- ZVTextInjecting ---
    void injectText(const QString& text) override;
    // --- ZVPendingFilesOwner ---
    void filesChanged() override;
    // --- ZVTextViewPasteboardDelegate ---
    void handleControlEnter(ZVTextView&) override {}
    void handleUpArrow(ZVTextView&) override {}
    void textViewDidPaste(ZVTextView&) override { paste(); }
    void copyText(const QString& text) override;
    void quoteText(const QString&) override {}
    bool quoteAvailable() override { return false; }
    // --- platform::TextViewDelegate ---
    void textViewDidChange(platform::TextView&) override { scheduleAutoComplete(); }
    void textViewDidChangeSelection(platform::TextView&) override { scheduleAutoComplete(); }

    // --- view ---
    // Colours the text area and the files strip too.
    void setBackgroundColor(const QColor& color);
    bool becomeFirstResponder() override;
    void setFrame(const QRectF& frame) override;
    void layoutSubviews() override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    void build();
    void fill(const std::shared_ptr<Message>& message);
    void addMentionSuggestions();
    void scheduleAutoComplete();
    qreal bottomStripHeight() const;
    // The message the commit writes to; null when it is gone or cannot be found again.
    std::shared_ptr<Message> commitTarget();

    std::shared_ptr<platform::Button> fileButton_;
    std::shared_ptr<ZVTextView> editor_;
    std::shared_ptr<ZVPendingFilesView> filesView_;
    std::weak_ptr<Message> message_;
    std::unique_ptr<ZVAutoCompletePicker> autoCompletePicker_;
    std::shared_ptr<ZVAlertView> emoticonPicker_;
    std::shared_ptr<platform::Label> subjectLabel_;
    std::shared_ptr<platform::TextField> subject_;
    std::shared_ptr<void> attachmentMenu_;
    // What the editor was filled with, to tell an edit from none.
    QString originalText_;
    QStringList originalFiles_;
    platform::ScopedTimer suggestionTimer_;
};
