#include "MessageEditor/ZVFlatMessageEditor.h"

#include "MessageEditor/ZVAutoCompletePicker.h"
#include "MessageEditor/ZVClipboardMessage.h"
#include "MessageEditor/ZVEmoticonPicker.h"
#include "MessageEditor/ZVSmallMemberCell.h"
#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/markup/ZVMessageStripper.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/standins/input/Pasteboard.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/alerts/ZVActionMenuButton.h"
#include "toolkit/alerts/ZVAlertViewManager.h"
#include "toolkit/richtext/message/ZVRichMessageRepresentation.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/tables/ZVTextView.h"

#include <QtGui/QPainter>

#include <cmath>

namespace {

// A file as an edit compares it: the same attachment at the same address.
QString flatEditorFileKey(const File& file) {
    return file.attachmentId() + QLatin1Char('\n') + file.fileUrl();
}

QStringList flatEditorFileKeys(const std::vector<std::shared_ptr<File>>& files) {
    QStringList keys;
    for (const auto& file : files) {
        if (file) {
            keys.append(flatEditorFileKey(*file));
        }
    }
    return keys;
}

}  // namespace

std::shared_ptr<ZVFlatMessageEditor> ZVFlatMessageEditor::make(
    const std::shared_ptr<Message>& message) {
    auto editor = std::make_shared<ZVFlatMessageEditor>();
    editor->build();
    if (message) {
        editor->fill(message);
    }
    return editor;
}

ZVFlatMessageEditor::ZVFlatMessageEditor() = default;

ZVFlatMessageEditor::~ZVFlatMessageEditor() {
    if (editor_) {
        editor_->setDelegate({});
    }
}

void ZVFlatMessageEditor::build() {
    const auto self = std::static_pointer_cast<ZVFlatMessageEditor>(shared_from_this());
    fileButton_ = platform::Button::make(platform::Button::Type::Custom);
    const QImage image = platform::Images::named(kFileButtonImage);
    fileButton_->setImage(image, platform::Button::Normal);
    const QSizeF imageSize = platform::Images::pointSize(image);
    fileButton_->setFrame(
        QRectF(QPointF(), imageSize)
            .adjusted(-kFileButtonGrowth, -kFileButtonGrowth, kFileButtonGrowth, kFileButtonGrowth)
            .translated(kFileButtonGrowth, kFileButtonGrowth));
    const std::weak_ptr<ZVFlatMessageEditor> weak = self;
    fileButton_->addTarget(platform::Control::TouchUpInside, [weak](platform::Control&) {
        if (const auto editor = weak.lock()) {
            editor->openFile();
        }
    });

    editor_ = platform::View::make<ZVTextView>(QRectF(0, 0, kInitialTextWidth, kInitialTextHeight));
    editor_->setDelegate(std::shared_ptr<platform::TextViewDelegate>(self, self.get()));
    editor_->setPasteboardDelegate(std::shared_ptr<ZVTextViewPasteboardDelegate>(self, self.get()));
    editor_->setFont(ZVTextStyles::fontForStyle(kTextStyle));
    editor_->setTextContainerInset(platform::EdgeInsets{kTextInsetY, 0, kTextInsetY, 0});
    editor_->setScrollEnabled(true);

    filesView_ = platform::View::make<ZVPendingFilesView>();
    filesView_->setSeparator(true);

    addSubview(editor_);
    addSubview(fileButton_);
    addSubview(filesView_);
    setBackgroundColor(Qt::white);
    autoCompletePicker_ = std::make_unique<ZVAutoCompletePicker>(self, editor_);
}

void ZVFlatMessageEditor::fill(const std::shared_ptr<Message>& message) {
    message_ = message;
    setBackgroundColor(message->isPinned() ? platform::resolveColor(ZVColors::pin())
                                           : QColor(Qt::white));
    // Quotes stay: the user edits the message as it stands.
    originalText_ = ZVMessageStripper::extractPlainTextWithMarkup(message->message(), false);
    editor_->setText(originalText_);
    const auto model = ZVRichMessageRepresentation::of(message);
    if (model && model->hasDistinctSubject()) {
        setSubjectVisible(true);
    }
    if (model) {
        for (const auto& file : model->files().value_or(Message::Files{})) {
            addFile(file, false);
        }
    }
    originalFiles_ = flatEditorFileKeys(filesView_->files());
    addMentionSuggestions();
    setNeedsLayout();
}

void ZVFlatMessageEditor::addMentionSuggestions() {
    const std::weak_ptr<Message> weak = message_;
    autoCompletePicker_->addItemType(
        '@', true,
        [weak](const QString& word) {
            QVariantList found;
            const auto message = weak.lock();
            const auto conversation = message ? message->conversation() : nullptr;
            if (!conversation) {
                return found;
            }
            // The user is never offered to mention themselves.
            for (const auto& member :
                 conversation->sortedMembers()->membersMatchingString(word, false)) {
                found << QVariant::fromValue(member);
            }
            return found;
        },
        ZVArrayCellGroup::CellClass::of<ZVSmallMemberCell>(QStringLiteral("ZVSmallMemberCell")),
        kMemberRowHeight);
}

