#include "MessageEditor/ZVMessageEditor.h"

#include "MessageEditor/ZVAutoCompletePicker.h"
#include "MessageEditor/ZVAutoCompletePickerCell.h"
#include "MessageEditor/ZVClipboardMessageView.h"
#include "MessageEditor/ZVSmallMemberCell.h"
#include "MessageFlow/pages/ZVMessageRowMetrics.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/text/StringUtils.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/text/TextFrame.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/style/ViewLayout.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/tables/ZVTextView.h"
#include "toolkit/widgets/ZVBranding.h"

#include <QtGui/QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qreal kEditorMentionRowHeight = 42;
constexpr qreal kEditorCommandRowHeight = 25;
// A line of this and the suggestion list's top edge are drawn only above a real list.
constexpr qreal kEditorMinListHeight = 1;
constexpr qreal kEditorTextBoxInsetX = 0.5;
constexpr qreal kEditorTextBoxInsetY = 5.5;
// A long text is measured from a start of this many units, doubled until it overflows the box.
constexpr qsizetype kEditorMeasurePrefix = 512;

QString editorTrimmed(const QString& text) {
    return text.trimmed();
}

// Centres the view on `center` with its frame on whole points.
void editorCenterView(platform::View& view, QPointF center) {
    const QSizeF size = view.frame().size();
    view.setFrame(QRectF(std::round(center.x() - size.width() / 2),
                         std::round(center.y() - size.height() / 2), size.width(), size.height()));
}

}  // namespace

std::shared_ptr<ZVMessageEditor> ZVMessageEditor::make(
    const std::shared_ptr<Conversation>& conversation, const std::shared_ptr<RowMetrics>& cells) {
    auto editor = std::make_shared<ZVMessageEditor>(conversation, cells);
    editor->setUp();
    return editor;
}

ZVMessageEditor::ZVMessageEditor(const std::shared_ptr<Conversation>& conversation,
                                 const std::shared_ptr<RowMetrics>& cells)
    : conversation_(conversation), cells_(cells) {}

ZVMessageEditor::~ZVMessageEditor() {
    if (emoticonPicker_) {
        emoticonPicker_->hide();
    }
    // The picker's table is a subview of this editor: it goes before the editor does.
    autoCompletePicker_.reset();
}

