#include "MessageFlow/screen/ZVConversationViewController.h"

#include "MessageFlow/markers/ZVHorizonIndicators.h"
#include "MessageFlow/pages/ZVConversationPageSet.h"
#include "MessageFlow/pages/ZVWritersView.h"
#include "MessageFlow/rows/ZVConversationCells.h"
#include "MessageFlow/screen/ZVConversationComposer.h"
#include "MessageFlow/screen/ZVConversationScreenActions.h"
#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ConversationWriters.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "ZelvoKit/model/ZVMessageRepresentation.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "files/views/ZVFileView.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Format.h"
#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/controllers/TransitionCoordinator.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/resources/Images.h"
#include "toolkit/tables/ZVTableMessage.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

#include <QtCore/QSet>

#include <cmath>
#include <limits>

using namespace Qt::Literals::StringLiterals;

const QStringList& ZVConversationViewController::observedKeys() {
    static const QStringList keys{
        u"messages"_s,          u"isLoading"_s,        u"can_post"_s,
        u"writers"_s,           u"memberHorizons"_s,   u"members"_s,
        u"loadState"_s,         u"forwardedMessage"_s, u"is_url_preview_disabled"_s,
        u"has_email_subject"_s, u"subject"_s};
    return keys;
}

std::shared_ptr<ZVConversationViewController> ZVConversationViewController::make(
    const std::shared_ptr<Conversation>& conversation, int page) {
    auto screen = std::make_shared<ZVConversationViewController>(conversation, page);
    screen->build(page);
    return screen;
}

ZVConversationViewController::ZVConversationViewController(
    const std::shared_ptr<Conversation>& conversation, int /*page*/)
    : conversation_(conversation) {
    if (const auto session = conversation_ ? conversation_->repositorySession() : nullptr) {
        userProfile_ = session->profile();
    }
    setTrackingCategory(kTrackingCategory);
    if (conversation_) {
        setTitle(conversation_->topicText());
    }
}

ZVConversationViewController::~ZVConversationViewController() {
    if (!observersReleased_) {
        releaseObservers();
    }
    requestedHeightObservation_ = {};
    if (messageEditor_) {
        messageEditor_->setOnEditMessage({});
        messageEditor_->removeFromSuperview();
        messageEditor_.reset();
    }
}

std::weak_ptr<ZVConversationViewController> ZVConversationViewController::weakPage() {
    return std::static_pointer_cast<ZVConversationViewController>(shared_from_this());
}