std::vector<std::shared_ptr<File>> ZVFlatMessageEditor::files() const {
    return filesView_->files();
}

QString ZVFlatMessageEditor::text() const {
    return editor_->text();
}

// --- commit ---

std::shared_ptr<Message> ZVFlatMessageEditor::commitTarget() {
    auto message = message_.lock();
    if (!message || message->actualMessageNr() == 0) {
        return message;
    }
    // Posted from here and stored by the service since: the stored message takes the edit.
    std::shared_ptr<Message> stored;
    const auto conversation = message->conversation();
    const auto session = conversation ? conversation->repositorySession() : nullptr;
    if (const auto owner =
            session ? session->conversationFromId(message->conversationId()) : nullptr) {
        stored = owner->messageByNumber(message->actualMessageNr());
    }
    message_ = stored;
    return stored;
}

void ZVFlatMessageEditor::commitEdit() {
    const auto message = commitTarget();
    if (!message) {
        return;
    }
    const auto edited = files();
    // An unchanged body is no edit: everyone would see the message marked edited.
    if (text() != originalText_ || flatEditorFileKeys(edited) != originalFiles_) {
        message->editBody(text(), edited);
    }
    if (subject_ && subject_->text() != message->subject()) {
        message->editSubject(subject_->text());
    }
}

// --- files ---

void ZVFlatMessageEditor::addFile(const std::shared_ptr<File>& file) {
    if (!file) {
        return;
    }
    const auto message = message_.lock();
    if (file->conversationId().isEmpty() && message) {
        file->setConversationId(message->conversationId());
    }
    addFile(file, true);
}

void ZVFlatMessageEditor::addFile(const std::shared_ptr<File>& file, bool update) {
    filesView_->addFile(file);
    if (update) {
        setNeedsLayout();
        layoutIfNeeded();
        setNeedsDisplay();
    }
}

void ZVFlatMessageEditor::filesChanged() {
    filesView_->setHidden(!filesView_->containsFiles());
    setNeedsLayout();
    setNeedsDisplay();
}

void ZVFlatMessageEditor::openFile() {
    const auto message = message_.lock();
    const auto conversation = message ? message->conversation() : nullptr;
    const auto session = conversation ? conversation->repositorySession() : nullptr;
    if (!session) {
        return;
    }
    const std::weak_ptr<ZVFlatMessageEditor> weak =
        std::static_pointer_cast<ZVFlatMessageEditor>(shared_from_this());
    attachmentMenu_ = session->pickFileWithCompletion(
        [weak](std::shared_ptr<File> file) {
            if (const auto editor = weak.lock()) {
                editor->addFile(file);
            }
        },
        false);
    const auto menu = std::static_pointer_cast<ZVActionMenu>(attachmentMenu_);
    if (!menu) {
        return;
    }
    const bool ownPictures = !(session->profile() && session->profile()->isClientFlagSet(
                                                         QString(ZVUserProfile::OldEmoticonsFlag)));
    const auto emoticons = menu->addOption(kEmoticonOption, kEmoticonTitle);
    emoticons->setAction([weak, ownPictures] {
        const auto editor = weak.lock();
        if (!editor) {
            return;
        }
        auto popup = ZVAlertView::make(QString(), QString(), {}, QString(), {});
        popup->setViews({platform::View::make<ZVEmoticonPicker>(
            std::shared_ptr<ZVTextInjecting>(editor, editor.get()), ownPictures)});
        popup->setPointAtView(editor->fileButton_);
        popup->setKeyboardSetting(ZVAlertView::kKeepKeyboard);
        editor->emoticonPicker_ = popup;
        popup->show();
    });
    menu->setPointAtView(fileButton_);
    menu->setKeyboardSetting(ZVAlertView::kKeepKeyboard);
    menu->show();
}

// --- text ---

void ZVFlatMessageEditor::injectText(const QString& text) {
    if (!text.isNull()) {
        editor_->replace(editor_->selectedRange(), text);
    }
    if (emoticonPicker_) {
        ZVAlertViewManager::alertViewManager().hideAlertView(*emoticonPicker_);
        emoticonPicker_.reset();
    }
}

void ZVFlatMessageEditor::copyText(const QString& text) {
    platform::Pasteboard::general()->setString(text);
}

void ZVFlatMessageEditor::paste() {
    if (const auto copied = ZVClipboardMessage::fromClipboard()) {
        pasteMessage(*copied, false);
    }
}

void ZVFlatMessageEditor::pasteMessage(const ZVClipboardMessage& copied, bool quote) {
    const auto message = message_.lock();
    const auto conversation = message ? message->conversation() : nullptr;
    const auto session = conversation ? conversation->repositorySession() : nullptr;
    if (copied.conversationId().isEmpty() && copied.message().size() > kLongPasteLength) {
        if (const auto file =
                session ? session->fileWithData(copied.message().toUtf8(), kCopiedTextName)
                        : nullptr) {
            addFile(file);
        }
        return;
    }
    if (quote) {
        // A quote carries words only; the files stay with the quoted message.
        injectText(copied.quotedText());
    } else {
        injectText(copied.message());
        for (const auto& file : copied.files()) {
            addFile(file, false);
        }
    }
    setNeedsLayout();
    layoutIfNeeded();
    setNeedsDisplay();
}