void ZVMessageEditor::setUp() {
    const auto self = std::static_pointer_cast<ZVMessageEditor>(shared_from_this());
    setBackgroundColor(Qt::transparent);

    sendButton_ = ZVBranding::createPlainButtonWithTitle(kSendTitle);
    sendButton_->setContentEdgeInsets(
        {kButtonInset, kButtonInset, kButtonInset, screenEdgeSpacing()});
    sendButton_->sizeToFit();
    sendButton_->setEnabled(false);
    sendButton_->setHidden(true);
    cancelButton_ = ZVBranding::createPlainButtonWithTitle(kCancelTitle);
    cancelButton_->setContentEdgeInsets({kButtonInset, kButtonInset, kButtonInset, kButtonInset});
    cancelButton_->sizeToFit();
    cancelButton_->setHidden(true);
    fileButton_ = ZVBranding::buttonWithImage(kFileButtonImage);
    fileButton_->setFrame(fileButton_->frame().adjusted(-kFileButtonGrowth, -kFileButtonGrowth,
                                                        kFileButtonGrowth, kFileButtonGrowth));
    const std::weak_ptr<ZVMessageEditor> weak = self;
    cancelButton_->addTarget(platform::Control::TouchUpInside, [weak](platform::Control&) {
        if (const auto editor = weak.lock()) {
            editor->cancelPressed();
        }
    });
    sendButton_->addTarget(platform::Control::TouchUpInside, [weak](platform::Control& sender) {
        const auto editor = weak.lock();
        if (editor && &sender == editor->sendButton_.get() && editor->sendButton_->isEnabled()) {
            editor->handleSend();
        }
    });
    fileButton_->addTarget(platform::Control::TouchUpInside, [weak](platform::Control&) {
        if (const auto editor = weak.lock()) {
            editor->fileButtonPressed();
        }
    });

    editor_ = View::make<ZVTextView>(QRectF(0, 0, kInitialTextWidth, kInitialTextHeight));
    editor_->setFont(ZVTextStyles::fontForStyle(kTextStyle));
    editor_->setBackgroundColor(Qt::white);
    editor_->setTextContainerInset(kTextContainerInset);
    editor_->setScrollEnabled(false);
    editor_->setDelegate(std::shared_ptr<platform::TextViewDelegate>(self, this));
    editor_->setPasteboardDelegate(std::shared_ptr<ZVTextViewPasteboardDelegate>(self, this));

    placeholder_ = makeLabel(kPlaceholderText, kPlaceholderStyle);
    placeholder_->setUserInteractionEnabled(false);
    filesView_ = View::make<ZVPendingFilesView>();
    filesView_->setBackgroundColor(Qt::white);
    filesView_->setSeparator(true);
    filesView_->setHidden(true);

    for (const std::shared_ptr<View>& view :
         {std::static_pointer_cast<View>(filesView_), std::static_pointer_cast<View>(editor_),
          std::static_pointer_cast<View>(placeholder_), std::static_pointer_cast<View>(sendButton_),
          std::static_pointer_cast<View>(cancelButton_),
          std::static_pointer_cast<View>(fileButton_)}) {
        addSubview(view);
    }

    autoCompletePicker_ = std::make_unique<ZVAutoCompletePicker>(self, editor_);
    autoCompletePicker_->addItemType(
        '@', true,
        [weak](const QString& word) {
            QVariantList found;
            const auto editor = weak.lock();
            const auto conversation = editor ? editor->conversation() : nullptr;
            if (!conversation) {
                return found;
            }
            for (const auto& member :
                 conversation->sortedMembers()->membersMatchingString(word, true)) {
                found << QVariant::fromValue(member);
            }
            return found;
        },
        ZVArrayCellGroup::CellClass::of<ZVSmallMemberCell>(u"ZVSmallMemberCell"_s),
        kEditorMentionRowHeight);
    autoCompletePicker_->addItemType(
        '/', false, [](const QString& word) { return slashCommandsWithString(word); },
        ZVArrayCellGroup::CellClass::of<ZVAutoCompletePickerCell>(u"ZVAutoCompletePickerCell"_s),
        kEditorCommandRowHeight);

    const auto conversation = conversation_.lock();
    // A draft shown again is no typing: the others hear of it once the user changes it.
    reportsTyping_ = false;
    setText(conversation && !conversation->pendingMessage().isNull()
                ? conversation->pendingMessage()
                : QString(u""_s));
    reportsTyping_ = true;
    updateFiles();
    if (conversation && conversation->hasEmailSubject()) {
        const QString current = conversation->subject();
        subject_ = current.isNull() ? u""_s : current;
        originalSubject_ = subject_;
    }

    // The text typed last must reach the disk before the process may be ended.
    auto& center = platform::NotificationCenter::defaultCenter();
    resignObservation_ =
        center.addObserverForName(platform::Application::kWillResignActiveNotification,
                                  [weak](const platform::Notification&) {
                                      if (const auto editor = weak.lock()) {
                                          editor->storePendingMessage(true);
                                      }
                                  });
    terminateObservation_ = center.addObserverForName(
        platform::Application::kWillTerminateNotification, [weak](const platform::Notification&) {
            if (const auto editor = weak.lock()) {
                editor->storePendingMessage(true);
            }
        });
}

qreal ZVMessageEditor::screenEdgeSpacing() const {
    const auto cells = cells_.lock();
    return cells ? cells->screenEdgeSpacing() : kButtonInset;
}

// --- text ---

QString ZVMessageEditor::text() const {
    return editor_->text();
}

void ZVMessageEditor::setText(const QString& text) {
    updateScrolling(text);
    editor_->setText(text);
    handleTextChange();
}

void ZVMessageEditor::handleTextChange() {
    updateScrolling(editor_->text());
    updateSendButton();
    updateHeight();
    setNeedsDisplay();
    if (const auto conversation = conversation_.lock(); conversation && reportsTyping_) {
        conversation->setWritingStatus(sendButton_->isEnabled(), 0);
    }
    scheduleSuggestions();
}