void ZVConversationViewController::build(int page) {
    if (!conversation_) {
        return;
    }
    const auto root = view();
    auto table = platform::View::make<ZVTableView>(root->bounds());
    setTable(table);
    conversation_->loadMessages();

    cells_ = ZVConversationCells::make(table, conversation_->messages(), page);
    cells_->setTableAndBottomViewController(
        std::static_pointer_cast<ZVTableAndBottomViewController>(shared_from_this()));
    updateAvatars();
    cells_->setShowFilePreviews(
        !(userProfile_ && userProfile_->isClientFlagSet(kNoInlineImagesFlag)));
    cells_->setEnableAccessories(true);
    cells_->setEmptyText(kEmptyText);
    table->setDataSource(cells_);
    cells_->addMessageMenuHandler(table);

    startMessage_ = platform::View::make<ZVTableMessage>();
    startMessage_->setSeparatorBelow(true);
    startMessage_->setMarginWidth(cells_->screenEdgeSpacing());
    setBottomSpacing(kBottomSpacing);
    updateWriters();

    observeConversation();
    // The base made this screen the table's delegate with setTable.
    table->setSeparatorColor(Qt::transparent);

    messageEditor_ = ZVConversationComposer::make(conversation_, cells_);
    if (messageEditor_) {
        layoutComposer(ZVConversationComposer::kInitialHeight);
        layoutComposer(messageEditor_->requestedHeight());
        const auto weak = weakPage();
        requestedHeightObservation_ = messageEditor_->observe(
            ZVConversationComposer::kRequestedHeightKey, [weak](const QString& key) {
                if (const auto screen = weak.lock()) {
                    screen->observeChange(key);
                }
            });
        messageEditor_->setOnEditMessage([weak] {
            if (const auto screen = weak.lock()) {
                screen->editLastMessage();
            }
        });
    }

    horizonIndicators_ = std::make_shared<ZVHorizonIndicators>(conversation_, cells_);
    preloadImages();
    updateStartMessage();
    startMessage_->setFrame(QRectF(0, 0, root->bounds().width(), kHeaderHeight));
    table->setTableHeaderView(startMessage_);

    const QImage image = platform::Images::named(kButtonImage);
    scrollToBottomButton_ = platform::Button::make(platform::Button::Type::Custom);
    scrollToBottomButton_->setImage(image, platform::Button::Normal);
    scrollToBottomButton_->sizeToFit();
    scrollToBottomButton_->setFrame(scrollToBottomButton_->frame().adjusted(
        -kButtonPadding, -kButtonPadding, kButtonPadding, kButtonPadding));
    {
        const auto weak = weakPage();
        scrollToBottomButton_->addTarget(platform::Control::TouchUpInside,
                                         [weak](platform::Control&) {
                                             if (const auto screen = weak.lock()) {
                                                 screen->scrollToBottom();
                                             }
                                         });
    }

    // Success or failure, the markers show.
    const std::weak_ptr<ZVHorizonIndicators> markers = horizonIndicators_;
    const auto showMarkers = [markers] {
        if (const auto indicators = markers.lock()) {
            indicators->appear();
        }
    };
    conversation_->reportConversationOpened(showMarkers,
                                            [showMarkers](const ZVErrorPtr&) { showMarkers(); });
}

void ZVConversationViewController::observeConversation() {
    const auto weak = weakPage();
    const auto handler = [weak](const QString& key) {
        if (const auto screen = weak.lock()) {
            screen->observeChange(key);
        }
    };
    // One registration per key, so that the order of registration is the order of the keys.
    for (const QString& key : observedKeys()) {
        conversationObservations_.push_back(conversation_->observe(key, handler));
    }
    if (userProfile_) {
        clientFlagsObservation_ =
            userProfile_->observe(QString(ZVUserProfile::ClientFlagsKey), handler);
    }
}

void ZVConversationViewController::observeChange(const QString& key) {
    if (!conversation_ || !cells_) {
        return;
    }
    if (key == u"messages"_s) {
        updateStartMessage();
        reinstallStartMessage();
        reloadTableData();
        resetConsumeMessagesTimer();
        preloadImages();
        horizonIndicators_->updatePositions();
        horizonIndicators_->refresh();
    } else if (key == u"writers"_s) {
        if (updateWriters()) {
            reloadTableData();
        }
    } else if (key == u"isLoading"_s) {
        const auto& request = conversation_->loadRequest();
        if (request && (request->type() == ZVConversationLoadRequest::GapAfter ||
                        request->type() == ZVConversationLoadRequest::GapBefore)) {
            cells_->saveAnchorMessageNr(request->messageNr());
        }
        updateStartMessage();
    } else if (key == ZVConversationComposer::kRequestedHeightKey) {
        if (messageEditor_ && bottomView() == messageEditor_) {
            setBottomViewHeight(messageEditor_->requestedHeight());
        }
    } else if (key == u"can_post"_s) {
        setEditorVisible(conversation_->canPost());
    } else if (key == u"has_email_subject"_s || key == u"subject"_s) {
        if (messageEditor_) {
            messageEditor_->updateSubject();
        }
    } else if (key == u"members"_s) {
        horizonIndicators_->refreshNames();
        horizonIndicators_->refresh();
        updateAvatars();
    } else if (key == u"memberHorizons"_s) {
        horizonIndicators_->refresh();
    } else if (key == ZVUserProfile::ClientFlagsKey) {
        updateAvatars();
        cells_->setShowFilePreviews(
            !(userProfile_ && userProfile_->isClientFlagSet(kNoInlineImagesFlag)));
        horizonIndicators_->updatePositions();
    } else if (key == u"loadState"_s) {
        updateStartMessage();
    } else if (key == u"forwardedMessage"_s) {
        forwardMessage();
    } else if (key == u"is_url_preview_disabled"_s) {
        if (const auto& list = conversation_->messages()) {
            for (const auto& message : list->messages()) {
                message->updateRepresentation();
            }
        }
        reloadTableData();
    }
}

