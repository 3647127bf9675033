#include "app/inbox/screen/ZVInboxViewController.h"

#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/base/ZVError.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "app/inbox/menus/ZVConversationActionsMenu.h"
#include "app/inbox/screen/ZVSearchOverlay.h"
#include "app/inbox/sections/ZVInboxDataSource.h"
#include "app/shell/ZVGlobals.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controllers/navigation/NavigationItem.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/menus/ZVSlideInMenu.h"
#include "toolkit/screens/ZVSwipeGestureRecognizer.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/widgets/ZVBackgroundView.h"
#include "toolkit/widgets/ZVSearchBar.h"
#include "toolkit/widgets/ZVSegmentedControl.h"
#include "toolkit/widgets/ZVUnreadBadge.h"

#include <QtCore/QJsonObject>

using namespace Qt::Literals::StringLiterals;
using platform::BarButtonItem;

namespace {

ZVInboxViewController::NewConversationScreen& newConversationMaker() {
    static ZVInboxViewController::NewConversationScreen make;
    return make;
}

bool isPhone() {
    return platform::Application::shared().userInterfaceIdiom() !=
           platform::UserInterfaceIdiom::Pad;
}

}  // namespace

void ZVInboxViewController::setNewConversationScreen(NewConversationScreen make) {
    newConversationMaker() = std::move(make);
}

std::shared_ptr<platform::ViewController> ZVInboxViewController::newConversationScreen(
    const std::shared_ptr<Conversation>& conversation, int page) {
    const auto& make = newConversationMaker();
    auto screen = make ? make(conversation, page) : nullptr;
    if (!screen) {
        ZVLogError(u"ZVInboxViewController: no new-conversation screen in this version");
    }
    return screen;
}

std::shared_ptr<ZVInboxViewController> ZVInboxViewController::create() {
    auto made = std::make_shared<ZVInboxViewController>();
    made->setUp();
    return made;
}

ZVInboxViewController::ZVInboxViewController() = default;

ZVInboxViewController::~ZVInboxViewController() {
    pickObservation_ = {};
    if (dataSource_) {
        dataSource_->releaseObservers();
    }
}

std::weak_ptr<ZVInboxViewController> ZVInboxViewController::weakSelf() {
    return std::static_pointer_cast<ZVInboxViewController>(weak_from_this().lock());
}

void ZVInboxViewController::setUp() {
    setTrackingCategory(kTrackingCategory);
    setTitle(u"Conversations"_s);
    setIconName(u"icon-tab-chat"_s);
    navigationItem().setHidesBackButton(true);
    setEdgesForExtendedLayout(0);
    const auto weak = weakSelf();
    const auto button = [weak](const QString& image, const QString& label,
                               void (ZVInboxViewController::*action)()) {
        auto item = BarButtonItem::withImage(platform::Images::named(image),
                                             BarButtonItem::Style::Plain, [weak, action](auto&) {
                                                 if (const auto self = weak.lock()) {
                                                     ((*self).*action)();
                                                 }
                                             });
        item->setAccessibilityLabel(label);
        return item;
    };
    searchButton_ =
        button(u"icon-navbar-search"_s, u"Search"_s, &ZVInboxViewController::showSearch);
    newButton_ = button(u"icon-new-conversation"_s, u"New conversation"_s,
                        &ZVInboxViewController::newConversation);
    menuButton_ =
        button(u"icon-menu-burger"_s, u"Account menu"_s, &ZVInboxViewController::showLeftMenu);
    navigationItem().setLeftBarButtonItems({menuButton_, searchButton_});
    navigationItem().setRightBarButtonItem(newButton_);

    logo_ =
        platform::View::make<platform::ImageView>(platform::Images::named(u"icon-logo-header"_s));
    logo_->setRenderingMode(platform::ImageRenderingMode::AlwaysTemplate);
    logo_->setTintColor(Qt::white);
    logo_->sizeToFit();
    navigationItem().setTitleView(std::shared_ptr<platform::View>(logo_));

    searchBar_ = platform::View::make<ZVSearchBar>();
    searchBar_->setShowSeparator(false);
    searchBar_->setHeaderStyle(true);
    searchBar_->setDelegate(weak);
    searchBar_->sizeToFit();

    coordinatorObservation_ = {};
    if (ZVGlobals* globals = ZVGlobals::globals()) {
        coordinatorObservation_ =
            globals->observe(QString(ZVGlobals::kConversationIdKey), [weak](const QString&) {
                if (const auto self = weak.lock()) {
                    self->selectionTimer_ =
                        platform::Scheduler::main().after(kSelectionDelay, [weak] {
                            if (const auto self = weak.lock()) {
                                self->updateSelection();
                            }
                        });
                }
            });
    }
    if (const auto& swipe = swipeGestureRecognizer()) {
        swipe->setTarget(weak);
        swipe->setEnabled(false);
    }

    unreadFilter_ = platform::View::make<ZVSegmentedControl>();
    unreadFilter_->setSectionTitles({kAllTitle, kUnreadTitle});
    unreadFilter_->addTarget(platform::Control::ValueChanged, [weak](platform::Control&) {
        if (const auto self = weak.lock()) {
            self->filterChanged();
        }
    });
}