qreal ZVMessageEditor::heightForText(const QString& text) const {
    const platform::EdgeInsets inset = editor_->textContainerInset();
    const qreal width = editor_->bounds().width() - inset.horizontal() -
                        2 * platform::TextView::kLineFragmentPadding;
    if (width == measuredWidth_ && text == measuredText_ && !measuredText_.isNull()) {
        return measuredHeight_;
    }
    // A final newline starts a line that is empty until typed in; an empty text still shows one.
    QString measured = text;
    if (measured.isEmpty() || measured.endsWith(u'\n')) {
        measured += u'.';
    }
    platform::TextLook look;
    look.font = platform::resolveFont(editor_->font());
    const QSizeF box(std::max<qreal>(width, 1), kMeasureBoxHeight);
    // Lines are laid out from the top: when the start of a long text already overflows the box,
    // the lines that fit are those of the whole text.
    QSizeF size;
    bool overflows = false;
    for (qsizetype prefix = kEditorMeasurePrefix; !overflows && prefix < measured.size();
         prefix *= 2) {
        const QStringView start = leftAtGraphemeBoundary(measured, prefix);
        int fitted = 0;
        size = platform::TextFrame::suggestedSize(platform::StyledText(start.toString(), look), box,
                                                  &fitted);
        overflows = fitted < start.size();
    }
    if (!overflows) {
        size = platform::TextFrame::suggestedSize(platform::StyledText(measured, look), box);
    }
    measuredText_ = text;
    measuredWidth_ = width;
    measuredHeight_ =
        std::ceil(std::ceil(size.height()) + inset.top + inset.bottom) + kMeasureExtra;
    return measuredHeight_;
}

void ZVMessageEditor::updateScrolling(const QString& text) {
    editor_->setScrollEnabled(heightForText(text) > kMaxTextHeight);
}

bool ZVMessageEditor::textViewShouldChangeText(platform::TextView& /*view*/,
                                               platform::TextRange range,
                                               const QString& replacement) {
    QString next = editor_->text();
    next.replace(range.location, range.length, replacement);
    updateScrolling(next);
    return true;
}

void ZVMessageEditor::textViewDidChange(platform::TextView& /*view*/) {
    handleTextChange();
    // Typing pauses: the text goes to the store, so that a killed process keeps it.
    const std::weak_ptr<ZVMessageEditor> weak =
        std::static_pointer_cast<ZVMessageEditor>(shared_from_this());
    storeTimer_ = platform::Scheduler::main().after(kStorePause, [weak] {
        if (const auto editor = weak.lock()) {
            editor->storePendingMessage(true);
        }
    });
}

void ZVMessageEditor::textViewDidChangeSelection(platform::TextView& /*view*/) {
    scheduleSuggestions();
}

void ZVMessageEditor::textViewDidBeginEditing(platform::TextView& /*view*/) {
    if (!subject_.isNull()) {
        setSubjectVisible(true);
    }
    updateSendButton();
    scheduleSuggestions();
}

void ZVMessageEditor::textViewDidEndEditing(platform::TextView& /*view*/) {
    fileButton_->setHidden(false);
    if (isSubjectVisible()) {
        scheduleHideSubject();
    }
    storePendingMessage(true);
    updateSendButton();
}

void ZVMessageEditor::storePendingMessage(bool save) {
    storeTimer_.cancel();
    const auto conversation = conversation_.lock();
    if (!conversation) {
        return;
    }
    const QString typed = editor_->text();
    if (conversation->pendingMessage() != (typed.isEmpty() ? QString() : typed)) {
        conversation->setPendingMessage(typed);
    }
    if (save) {
        if (const auto session = conversation->repositorySession()) {
            session->saveContext();
        }
    }
}

// --- suggestions ---

void ZVMessageEditor::scheduleSuggestions() {
    const std::weak_ptr<ZVMessageEditor> weak =
        std::static_pointer_cast<ZVMessageEditor>(shared_from_this());
    suggestionTimer_ = platform::Scheduler::main().after(kDeferDelay, [weak] {
        if (const auto editor = weak.lock()) {
            editor->showMentionPicker();
        }
    });
}

void ZVMessageEditor::showMentionPicker() {
    autoCompletePicker_->update();
    updateHeight();
    setNeedsLayout();
    setNeedsDisplay();
}

QVariantList ZVMessageEditor::slashCommandsWithString(const QString& text) {
    static const std::vector<std::pair<QString, QString>> commands{
        {u"/add"_s, u"email"_s},      {u"/remove"_s, u"email"_s},
        {u"/pin"_s, u"message"_s},    {u"/bug"_s, u"message"_s},
        {u"/task"_s, u"message"_s},   {u"/taskto"_s, u"@user message"_s},
        {u"/leave"_s, QString(u""_s)}};
    QVariantList found;
    for (const auto& [command, hint] : commands) {
        if (text.isEmpty()) {
            found << QVariant(QVariantList{command, hint});
            continue;
        }
        const StringRange range = rangeOfPrefixString(command, text);
        if (range.found()) {
            found << QVariant(QVariantList{
                QVariant::fromValue(attributedStringHighlightingRange(command, range)), hint});
        }
    }
    return found;
}

