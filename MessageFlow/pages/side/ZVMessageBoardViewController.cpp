#include "MessageFlow/pages/side/ZVMessageBoardViewController.h"

#include "MessageEditor/ZVFlatMessageEditor.h"
#include "MessageFlow/rows/ZVConversationCells.h"
#include "MessageFlow/rows/cells/ZVMessageCell.h"
#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "app/shell/ZVGlobals.h"
#include "platform/foundation/Application.h"
#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/controllers/navigation/BarButtonItem.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/richtext/message/ZVRichMessageRepresentation.h"
#include "toolkit/screens/ZVStatusView.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/tables/ZVTextView.h"
#include "toolkit/widgets/ZVSearchBar.h"

using platform::BarButtonItem;

std::shared_ptr<ZVMessageBoardViewController> ZVMessageBoardViewController::make(
    const std::shared_ptr<Conversation>& conversation, int page, const HooksFactory& hooks) {
    auto board = std::make_shared<ZVMessageBoardViewController>(conversation, page);
    if (hooks) {
        board->hooks_ = hooks(std::weak_ptr<ZVMessageBoard>(
            std::shared_ptr<ZVMessageBoard>(board, static_cast<ZVMessageBoard*>(board.get()))));
    }
    board->start();
    return board;
}

ZVMessageBoardViewController::ZVMessageBoardViewController(
    const std::shared_ptr<Conversation>& conversation, int page)
    : ZVConversationTableViewController(conversation, page), page_(page) {
    cells_ = ZVConversationCells::make(table(), nullptr, page_);
}

ZVMessageBoardViewController::~ZVMessageBoardViewController() = default;

void ZVMessageBoardViewController::start() {
    ZVConversationTableViewController::start();
    const std::weak_ptr<ZVMessageBoardViewController> weak =
        std::static_pointer_cast<ZVMessageBoardViewController>(weakSelf().lock());
    reorderButton_ = BarButtonItem::withTitle(kReorderTitle, BarButtonItem::Style::Plain,
                                              [weak](BarButtonItem&) {
                                                  if (const auto board = weak.lock()) {
                                                      board->startReorder();
                                                  }
                                              });
    newButton_ = BarButtonItem::withImage(platform::Images::named(kNewImage),
                                          BarButtonItem::Style::Plain, [weak](BarButtonItem&) {
                                              if (const auto board = weak.lock()) {
                                                  board->createNew();
                                              }
                                          });
    const auto self = weak.lock();
    cells_->setBackgroundTextDelegate(std::shared_ptr<ZVRichTextDelegate>(self, self.get()));
    table()->setDataSource(cells_);
    cells_->addMessageMenuHandler(table());
    updateFilePreviews();
    updateSource();
    loadMoreIfNeeded();
}

std::shared_ptr<ZVMessageArray> ZVMessageBoardViewController::messageSource() const {
    return hooks_ ? hooks_->messageSource() : nullptr;
}

bool ZVMessageBoardViewController::tablet() const {
    return platform::Application::shared().userInterfaceIdiom() ==
           platform::UserInterfaceIdiom::Pad;
}

void ZVMessageBoardViewController::updateFilePreviews() {
    const auto shown = conversation();
    const auto session = shown ? shown->repositorySession() : nullptr;
    const auto& profile = session ? session->profile() : nullptr;
    cells_->setShowFilePreviews(!profile || profile->filePreviewsEnabled());
}

// --- source and buttons ---

void ZVMessageBoardViewController::updateSource() {
    const QString text = searchText();
    if (text.isEmpty()) {
        if (searchMessages_) {
            // The matches lose their highlights.
            for (const auto& message : *searchMessages_) {
                message->updateRepresentation();
            }
            searchMessages_.reset();
        }
        cells_->setMessages(messageSource());
    } else {
        const auto source = messageSource();
        searchMessages_ = std::make_shared<ZVMessageArray>(
            source ? source->messagesMatchingText(text) : ZVMessageArray());
        cells_->setMessages(searchMessages_);
    }
    if (!isEditing()) {
        updateButtonsAnimated(false);
    }
    cells_->reloadData();
    updateSearchBar();
    updateLoadingStatus();
}

void ZVMessageBoardViewController::updateButtonsAnimated(bool animated) {
    const auto listed = cells_->messages();
    const qsizetype count = listed ? listed->count() : 0;
    const auto shown = conversation();
    platform::NavigationItem::Items items;
    // An empty board offers its empty-state link instead.
    if (count >= 1 && shown && shown->canPost()) {
        items.push_back(newButton_);
    }
    if (count > kReorderRowCount) {
        items.push_back(reorderButton_);
    }
    navigationItem().setRightBarButtonItems(items, animated);
}

void ZVMessageBoardViewController::setListStyle(bool listStyle) {
    cells_->setListStyle(listStyle);
}

void ZVMessageBoardViewController::setEmptyText(const QString& text) {
    cells_->setEmptyText(text);
}

void ZVMessageBoardViewController::setCreateNewText(const QString& text) {
    cells_->setCreateNewText(text);
}