void ZVInboxViewController::loadView() {
    table_ = platform::View::make<platform::TableView>(QRectF(), platform::TableView::Style::Plain);
    table_->setSeparatorColor(Qt::transparent);
    table_->setBackgroundColor(Qt::white);
    table_->setRowHeight(kRowHeight);
    table_->setBackgroundView(platform::View::make<ZVBackgroundView>());
    setView(table_);
    actionsMenu_ = ZVActionMenuHost::attach<ZVConversationActionsMenu>(table_);
}

unsigned ZVInboxViewController::supportedInterfaceOrientations() const {
    constexpr unsigned kPortrait = 2;
    return isPhone() ? kPortrait : ZVViewController::supportedInterfaceOrientations();
}

// --- the account ---

void ZVInboxViewController::setSession(const std::shared_ptr<ZVRepositorySession>& session) {
    if (session == session_) {
        return;
    }
    (void)view();
    if (dataSource_) {
        dataSource_->releaseObservers();
        pickObservation_ = {};
    }
    session_ = session;
    dataSource_.reset();
    if (session) {
        dataSource_ = ZVInboxDataSource::create(table_, session);
        const auto weak = weakSelf();
        pickObservation_ = dataSource_->observe(
            QString(ZVInboxDataSource::kConversationIdKey), [weak](const QString&) {
                if (const auto self = weak.lock(); self && self->dataSource_) {
                    self->conversationSelected(self->dataSource_->conversationId());
                }
            });
    }
    unreadFilter_->setSelectedSegmentIndex(0);
    table_->setDataSource(dataSource_);
    table_->setDelegate(dataSource_);
    table_->reloadData();
    if (dataSource_) {
        dataSource_->setHeaderView(unreadFilter_);
        dataSource_->setHeaderViewRequiresDrag(false);
    }
    scrollToTop();
    updateUnreadCount();
}

void ZVInboxViewController::releaseObservers() {
    ZVViewController::releaseObservers();
    coordinatorObservation_ = {};
    selectionTimer_.cancel();
}

void ZVInboxViewController::filterChanged() {
    if (dataSource_) {
        dataSource_->setFilterUnread(unreadFilter_->selectedSegmentIndex() == 1);
    }
}

void ZVInboxViewController::setFilterTitles(long count) {
    unreadFilter_->setSectionTitles(
        {kAllTitle, count < 1 ? kUnreadTitle : platform::format(u"%@ (%ld)", kUnreadTitle, count)});
}