void ZVConversationViewController::forwardMessage() {
    if (!conversation_ || !conversation_->forwardedMessage()) {
        return;
    }
    // Kept for the composer that comes later when there is none now.
    if (!messageEditor_) {
        return;
    }
    messageEditor_->pasteMessage(conversation_->forwardedMessage(), true);
    conversation_->setForwardedMessage(nullptr);
}

void ZVConversationViewController::layoutComposer(qreal height) {
    if (!messageEditor_) {
        return;
    }
    const QRectF frame = messageEditor_->frame();
    messageEditor_->setFrame(QRectF(frame.x(), frame.y(), view()->bounds().width(), height));
    messageEditor_->layoutIfNeeded();
}

qreal ZVConversationViewController::composerHeight() const {
    return messageEditor_ && bottomView() == messageEditor_ ? messageEditor_->frame().height() : 0;
}

void ZVConversationViewController::setEditorVisible(bool visible) {
    if (!messageEditor_ || (bottomView() == messageEditor_) == visible) {
        return;
    }
    if (visible) {
        setBottomView(messageEditor_);
        layoutComposer(messageEditor_->frame().height());
        setBottomViewHeight(messageEditor_->requestedHeight());
    } else {
        setBottomView(nullptr);
    }
}

QString ZVConversationViewController::description() const {
    return platform::format(u"CVC: <%@>"_s, conversation_ ? conversation_->topicText() : QString());
}

// --- appearance ---

void ZVConversationViewController::viewWillAppear(bool animated) {
    ZVTableAndBottomViewController::viewWillAppear(animated);
    if (!conversation_ || !cells_) {
        return;
    }
    updateOwnHorizon();
    if (!viewHasAppeared_) {
        initViews();
        if (conversation_->isNewConversation()) {
            const auto weak = weakPage();
            createConversationTimer_ = platform::Scheduler::main().after(kDeferral, [weak] {
                if (const auto screen = weak.lock()) {
                    screen->createConversation();
                }
            });
        }
    } else {
        cells_->reloadData();
    }
    resetConsumeMessagesTimer();
    horizonIndicators_->updatePositions();
    forwardMessage();
}

void ZVConversationViewController::initViews() {
    setEditorVisible(conversation_->canPost());
    view()->layoutIfNeeded();
    cells_->reloadData();
    scrollToUnreadAnimated(false);
    platform::EdgeInsets inset;
    inset.bottom = table()->contentInset().bottom;
    table()->doSetContentInset(inset);
    viewWasScrolled();
    viewHasAppeared_ = true;
}

void ZVConversationViewController::viewDidAppear(bool animated) {
    ZVTableAndBottomViewController::viewDidAppear(animated);
    if (viewHasAppeared_) {
        viewWasScrolled();
    }
}

void ZVConversationViewController::viewWillDisappear(bool animated) {
    ZVTableAndBottomViewController::viewWillDisappear(animated);
    consumeMessagesTimer_.cancel();
}

void ZVConversationViewController::viewWillLayoutSubviews() {
    ZVTableAndBottomViewController::viewWillLayoutSubviews();
    if (horizonIndicators_) {
        horizonIndicators_->bringToTop();
    }
    if (scrollToBottomButton_ && table()) {
        const QRectF tableFrame = table()->frame();
        scrollToBottomButton_->setCenter(
            QPointF(tableFrame.right() - kButtonInset,
                    tableFrame.bottom() - kButtonInset - composerHeight()));
    }
}