void ZVMessageBoardViewController::notifyCellHeightChange(bool animated) {
    table()->notifyCellHeightChange(animated);
}

// --- the page's hooks ---

QStringList ZVMessageBoardViewController::observeProps() const {
    return hooks_ ? hooks_->observeProps() : QStringList();
}

bool ZVMessageBoardViewController::canLoadMore() const {
    return hooks_ && hooks_->canLoadMore();
}

void ZVMessageBoardViewController::loadMore() {
    if (hooks_) {
        hooks_->loadMore();
    }
}

QString ZVMessageBoardViewController::moreAvailableText() const {
    return hooks_ ? hooks_->moreAvailableText() : QString();
}

QString ZVMessageBoardViewController::emptyText() const {
    return hooks_ ? hooks_->emptyText() : QString();
}

QString ZVMessageBoardViewController::createNewText() const {
    return hooks_ ? hooks_->createNewText() : QString();
}

void ZVMessageBoardViewController::observedChange(const QString& key) {
    if (key == ZVUserProfile::ClientFlagsKey) {
        updateFilePreviews();
        cells_->reloadData();
        return;
    }
    ZVConversationTableViewController::observedChange(key);
    if (key == QLatin1StringView("can_post")) {
        cells_->setCreateNewText(createNewText());
        updateButtonsAnimated(false);
    }
    if (hooks_) {
        hooks_->didObserveChange(key);
    }
}

// --- the editor ---

qreal ZVMessageBoardViewController::statusInset() const {
    const ZVGlobals* globals = ZVGlobals::globals();
    return globals && globals->statusView() ? globals->statusView()->contentInset() : 0;
}

void ZVMessageBoardViewController::openEditor(const std::shared_ptr<ZVFlatMessageEditor>& editor,
                                              const QRectF& frame) {
    editor_ = editor;
    editor_->setFrame(frame);
    editor_->setAlpha(0);
    view()->addSubview(editor_);
    setTopInset(statusInset());
    setEditing(true, true);
}

void ZVMessageBoardViewController::createNew() {
    auto editor = ZVFlatMessageEditor::make();
    if (newMessageModifier_ == kPinModifier) {
        editor->setBackgroundColor(platform::resolveColor(ZVColors::pin()));
    }
    editedMessageNr_ = 0;
    openEditor(editor, QRectF(0, 0, view()->bounds().width(), kNewEditorHeight));
}

void ZVMessageBoardViewController::editMessage(const std::shared_ptr<Message>& message) {
    if (!message || !message->canEdit()) {
        return;
    }
    QRectF frame = cells_->visibleRectForMessageNr(message->messageNr());
    frame.setHeight(std::max(frame.height(), kMinimumEditorHeight));
    editedMessageNr_ = message->messageNr();
    if (const auto shown = conversation()) {
        shown->setWritingStatus(true, editedMessageNr_);
    }
    openEditor(ZVFlatMessageEditor::make(message), frame);
}

void ZVMessageBoardViewController::setTopInset(qreal inset) {
    if (editor_) {
        editor_->textView()->setTextContainerInset(platform::EdgeInsets{inset, 0, 0, 0});
    }
}

void ZVMessageBoardViewController::closeEditor() {
    const auto closing = std::move(editor_);
    editor_.reset();
    closing->textView()->resignFirstResponder();
    const std::int64_t edited = std::exchange(editedMessageNr_, 0);
    const QRectF target = cells_->visibleRectForMessageNr(edited);
    // The page's view holds the editor until the animation ends; one that goes first takes it.
    const std::weak_ptr<ZVFlatMessageEditor> weak = closing;
    platform::ViewAnimation::animate(
        kEditorCloseDuration,
        [&closing, target] {
            closing->setFrame(target);
            closing->setAlpha(0);
        },
        [weak](bool) {
            if (const auto editor = weak.lock()) {
                editor->removeFromSuperview();
            }
        });
    if (edited != 0) {
        if (const auto shown = conversation()) {
            shown->setWritingStatus(false, edited);
        }
    }
}

void ZVMessageBoardViewController::setEditing(bool editing, bool animated) {
    ZVConversationTableViewController::setEditing(editing, animated);
    if (editor_) {
        if (editing) {
            editor_->becomeFirstResponder();
            return;
        }
        closeEditor();
    }
    if (!searchText().isEmpty()) {
        searchBar()->setText(QString());
        updateSource();
    }
    navigationItem().setLeftBarButtonItem(nullptr, animated);
    if (editing) {
        const std::weak_ptr<ZVMessageBoardViewController> weak =
            std::static_pointer_cast<ZVMessageBoardViewController>(weakSelf().lock());
        navigationItem().setRightBarButtonItems(
            {BarButtonItem::withTitle(kDoneTitle, BarButtonItem::Style::Done,
                                      [weak](BarButtonItem&) {
                                          if (const auto board = weak.lock()) {
                                              board->endReorder();
                                          }
                                      })},
            animated);
    } else {
        updateButtonsAnimated(animated);
    }
    table()->setEditing(editing, animated);
    cells_->reloadData();
}