void ZVInboxViewController::updateUnreadCount() {
    long count = session_ ? static_cast<long>(session_->unreadCount()) : 0;
    // The open conversation is being read: it does not count.
    const ZVGlobals* globals = ZVGlobals::globals();
    const ZVConversationPages* pages = globals ? globals->conversationPages() : nullptr;
    if (pages && session_ && !pages->conversationId().isEmpty()) {
        const auto open = session_->conversationFromId(pages->conversationId());
        if (open && open->isNotifyingUnread()) {
            --count;
        }
    }
    if (count < 1) {
        navigationItem().setBackBarButtonItem(
            BarButtonItem::withImage(QImage(), BarButtonItem::Style::Plain, {}));
    } else {
        navigationItem().setBackBarButtonItem(BarButtonItem::withImage(
            ZVUnreadBadge::badgeWithNumber(count), BarButtonItem::Style::Plain, {}));
    }
    setFilterTitles(count);
}

void ZVInboxViewController::updateSelection() {
    if (!dataSource_) {
        return;
    }
    const ZVGlobals* globals = ZVGlobals::globals();
    dataSource_->setConversationId(globals ? globals->conversationId() : QString());
}

// --- picks ---

void ZVInboxViewController::conversationSelected(const QString& conversationId) {
    searchBar_->resignFirstResponder();
    if (!session_ || conversationId.isEmpty()) {
        return;
    }
    if (conversationId.contains(u':')) {
        openMessage(conversationId);
    } else {
        const auto conversation = session_->conversationFromId(conversationId);
        if (!conversation) {
            fetchConversation(conversationId);
            return;
        }
        fetchedId_.clear();
        if (pendingFile_) {
            conversation->addPendingFile(pendingFile_);
            pendingFile_.reset();
            setPendingFile(nullptr);
        }
        if (conversation->isNewConversation()) {
            if (auto screen = newConversationScreen(conversation, kNewConversationPage)) {
                if (platform::NavigationController* navigation = navigationController()) {
                    navigation->pushViewController(screen, true);
                }
            }
        } else if (ZVGlobals* globals = ZVGlobals::globals()) {
            globals->setConversationId(conversationId);
        }
        if (isPhone()) {
            const auto weak = weakSelf();
            hideSearchTimer_ = platform::Scheduler::main().after(kHideSearchDelay, [weak] {
                if (const auto self = weak.lock()) {
                    self->hideSearch();
                }
            });
        }
    }
    table_->endEditing(true);
    updateUnreadCount();
}

void ZVInboxViewController::openMessage(const QString& guid) {
    const QString conversationId = guid.section(u':', 0, 0);
    bool numbered = false;
    const qint64 messageNr = guid.section(u':', 1).toLongLong(&numbered);
    const auto message = numbered ? session_->messageFromKey(conversationId, messageNr) : nullptr;
    ZVGlobals* globals = ZVGlobals::globals();
    if (message && globals) {
        globals->setConversationId(
            ZVOpenRequest{message->conversationId(), std::nullopt, message->messageNr()}, true);
    }
}

void ZVInboxViewController::fetchConversation(const QString& conversationId) {
    // The service's answer came and still lacked it: the pick ends here, or it would ask forever.
    if (fetchedId_ == conversationId) {
        fetchedId_.clear();
        ZVLogError(u"ZVInboxViewController: conversation %@ not found", conversationId);
        if (dataSource_) {
            dataSource_->setConversationId(QString());
        }
        return;
    }
    const auto request = std::make_shared<ZVApiRequest>(
        u"conversation/sync/%@", conversationId, QJsonObject{{u"mk_direction"_s, u"ic_tiny"_s}});
    const auto weak = weakSelf();
    request->setSuccessHandler([weak, conversationId] {
        const auto self = weak.lock();
        const ZVGlobals* globals = ZVGlobals::globals();
        if (!self || (globals && !globals->conversationId().isEmpty())) {
            return;
        }
        self->fetchedId_ = conversationId;
        self->conversationSelected(conversationId);
    });
    request->setErrorHandler([weak](const ZVErrorPtr& error) {
        const auto self = weak.lock();
        if (!self) {
            return;
        }
        self->fetchedId_.clear();
        if (self->dataSource_) {
            self->dataSource_->setConversationId(QString());
        }
        if (error) {
            ZVAlertView::showError(*error, kOpenFailedTitle);
        }
    });
    // The stream may bring the conversation before this answer comes.
    session_->followLoad(request, conversationId);
    session_->sendRequest(request);
}