void ZVFlatMessageEditor::scheduleAutoComplete() {
    // Held by the editor: it dies with it.
    suggestionTimer_ =
        platform::Scheduler::main().after(kSuggestionDelay, [this] { updateAutoComplete(); });
}

void ZVFlatMessageEditor::updateAutoComplete() {
    autoCompletePicker_->update();
    setNeedsLayout();
}

// --- subject ---

void ZVFlatMessageEditor::setSubjectVisible(bool visible) {
    if (visible == (subject_ != nullptr)) {
        return;
    }
    if (visible) {
        subjectLabel_ = platform::View::make<platform::Label>();
        subjectLabel_->setFont(ZVTextStyles::fontForStyle(kSubjectStyle));
        subjectLabel_->setText(kSubjectLabel);
        subject_ = platform::View::make<platform::TextField>();
        subject_->setFont(subjectLabel_->font());
        const auto message = message_.lock();
        const auto model = message ? ZVRichMessageRepresentation::of(message) : nullptr;
        subject_->setText(model && model->hasDistinctSubject() ? message->subject() : QString());
        subject_->setPlaceholder(kSubjectPlaceholder);
        subjectLabel_->sizeToFit();
        const QRectF frame = subjectLabel_->frame();
        subjectLabel_->setFrame(
            QRectF(frame.topLeft(), QSizeF(std::ceil(frame.width()), std::ceil(frame.height()))));
        addSubview(subjectLabel_);
        addSubview(subject_);
    } else {
        subjectLabel_->removeFromSuperview();
        subject_->removeFromSuperview();
        subjectLabel_.reset();
        subject_.reset();
    }
    setNeedsLayout();
}

// --- view ---

void ZVFlatMessageEditor::setBackgroundColor(const QColor& color) {
    platform::View::setBackgroundColor(color);
    if (editor_) {
        editor_->setBackgroundColor(color);
    }
    if (filesView_) {
        filesView_->setBackgroundColor(color);
    }
}

bool ZVFlatMessageEditor::becomeFirstResponder() {
    return editor_->becomeFirstResponder();
}

void ZVFlatMessageEditor::setFrame(const QRectF& frame) {
    platform::View::setFrame(frame);
    layoutSubviews();
}

qreal ZVFlatMessageEditor::bottomStripHeight() const {
    const qreal button = fileButton_->frame().height();
    return filesView_->containsFiles() ? std::max(button, ZVPendingFilesView::kHeight) : button;
}

void ZVFlatMessageEditor::layoutSubviews() {
    if (!editor_) {
        return;
    }
    QRectF r = bounds();
    if (subject_) {
        r.setTop(r.top() + kSubjectTop);
        const qreal height = subjectLabel_->frame().height();
        const QRectF strip(r.left() + kMarginX, r.top(), r.width() - 2 * kMarginX, height);
        const qreal labelWidth = subjectLabel_->frame().width();
        subjectLabel_->setFrame(QRectF(strip.left(), strip.top(), labelWidth, height));
        subject_->setFrame(QRectF(strip.left() + labelWidth, strip.top(),
                                  std::max<qreal>(0, strip.width() - labelWidth), height));
        r.setTop(r.top() + height + kSubjectBottom);
    }
    const bool showFiles = filesView_->containsFiles();
    filesView_->setHidden(!showFiles);
    const qreal button = fileButton_->frame().width();
    const qreal stripHeight =
        showFiles ? ZVPendingFilesView::kHeight : fileButton_->frame().height();
    QRectF strip(r.left(), r.bottom() - stripHeight, r.width(), stripHeight);
    r.setBottom(strip.top());
    const QSizeF buttonSize = fileButton_->frame().size();
    fileButton_->setFrame(QRectF(strip.left(),
                                 strip.top() + (strip.height() - buttonSize.height()) / 2,
                                 buttonSize.width(), buttonSize.height()));
    if (showFiles) {
        filesView_->setFrame(QRectF(strip.left() + button + kFilesGap, strip.top(),
                                    std::max<qreal>(0, strip.width() - button - kFilesGap),
                                    strip.height()));
    }
    if (const auto table = autoCompletePicker_->tableView()) {
        const qreal height = autoCompletePicker_->tableHeight();
        table->setFrame(QRectF(r.left(), r.bottom() - height, r.width(), height));
        r.setBottom(r.bottom() - height);
    }
    editor_->setFrame(r.adjusted(kMarginX, kMarginY, -kMarginX, -kMarginY));
}

void ZVFlatMessageEditor::drawRect(QPainter& painter, const QRectF& rect) {
    platform::View::drawRect(painter, rect);
    const qreal y = bounds().height() - bottomStripHeight() - 1;
    painter.fillRect(QRectF(0, y, bounds().width(), 1),
                     QColor::fromRgbF(kLineWhite, kLineWhite, kLineWhite, 1));
}