void ZVMessageBoardViewController::commitEdit() {
    if (editor_ && editedMessageNr_ != 0) {
        editor_->commitEdit();
    } else if (editor_) {
        const QString text = editor_->text();
        const auto files = editor_->files();
        const auto shown = conversation();
        // A blank new message is dropped, not posted.
        if (shown && (!text.trimmed().isEmpty() || !files.empty())) {
            shown->postMessage(text, QString(), files, newMessageModifier_);
        }
    }
    ZVConversationTableViewController::commitEdit();
}

void ZVMessageBoardViewController::startReorder() {
    searchBar()->resignFirstResponder();
    if (const auto listed = cells_->messages()) {
        for (const auto& message : *listed) {
            message->representation()->setExpanded(false);
        }
    }
    setEditing(true, true);
}

void ZVMessageBoardViewController::endReorder() {
    setEditing(false, true);
}

// --- keyboard ---

void ZVMessageBoardViewController::keyboardWillShow(const platform::Notification& notification) {
    ZVConversationTableViewController::keyboardWillShow(notification);
    if (!editor_) {
        return;
    }
    const qreal keyboard =
        tablet() ? 0 : extractKeyboardSizeFromNotification(notification).height();
    const QRectF bounds = view()->bounds();
    const auto editor = editor_;
    startKeyboardAnimation(notification, [editor, bounds, keyboard] {
        editor->setFrame(QRectF(0, 0, bounds.width(), bounds.height() - keyboard));
        editor->setAlpha(1);
    });
}

void ZVMessageBoardViewController::keyboardWillChangeFrame(
    const platform::Notification& notification) {
    ZVConversationTableViewController::keyboardWillChangeFrame(notification);
    if (!editor_ || tablet()) {
        return;
    }
    const qreal keyboard = extractKeyboardSizeFromNotification(notification).height();
    const QRectF bounds = view()->bounds();
    const auto editor = editor_;
    startKeyboardAnimation(notification, [editor, bounds, keyboard] {
        editor->setFrame(QRectF(0, 0, bounds.width(), bounds.height() - keyboard));
    });
}

void ZVMessageBoardViewController::keyboardWillHide(const platform::Notification& notification) {
    ZVConversationTableViewController::keyboardWillHide(notification);
    if (editor_) {
        editor_->setFrame(view()->bounds());
    }
}

// --- rows ---

std::optional<qreal> ZVMessageBoardViewController::tableViewHeightForRowAtIndexPath(
    platform::TableView& table, platform::IndexPath path) {
    return cells_->tableViewHeightForRowAtIndexPath(table, path);
}

void ZVMessageBoardViewController::tableViewWillDisplayCell(platform::TableView& table,
                                                            platform::TableViewCell& cell,
                                                            platform::IndexPath path) {
    cells_->tableViewWillDisplayCell(table, cell, path);
}

void ZVMessageBoardViewController::tableViewDidHighlightRowAtIndexPath(platform::TableView& table,
                                                                       platform::IndexPath path) {
    cells_->tableViewDidHighlightRowAtIndexPath(table, path);
}

std::optional<platform::IndexPath> ZVMessageBoardViewController::tableViewWillSelectRowAtIndexPath(
    platform::TableView& table, platform::IndexPath path) {
    return cells_->tableViewWillSelectRowAtIndexPath(table, path);
}

void ZVMessageBoardViewController::tableViewDidSelectRowAtIndexPath(platform::TableView& table,
                                                                    platform::IndexPath path) {
    searchBar()->resignFirstResponder();
    const auto message = cells_->messageByIndexPath(path);
    cells_->tableViewDidSelectRowAtIndexPath(table, path);
    if (!message) {
        return;
    }
    if (message->isOfType(Message::TypeSeparator)) {
        if (const auto shown = conversation()) {
            const auto tasks = shown->tasks();
            const auto last = tasks ? tasks->lastMessage() : nullptr;
            // The archive header (number 0) opens the archive once.
            if (message->messageNr() == 0 && last && !last->isArchived()) {
                shown->loadTaskArchive();
            }
            shown->resetVisibleTasks();
        }
    }
    if (hooks_) {
        hooks_->didSelectMessage(message);
    }
}

// --- focus and selection ---

void ZVMessageBoardViewController::focusMessage(std::int64_t messageNr) {
    const auto source = messageSource();
    const auto message = source ? source->messageByNr(messageNr) : nullptr;
    if (!message) {
        return;
    }
    if (const auto model = ZVRichMessageRepresentation::of(message)) {
        model->highlightSearchMatches();
        if (model->expandable()) {
            model->setExpanded(true);
        }
    }
    cells_->reloadData();
    cells_->scrollToMessage(messageNr, false, kFocusDistance);
}

void ZVMessageBoardViewController::selectMessage(const std::shared_ptr<Message>& message) {
    if (!message) {
        return;
    }
    for (const auto& visible : table()->visibleCells()) {
        const auto cell = std::dynamic_pointer_cast<ZVMessageCell>(visible);
        const auto shown = cell ? cell->message() : nullptr;
        if (shown && shown->messageNr() == message->messageNr()) {
            cell->beginSelection();
            return;
        }
    }
}