void ZVConversationViewController::viewDidLayoutSubviews() {
    ZVTableAndBottomViewController::viewDidLayoutSubviews();
    if (horizonIndicators_) {
        horizonIndicators_->updatePositions();
    }
}

void ZVConversationViewController::createConversation() {
    if (!conversation_ || !conversation_->isNewConversation()) {
        return;
    }
    const auto session = conversation_->repositorySession();
    for (const auto& request : ZVApi::api().pendingRequests()) {
        if (request->tag() == ZVApiRequest::TagConversationCreate &&
            request->session() == session) {
            return;
        }
    }
    conversation_->sortedMembers()->commitAdds({}, {});
}

// --- header row, writers, avatars ---

void ZVConversationViewController::updateStartMessage() {
    if (!conversation_ || !startMessage_) {
        return;
    }
    const int type = conversation_->startType();
    startMessage_->setActivity(type == Conversation::StartLoading);
    const auto textOf = [this](std::optional<std::int64_t> nr) -> std::optional<QString> {
        const auto& list = conversation_->messages();
        if (!nr || !list) {
            return std::nullopt;
        }
        if (const auto message = list->messageByNr(*nr)) {
            return message->localizedMessage();
        }
        return std::nullopt;
    };
    std::optional<QString> text;
    switch (type) {
        case Conversation::StartMoreAbove:
            text = kMoreAboveText;
            break;
        case Conversation::StartLoading:
            text = kLoadingText;
            break;
        case Conversation::StartBeginning:
        case Conversation::StartJoined:
            text = textOf(conversation_->joinMessageNr());
            break;
        case Conversation::StartDisclosed:
            text = textOf(conversation_->discloseMessageNr());
            break;
        case Conversation::StartDeleted:
            text = kDeletedText;
            break;
        default:
            break;
    }
    if (text) {
        startMessage_->setText(*text);
    }
    const qreal before = startMessage_->frame().height();
    startMessage_->setFrame(startMessage_->frame());
    startMessage_->setNeedsLayout();
    if (std::abs(startMessage_->frame().height() - before) >
            std::numeric_limits<float>::epsilon() &&
        table() && table()->tableHeaderView() == startMessage_) {
        reinstallStartMessage();
    }
}

void ZVConversationViewController::reinstallStartMessage() {
    if (!table() || !startMessage_) {
        return;
    }
    // The table measures its header only when it is installed.
    table()->setTableHeaderView(nullptr);
    table()->setTableHeaderView(startMessage_);
}

bool ZVConversationViewController::updateWriters() {
    if (!conversation_ || !table()) {
        return false;
    }
    const auto& writers = conversation_->hasWriters() ? conversation_->writers() : nullptr;
    const bool writing = writers && writers->count() > 0;
    bool changed = false;
    if (writing != (writersView_ != nullptr)) {
        changed = true;
        if (writing) {
            writersView_ = platform::View::make<ZVWritersView>(cells_);
            table()->setBottomView(writersView_);
            setBottomSpacing(kWritersBottomSpacing);
        } else {
            table()->setBottomView(nullptr);
            writersView_.reset();
            setBottomSpacing(kBottomSpacing);
        }
    }
    if (writersView_) {
        writersView_->setLabel(
            platform::format(u"%@ %@"_s, ZVLocalization::nameListAsString(writers->nameList()),
                             writers->count() < 2 ? kIsWriting : kAreWriting));
    }
    return changed;
}

void ZVConversationViewController::updateAvatars() {
    if (!cells_) {
        return;
    }
    if (userProfile_ && !userProfile_->avatarsEnabled()) {
        cells_->setAvatarSize(0);
    } else {
        cells_->setAvatarSize(view()->bounds().width() > kLargeAvatarWidth ? kLargeAvatars
                                                                           : kSmallAvatars);
    }
}