// --- Send ---

bool ZVMessageEditor::hasSomethingToSend() const {
    return !editorTrimmed(editor_->text()).isEmpty() || filesView_->containsFiles() ||
           messageView_ != nullptr;
}

void ZVMessageEditor::updateSendButton() {
    const bool enabled = hasSomethingToSend();
    sendButton_->setEnabled(enabled);
    const bool shown = editor_->isFirstResponder() || enabled;
    if (shown != sendShown_) {
        sendShown_ = shown;
        sendButton_->setHidden(false);
        sendButton_->setAlpha(shown ? 0 : 1);
        const std::weak_ptr<ZVMessageEditor> weak =
            std::static_pointer_cast<ZVMessageEditor>(shared_from_this());
        platform::ViewAnimation::animate(
            kSendFadeDuration,
            [weak, shown] {
                if (const auto editor = weak.lock()) {
                    editor->sendButton_->setAlpha(shown ? 1 : 0);
                }
            },
            [weak](bool) {
                // A later change may have shown it again meanwhile.
                if (const auto editor = weak.lock(); editor && !editor->sendShown_) {
                    editor->sendButton_->setHidden(true);
                }
            });
        setNeedsLayout();
    }
    placeholder_->setHidden(!editorTrimmed(editor_->text()).isEmpty() || messageView_ != nullptr);
}

void ZVMessageEditor::handleSend() {
    updateSendButton();
    if (!sendButton_->isEnabled()) {
        return;
    }
    const auto conversation = conversation_.lock();
    if (!conversation) {
        return;
    }
    if (messageView_) {
        conversation->forwardMessage(messageView_->message());
        cancelPressed();
        return;
    }
    conversation->postMessage(editor_->text(), subject(), filesView_->files());
    conversation->clearPendingMessage();
    setText(u""_s);
    storeTimer_.cancel();
    updateFiles();
    updateHeight();
}

void ZVMessageEditor::cancelPressed() {
    cancelButton_->setHidden(true);
    if (messageView_) {
        messageView_->removeFromSuperview();
        messageView_.reset();
    }
    fileButton_->setEnabled(true);
    editor_->setHidden(false);
    // Back to what was there before the e-mail came: the files wait again.
    filesView_->setHidden(!filesView_->containsFiles());
    setNeedsDisplay();
    setNeedsLayout();
    updateSendButton();
    updateHeight();
}

// --- height and layout ---

qreal ZVMessageEditor::requestedHeight() const {
    qreal height = std::min(heightForText(editor_->text()), kMaxTextHeight) + 2 * kTextMargin;
    if (subjectLabel_) {
        height += subjectLabel_->frame().height() + kSubjectRowExtra;
    }
    if (messageView_) {
        height += messageView_->frame().height();
    }
    height = std::max(height, sendButton_->frame().height());
    if (!filesView_->isHidden()) {
        height += filesView_->frame().height();
    }
    return height + autoCompletePicker_->tableHeight();
}

void ZVMessageEditor::updateHeight() {
    if (requestedHeight() != bounds().height()) {
        changeValueForKey(kRequestedHeightKey);
    }
}

void ZVMessageEditor::setFrame(const QRectF& frame) {
    View::setFrame(frame);
    layoutSubviews();
    setNeedsDisplay();
}