void ZVInboxViewController::newConversation() {
    ZVGlobals* globals = ZVGlobals::globals();
    if (!session_) {
        return;
    }
    if (globals) {
        globals->setConversationId(QString());
    }
    if (const auto created = session_->createNewConversation()) {
        conversationSelected(created->conversationId());
    }
}

// --- the pending file ---

void ZVInboxViewController::setPendingFile(const std::shared_ptr<File>& file) {
    pendingFile_ = file;
    (void)view();
    if (file) {
        if (!fileBanner_) {
            fileBanner_ = platform::View::make<ZVMessageBanner>();
            fileBanner_->setDelegate(weakSelf());
            if (platform::View* parent = table_->superview()) {
                parent->addSubview(fileBanner_);
            }
        }
        fileBanner_->setMessage(platform::format(u"Select destination for '%@'", file->fileName()));
        setTopInset(topInset_);
        table_->setContentOffset({0, -table_->contentInset().top});
    } else {
        if (fileBanner_) {
            fileBanner_->removeFromSuperview();
            fileBanner_.reset();
        }
        updateInsets();
    }
    view()->setNeedsLayout();
}

void ZVInboxViewController::bannerClosed(ZVMessageBanner&) {
    setPendingFile(nullptr);
}

void ZVInboxViewController::setTopInset(qreal inset) {
    topInset_ = inset;
    updateInsets();
}

void ZVInboxViewController::updateInsets() {
    if (!table_) {
        return;
    }
    platform::EdgeInsets insets = table_->contentInset();
    insets.top = topInset_ + (fileBanner_ ? fileBanner_->bounds().height() : 0);
    insets.bottom = keyboardHeight();
    table_->setContentInset(insets);
}

void ZVInboxViewController::viewDidLayoutSubviews() {
    ZVViewController::viewDidLayoutSubviews();
    // The navigation's container puts the screen's own view back on top when it lays out.
    if (searchOverlay_) {
        if (platform::View* parent = searchOverlay_->superview()) {
            searchOverlay_->setFrame(parent->bounds());
            parent->bringSubviewToFront(searchOverlay_.get());
        }
    }
    if (fileBanner_ && table_) {
        const QRectF frame = table_->frame();
        fileBanner_->setFrame(
            QRectF(frame.left(), frame.top(), frame.width(), fileBanner_->bounds().height()));
        if (platform::View* parent = fileBanner_->superview()) {
            parent->bringSubviewToFront(fileBanner_.get());
        }
    }
}

// --- appearance ---

void ZVInboxViewController::viewWillAppear(bool animated) {
    ZVViewController::viewWillAppear(animated);
    updateSelection();
    if (dataSource_) {
        dataSource_->setHeaderView(unreadFilter_);
    }
}

void ZVInboxViewController::viewDidAppear(bool animated) {
    ZVViewController::viewDidAppear(animated);
    if (fileBanner_ && table_) {
        fileBanner_->removeFromSuperview();
        if (platform::View* parent = table_->superview()) {
            parent->addSubview(fileBanner_);
        }
    }
}

void ZVInboxViewController::keyboardWillShow(const platform::Notification& notification) {
    ZVViewController::keyboardWillShow(notification);
    updateInsets();
}

void ZVInboxViewController::keyboardWillChangeFrame(const platform::Notification& notification) {
    ZVViewController::keyboardWillChangeFrame(notification);
    updateInsets();
}

void ZVInboxViewController::keyboardWillHide(const platform::Notification& notification) {
    ZVViewController::keyboardWillHide(notification);
    updateInsets();
}

std::shared_ptr<ZVSlideInMenu> ZVInboxViewController::menuForSide(ZVMenuSide side) {
    const ZVGlobals* globals = ZVGlobals::globals();
    if (side != ZVMenuSide::Left || !globals || !globals->sessionMenu()) {
        return nullptr;
    }
    return globals->sessionMenu()->slideInMenu();
}

void ZVInboxViewController::scrollToTop() {
    if (table_) {
        table_->setContentOffset({0, 0});
    }
}