void ZVConversationViewController::preloadImages() {
    if (!conversation_ || !conversation_->messages()) {
        return;
    }
    const bool previews = !userProfile_ || userProfile_->filePreviewsEnabled();
    const bool avatars = !userProfile_ || userProfile_->avatarsEnabled();
    const auto session = conversation_->repositorySession();
    // An avatar is the poster's: one preload for each poster, however many messages they wrote.
    QSet<QString> posters;
    for (const auto& message : conversation_->messages()->messages()) {
        if (const auto representation = message->representation()) {
            if (const auto files = representation->files()) {
                for (const auto& file : *files) {
                    ZVFileView::viewForFile(file, previews ? kPreviewFileKind : kPlainFileKind);
                }
            }
        }
        if (avatars && session) {
            posters.insert(message->accountId());
        }
    }
    for (const QString& poster : std::as_const(posters)) {
        if (const auto contact = session->contactFromId(poster)) {
            ZVAvatarView::preloadAvatarForContact(*contact, cells_->avatarSize());
        }
    }
}

// --- the page's operations on messages ---

void ZVConversationViewController::focusMessage(std::int64_t messageNr) {
    if (const auto& action = ZVConversationScreenActions::shared().focusMessage) {
        action(*this, messageNr);
    }
}

void ZVConversationViewController::editMessage(const std::shared_ptr<Message>& message) {
    if (const auto& action = ZVConversationScreenActions::shared().editMessage) {
        action(*this, message);
    }
}

void ZVConversationViewController::quoteMessage(const std::shared_ptr<Message>& message) {
    if (const auto& action = ZVConversationScreenActions::shared().quoteMessage) {
        action(*this, message);
    }
}

void ZVConversationViewController::quoteMessage(const std::shared_ptr<Message>& message,
                                                const QString& text) {
    if (const auto& action = ZVConversationScreenActions::shared().quoteMessageText) {
        action(*this, message, text);
    }
}

void ZVConversationViewController::selectMessage(const std::shared_ptr<Message>& message) {
    if (const auto& action = ZVConversationScreenActions::shared().selectMessage) {
        action(*this, message);
    }
}

void ZVConversationViewController::editLastMessage() {
    if (const auto& action = ZVConversationScreenActions::shared().editLastMessage) {
        action(*this);
    }
}

void ZVConversationViewController::setTopInset(qreal inset) {
    ZVTableAndBottomViewController::setTopInset(inset);
    if (const auto& action = ZVConversationScreenActions::shared().setTopInset) {
        action(*this, inset);
    }
}

void ZVConversationViewController::setEditing(bool editing, bool animated) {
    ZVTableAndBottomViewController::setEditing(editing, animated);
    if (const auto& action = ZVConversationScreenActions::shared().setEditing) {
        action(*this, editing, animated);
    }
}

void ZVConversationViewController::commitEdit() {
    if (const auto& action = ZVConversationScreenActions::shared().commitEdit) {
        action(*this);
    }
    ZVTableAndBottomViewController::commitEdit();
}

void ZVConversationViewController::keyboardWillShow(const platform::Notification& notification) {
    ZVTableAndBottomViewController::keyboardWillShow(notification);
    if (const auto& action = ZVConversationScreenActions::shared().keyboardWillShow) {
        action(*this, notification);
    }
}

void ZVConversationViewController::keyboardWillChangeFrame(
    const platform::Notification& notification) {
    ZVTableAndBottomViewController::keyboardWillChangeFrame(notification);
    if (const auto& action = ZVConversationScreenActions::shared().keyboardWillChangeFrame) {
        action(*this, notification);
    }
}

void ZVConversationViewController::keyboardWillHide(const platform::Notification& notification) {
    ZVTableAndBottomViewController::keyboardWillHide(notification);
    if (const auto& action = ZVConversationScreenActions::shared().keyboardWillHide) {
        action(*this, notification);
    }
}

void ZVConversationViewController::closeSidecar() {
    if (auto* pages = ZVConversationPageSet::conversationPages()) {
        pages->setActivePageIndex(ZVConversationPageSet::MessagesPage);
    }
}

// --- rows ---

std::optional<qreal> ZVConversationViewController::tableViewHeightForRowAtIndexPath(
    platform::TableView& table, platform::IndexPath path) {
    return cells_ ? cells_->tableViewHeightForRowAtIndexPath(table, path) : std::nullopt;
}