void ZVMessageEditor::layoutSubviews() {
    View::layoutSubviews();
    QRectF r = bounds();
    if (const auto table = autoCompletePicker_->tableView()) {
        const qreal listHeight = autoCompletePicker_->tableHeight();
        r.setTop(r.top() + kEditorMinListHeight);
        table->setFrame(QRectF(r.left(), r.top(), r.width(), listHeight - kEditorMinListHeight));
        r.setTop(r.top() + listHeight - kEditorMinListHeight);
    }
    if (!filesView_->isHidden()) {
        const qreal height = ZVPendingFilesView::kHeight;
        filesView_->setFrame(QRectF(r.left(), r.bottom() - height, r.width(), height));
        r.setBottom(r.bottom() - height);
    }
    if (messageView_) {
        const qreal height = messageView_->frame().height();
        messageView_->setFrame(QRectF(r.left(), r.bottom() - height, r.width(), height));
        r.setBottom(r.bottom() - height);
    }
    if (fileButton_->isHidden()) {
        r.setLeft(r.left() + kButtonInset);
    } else {
        const QSizeF size = fileButton_->frame().size();
        editorCenterView(*fileButton_,
                         QPointF(r.left() + size.width() / 2, r.bottom() - size.height() / 2));
        r.setLeft(r.left() + size.width());
    }
    const qreal buttonY = fileButton_->frame().center().y();
    for (const auto& button : {sendButton_, cancelButton_}) {
        const bool shown = button == sendButton_ ? sendShown_ : !button->isHidden();
        if (!shown) {
            continue;
        }
        const qreal width = button->frame().width();
        editorCenterView(*button, QPointF(r.right() - width / 2, buttonY));
        r.setRight(r.right() - width);
    }
    r.adjust(0, kTextMargin, 0, -kTextMargin);
    if (subjectLabel_ && subjectField_) {
        r.setTop(r.top() + kSubjectTopGap);
        const qreal height = subjectLabel_->frame().height();
        const QRectF row = QRectF(r.left(), r.top(), r.width(), height)
                               .adjusted(kSubjectSideInset, 0, -kSubjectSideInset, 0);
        subjectLabel_->setFrame(
            QRectF(row.left(), row.top(), subjectLabel_->frame().width(), height));
        subjectField_->setFrame(QRectF(subjectLabel_->frame().right(), row.top(),
                                       row.right() - subjectLabel_->frame().right(), height));
        r.setTop(r.top() + height + kSubjectBottomGap);
    }
    const QRectF textFrame = r.adjusted(kTextSideInset, 0, -kTextSideInset, 0);
    if (editor_->frame() != textFrame) {
        editor_->setFrame(textFrame);
    }
    const QSizeF placeholderSize = placeholder_->frame().size();
    placeholder_->setFrame(QRectF(textFrame.left() + kPlaceholderIndent,
                                  std::round(textFrame.center().y() - placeholderSize.height() / 2),
                                  placeholderSize.width(), placeholderSize.height()));
}

QRectF ZVMessageEditor::textBox() const {
    const qreal left = fileButton_->isHidden() ? kButtonInset : fileButton_->frame().right();
    const qreal right = sendShown_ ? sendButton_->frame().left() : bounds().right();
    return QRectF(left, editor_->frame().top(), right - left, editor_->frame().height())
        .adjusted(kEditorTextBoxInsetX, kEditorTextBoxInsetY, -kEditorTextBoxInsetX,
                  -kEditorTextBoxInsetY);
}

void ZVMessageEditor::drawRect(QPainter& painter, const QRectF& /*rect*/) {
    const qreal listHeight = autoCompletePicker_->tableHeight();
    const QRectF below = bounds().adjusted(0, listHeight, 0, 0);
    painter.fillRect(below, Qt::white);
    drawSeparator(painter, below, true, false);
    if (listHeight > kEditorMinListHeight) {
        drawHorizontalLine(painter, bounds().top(), bounds().left(), bounds().right());
    }
    if (subjectField_) {
        const qreal y =
            subjectField_->frame().top() + subjectField_->frame().height() + kSubjectBottomGap;
        drawHorizontalLine(painter, std::round(y), textBox().left(), textBox().right(), true);
    }
}

platform::View* ZVMessageEditor::hitTest(QPointF point, const platform::TouchEvent* event) {
    platform::View* hit = View::hitTest(point, event);
    return hit == this ? nullptr : hit;
}

bool ZVMessageEditor::becomeFirstResponder() {
    return editor_->becomeFirstResponder();
}

bool ZVMessageEditor::composerHasFocus() const {
    return editor_->isFirstResponder() || (subjectField_ && subjectField_->isFirstResponder());
}

bool ZVMessageEditor::resignFirstResponder() {
    if (subjectField_ && subjectField_->isFirstResponder()) {
        subjectField_->resignFirstResponder();
    }
    return editor_->resignFirstResponder();
}

std::shared_ptr<platform::Label> ZVMessageEditor::makeLabel(const QString& text, int style) {
    auto label = platform::View::make<platform::Label>();
    ZVTextStyles::styleLabel(*label, style);
    label->setText(text);
    label->sizeToFit();
    const QRectF frame = label->frame();
    label->setFrame(
        QRectF(frame.topLeft(), QSizeF(std::ceil(frame.width()), std::ceil(frame.height()))));
    return label;
}
