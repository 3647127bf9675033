#pragma once

#include "MessageEditor/ZVPendingFilesView.h"
#include "MessageEditor/ZVTextInjecting.h"
#include "MessageFlow/screen/ZVConversationComposer.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/controls/TextView.h"
#include "toolkit/tables/ZVTextViewPasteboardDelegate.h"

#include <QtCore/QString>
#include <QtCore/QVariantList>

#include <functional>
#include <memory>

class Conversation;
class Message;
class ZVAlertView;
class ZVAutoCompletePicker;
class ZVClipboardMessage;
class ZVClipboardMessageView;
class ZVMessageRowMetrics;
class ZVTextView;
namespace platform {
class Button;
class Label;
}  // namespace platform

// The composer at the bottom of a conversation: a text area that grows and then scrolls, the
// e-mail subject row while it is focused, the pending files, the file and Send buttons, the
// mention and command suggestions above the text, and the card of an HTML e-mail being
// forwarded. The unsent text lives in the conversation, so it outlives the editor; the host
// places the editor and resizes it to requestedHeight() when that key changes; the up arrow in an
// empty text runs onEditMessage(). Main thread.
class ZVMessageEditor : public ZVConversationComposer,
                        public platform::TextViewDelegate,
                        public platform::TextFieldDelegate,
                        public ZVTextViewPasteboardDelegate,
                        public ZVPendingFilesOwner,
                        public ZVTextInjecting {
public:
    static inline const QString kSendTitle = QStringLiteral("Send");
    static inline const QString kCancelTitle = QStringLiteral("Cancel");
    static inline const QString kFileButtonImage = QStringLiteral("icon-message-add");
    static inline const QString kPlaceholderText = QStringLiteral("Type your message");
    static inline const QString kSubjectLabelText = QStringLiteral("Subject: ");
    static inline const QString kNoSubject = QStringLiteral("No subject");
    static inline const QString kForwardSubjectFormat = QStringLiteral("FWD: %@");
    static inline const QString kCopiedTextName = QStringLiteral("Copied text.txt");
    static inline const QString kEmoticonOption = QStringLiteral("emoticon");
    static inline const QString kEmoticonTitle = QStringLiteral("Emoticons");

    static constexpr int kTextStyle = 5;
    static constexpr int kPlaceholderStyle = 13;
    static constexpr int kSubjectStyle = 20;
    // A plain paste longer than this (UTF-16 units) is attached as a text file instead.
    static constexpr qsizetype kMaxPastedTextLength = 4096;
    // The text grows the editor up to this height, then scrolls.
    static constexpr qreal kMaxTextHeight = 124;
    // Texts are measured in a box this high: enough to tell growth from scrolling.
    static constexpr qreal kMeasureBoxHeight = 200;
    // Room above and below the text area.
    static constexpr qreal kTextMargin = 6;
    static constexpr qreal kTextSideInset = 3;
    static constexpr qreal kPlaceholderIndent = 5;
    static constexpr qreal kButtonInset = 5;
    static constexpr qreal kFileButtonGrowth = 5;
    static constexpr qreal kSubjectTopGap = 2;
    static constexpr qreal kSubjectBottomGap = 3;
    static constexpr qreal kSubjectSideInset = 3;
    static constexpr qreal kSubjectRowExtra = 5;
    static constexpr qreal kMeasureExtra = 2;
    static constexpr qreal kInitialTextWidth = 310;
    static constexpr qreal kInitialTextHeight = 10;
    static constexpr platform::EdgeInsets kTextContainerInset{4, 0, 4, 0};
    // Suggestions and the subject row wait for the focus and the text to settle.
    static constexpr double kDeferDelay = 0.1;
    // Typed text reaches the store once typing pauses this long, so that it survives a kill.
    static constexpr double kStorePause = 1.0;
    static constexpr double kSendFadeDuration = 0.5;

    using RowMetrics = ZVMessageRowMetrics;

    // The editor of the conversation, starting with its unsent text and pending files. `cells`
    // (the conversation's table model) gives the spacing at the screen's edge; both are held
    // weakly.
    static std::shared_ptr<ZVMessageEditor> make(const std::shared_ptr<Conversation>& conversation,
                                                 const std::shared_ptr<RowMetrics>& cells);
    // Use make(): the delegates need the editor shared.
    ZVMessageEditor(const std::shared_ptr<Conversation>& conversation,
                    const std::shared_ptr<RowMetrics>& cells);
    ~ZVMessageEditor() override;

    std::shared_ptr<Conversation> conversation() const { return conversation_.lock(); }

    QString text() const;
    // Runs the change handling as a typed change would (Send, height, typing, suggestions).
    void setText(const QString& text);

    // What the editor wants to be high; observable as "requestedHeight".
    qreal requestedHeight() const override;
    // Announces "requestedHeight" when it differs from the current height.
    void updateHeight();

    // While the subject row shows, its text ("No subject" when empty); otherwise the subject kept
    // for the conversation's e-mails, null for a conversation without.
    QString subject() const;
    void updateSubject() override;
    bool conversationHasUserDefinedSubject() const;
    bool isSubjectVisible() const { return subjectField_ != nullptr; }
    void setSubjectVisible(bool visible);
    void hideSubject();

    void updateFiles();
    void filesChanged() override;

    // A copied (quote false) or forwarded (quote true) message.
    void pasteMessage(const std::shared_ptr<ZVClipboardMessage>& message, bool quote) override;
    void quoteMessage(const std::shared_ptr<Message>& message, const QString& text) override;
    void injectText(const QString& text) override;

    void handleSend();
    void enterPressed() { handleSend(); }
    void cancelPressed();
    void fileButtonPressed();
    void paste();

    // The commands the "/" suggestions offer, as pairs of command and hint; those a typed word
    // begins a word of, the match highlighted; all for an empty word.
    static QVariantList slashCommandsWithString(const QString& text);
    // The height the text area needs for `text` at its current width.
    qreal heightForText(const QString& text) const;
    void showMentionPicker();

    const std::shared_ptr<platform::Button>& fileButton() const { return fileButton_; }
    const std::shared_ptr<platform::Button>& sendButton() const { return sendButton_; }
    const std::shared_ptr<platform::Button>& cancelButton() const { return cancelButton_; }
    const std::shared_ptr<ZVTextView>& textView() const { return editor_; }
    const std::shared_ptr<ZVPendingFilesView>& filesView() const { return filesView_; }
    const std::shared_ptr<ZVClipboardMessageView>& messageView() const { return messageView_; }
    const std::shared_ptr<platform::Label>& placeholder() const { return placeholder_; }
    const std::shared_ptr<platform::Label>& subjectLabel() const { return subjectLabel_; }
    const std::shared_ptr<platform::TextField>& subjectField() const { return subjectField_; }
    ZVAutoCompletePicker& autoCompletePicker() const { return *autoCompletePicker_; }
    const std::shared_ptr<ZVAlertView>& emoticonPicker() const { return emoticonPicker_; }
    // Whether Send shows (it fades in and out).
    bool isSendShown() const { return sendShown_; }

    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    bool focusComposer() override { return becomeFirstResponder(); }
    bool resignComposer() override { return resignFirstResponder(); }
    // The text area or the subject field edits.
    bool composerHasFocus() const override;
    platform::View* hitTest(QPointF point, const platform::TouchEvent* event) override;
    void setFrame(const QRectF& frame) override;
    void layoutSubviews() override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

    // --- the text area ---
    void textViewDidBeginEditing(platform::TextView& view) override;
    void textViewDidEndEditing(platform::TextView& view) override;
    bool textViewShouldChangeText(platform::TextView& view, platform::TextRange range,
                                  const QString& replacement) override;
    void textViewDidChange(platform::TextView& view) override;
    void textViewDidChangeSelection(platform::TextView& view) override;

    // --- the subject field ---
    void textFieldDidEndEditing(platform::TextField& field) override;

    // --- the text area's keys and pasteboard ---
    void handleControlEnter(ZVTextView& textView) override;
    void handleUpArrow(ZVTextView& textView) override;
    void textViewDidPaste(ZVTextView& textView) override;
    void copyText(const QString& text) override;
    void quoteText(const QString& /*text*/) override {}
    bool quoteAvailable() override { return false; }

private:
    // A label in the text style, sized to fit on whole points.
    static std::shared_ptr<platform::Label> makeLabel(const QString& text, int style);
    void setUp();
    void handleTextChange();
    void updateSendButton();
    void updateScrolling(const QString& text);
    void scheduleSuggestions();
    void scheduleHideSubject();
    // The text goes into the conversation (and, with `save`, to the disk).
    void storePendingMessage(bool save = false);
    void attachEmail(const std::shared_ptr<Message>& message);
    std::shared_ptr<Message> clipboardEmail(const ZVClipboardMessage& message) const;
    void showEmoticons();
    bool hasSomethingToSend() const;
    qreal screenEdgeSpacing() const;
    // The text box between the file button and Send, for the line under the subject.
    QRectF textBox() const;

    std::shared_ptr<platform::Button> fileButton_;
    std::shared_ptr<platform::Button> sendButton_;
    std::shared_ptr<platform::Button> cancelButton_;
    std::shared_ptr<ZVTextView> editor_;
    std::shared_ptr<ZVPendingFilesView> filesView_;
    std::shared_ptr<ZVClipboardMessageView> messageView_;
    std::weak_ptr<Conversation> conversation_;
    std::shared_ptr<platform::Label> subjectLabel_;
    std::shared_ptr<platform::TextField> subjectField_;
    std::shared_ptr<platform::Label> placeholder_;
    std::unique_ptr<ZVAutoCompletePicker> autoCompletePicker_;
    std::shared_ptr<ZVAlertView> emoticonPicker_;
    std::weak_ptr<RowMetrics> cells_;
    QString subject_;
    QString originalSubject_;
    // The last measure: a change measures the text it makes, the height and layout again.
    mutable QString measuredText_;
    mutable qreal measuredWidth_ = -1;
    mutable qreal measuredHeight_ = 0;
    bool sendShown_ = false;
    bool reportsTyping_ = true;
    platform::ScopedTimer suggestionTimer_;
    platform::ScopedTimer hideSubjectTimer_;
    platform::ScopedTimer storeTimer_;
    platform::Observation resignObservation_;
    platform::Observation terminateObservation_;
};