void ZVConversationViewController::tableViewWillDisplayCell(platform::TableView& table,
                                                            platform::TableViewCell& cell,
                                                            platform::IndexPath path) {
    if (cells_) {
        cells_->tableViewWillDisplayCell(table, cell, path);
    }
}

void ZVConversationViewController::tableViewDidSelectRowAtIndexPath(platform::TableView& table,
                                                                    platform::IndexPath path) {
    if (cells_) {
        cells_->tableViewDidSelectRowAtIndexPath(table, path);
    }
}

void ZVConversationViewController::tableViewDidUnhighlightRowAtIndexPath(platform::TableView& table,
                                                                         platform::IndexPath path) {
    if (cells_) {
        cells_->tableViewDidUnhighlightRowAtIndexPath(table, path);
    }
}

void ZVConversationViewController::tableViewDidHighlightRowAtIndexPath(platform::TableView& table,
                                                                       platform::IndexPath path) {
    if (cells_) {
        cells_->tableViewDidHighlightRowAtIndexPath(table, path);
    }
    const auto* pages = ZVConversationPageSet::conversationPages();
    if (platform::Application::shared().userInterfaceIdiom() == platform::UserInterfaceIdiom::Pad &&
        pages && pages->activePageIndex() != ZVConversationPageSet::MessagesPage) {
        const auto weak = weakPage();
        closeSidecarTimer_ = platform::Scheduler::main().after(kDeferral, [weak] {
            if (const auto screen = weak.lock()) {
                screen->closeSidecar();
            }
        });
    }
}

std::optional<platform::IndexPath> ZVConversationViewController::tableViewWillSelectRowAtIndexPath(
    platform::TableView& table, platform::IndexPath path) {
    const auto weak = weakPage();
    endEditingTimer_ = platform::Scheduler::main().after(kDeferral, [weak] {
        if (const auto screen = weak.lock(); screen && screen->messageEditor_) {
            screen->messageEditor_->resignComposer();
        }
    });
    if (cells_) {
        cells_->tableViewWillSelectRowAtIndexPath(table, path);
    }
    return path;
}

void ZVConversationViewController::tableViewContentHeightWillChange(ZVTableView& tableView,
                                                                    qreal delta) {
    ZVTableAndBottomViewController::tableViewContentHeightWillChange(tableView, delta);
    if (horizonIndicators_) {
        horizonIndicators_->updatePositions();
    }
}

// --- size changes ---

void ZVConversationViewController::viewWillTransitionToSize(
    QSizeF size, platform::TransitionCoordinator& coordinator) {
    ZVTableAndBottomViewController::viewWillTransitionToSize(size, coordinator);
    if (cells_) {
        cells_->saveAnchorMessage();
    }
    const auto weak = weakPage();
    coordinator.notifyWhenInteractionEnds([weak](const platform::TransitionCoordinator&) {
        if (const auto screen = weak.lock()) {
            screen->completeTransition();
        }
    });
}

void ZVConversationViewController::completeTransition() {
    if (!cells_ || observersReleased_) {
        return;
    }
    updateStartMessage();
    reinstallStartMessage();
    cells_->reloadData();
    cells_->scrollToAnchorMessage();
    horizonIndicators_->updatePositions();
    updateBottomView();
}

// --- lifecycle ---

void ZVConversationViewController::releaseObservers() {
    consumeMessagesTimer_.cancel();
    // Every delayed call aimed at the screen.
    scrollEvaluationTimer_.cancel();
    loadMoreTimer_.cancel();
    createConversationTimer_.cancel();
    closeSidecarTimer_.cancel();
    endEditingTimer_.cancel();
    if (conversation_) {
        conversation_->setWritingStatus(false, 0);
    }
    conversationObservations_.clear();
    clientFlagsObservation_ = {};
    observersReleased_ = true;
    ZVTableAndBottomViewController::releaseObservers();
}
