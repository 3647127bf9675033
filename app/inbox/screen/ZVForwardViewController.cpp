#include "app/inbox/screen/ZVForwardViewController.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "app/inbox/screen/ZVInboxViewController.h"
#include "app/inbox/sections/ZVInboxDataSource.h"
#include "app/shell/ZVGlobals.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controllers/navigation/NavigationItem.h"
#include "platform/ui/table/TableView.h"
#include "toolkit/widgets/ZVSearchBar.h"

using namespace Qt::Literals::StringLiterals;

namespace {

ZVForwardViewController::Forwarder& forwarder() {
    static ZVForwardViewController::Forwarder forward;
    return forward;
}

std::shared_ptr<ZVRepositorySession> sessionOf(const std::shared_ptr<Message>& message) {
    return message ? std::dynamic_pointer_cast<ZVRepositorySession>(message->session()) : nullptr;
}

}  // namespace

void ZVForwardViewController::setForwarder(Forwarder forward) {
    forwarder() = std::move(forward);
}

std::shared_ptr<ZVForwardViewController> ZVForwardViewController::create(
    const std::shared_ptr<Message>& message) {
    auto made = std::make_shared<ZVForwardViewController>(message);
    made->setUp();
    return made;
}

ZVForwardViewController::ZVForwardViewController(std::shared_ptr<Message> message)
    : message_(std::move(message)) {}

ZVForwardViewController::~ZVForwardViewController() {
    pickObservation_ = {};
    if (dataSource_) {
        dataSource_->releaseObservers();
    }
}

void ZVForwardViewController::setUp() {
    navigationItem().setTitle(kTitle);
    const std::weak_ptr<ZVForwardViewController> weak =
        std::static_pointer_cast<ZVForwardViewController>(shared_from_this());
    navigationItem().setLeftBarButtonItem(platform::BarButtonItem::withTitle(
        kCancelTitle, platform::BarButtonItem::Style::Plain, [weak](auto&) {
            if (const auto self = weak.lock()) {
                self->cancel();
            }
        }));
    searchBar_ = platform::View::make<ZVSearchBar>();
    searchBar_->sizeToFit();
    searchBar_->setDelegate(weak);
    searchBar_->setShowSeparator(false);
}

void ZVForwardViewController::loadView() {
    table_ = platform::View::make<platform::TableView>(QRectF(), platform::TableView::Style::Plain);
    table_->setSeparatorColor(Qt::transparent);
    table_->setTableHeaderView(searchBar_);
    setView(table_);
}

void ZVForwardViewController::cancel() {
    if (platform::ViewController* presenting = presentingViewController()) {
        presenting->dismissViewController(true);
    }
}

void ZVForwardViewController::viewWillAppear(bool animated) {
    ZVViewController::viewWillAppear(animated);
    ZVGlobals* globals = ZVGlobals::globals();
    // Only one data source may be the labels' delegate: the inbox lets go while this shows.
    if (globals && globals->inboxViewController()) {
        globals->inboxViewController()->setSession(nullptr);
    }
    const auto session = sessionOf(message_);
    if (!session || dataSource_) {
        return;
    }
    dataSource_ = ZVInboxDataSource::create(table_, session);
    dataSource_->setAllowMessageSearch(false);
    dataSource_->setShowNew(true);
    table_->setDataSource(dataSource_);
    table_->setDelegate(dataSource_);
    table_->reloadData();
    const std::weak_ptr<ZVForwardViewController> weak =
        std::static_pointer_cast<ZVForwardViewController>(shared_from_this());
    pickObservation_ = dataSource_->observe(QString(ZVInboxDataSource::kConversationIdKey),
                                            [weak](const QString&) {
                                                if (const auto self = weak.lock()) {
                                                    self->picked();
                                                }
                                            });
}

void ZVForwardViewController::viewWillDisappear(bool animated) {
    ZVViewController::viewWillDisappear(animated);
    // A screen presented over the picker (the new conversation) leaves it in place.
    if (presentedViewController()) {
        return;
    }
    if (table_) {
        table_->setDataSource({});
        table_->setDelegate({});
    }
    pickObservation_ = {};
    if (dataSource_) {
        dataSource_->releaseObservers();
        dataSource_.reset();
    }
    ZVGlobals* globals = ZVGlobals::globals();
    if (globals && globals->inboxViewController()) {
        globals->inboxViewController()->setSession(globals->session());
    }
}

void ZVForwardViewController::picked() {
    const auto session = sessionOf(message_);
    const QString id = dataSource_ ? dataSource_->conversationId() : QString();
    const auto conversation = session ? session->conversationFromId(id) : nullptr;
    if (!conversation) {
        return;
    }
    if (const auto& forward = forwarder()) {
        forward(conversation, message_);
    } else {
        ZVLogError(u"ZVForwardViewController: forwarding is not available in this version");
    }
    if (conversation->isNewConversation()) {
        if (auto screen = ZVInboxViewController::newConversationScreen(
                conversation, ZVInboxViewController::kNewConversationPage)) {
            presentViewController(std::make_shared<platform::NavigationController>(screen), true);
        }
        return;
    }
    platform::ViewController* presenting = presentingViewController();
    const auto open = [id] {
        if (ZVGlobals* globals = ZVGlobals::globals()) {
            globals->setConversationId(id);
        }
    };
    if (presenting) {
        presenting->dismissViewController(false, open);
    } else {
        open();
    }
}

void ZVForwardViewController::searchBarTextDidChange(platform::View&, const QString& text) {
    if (dataSource_) {
        dataSource_->setSearchText(text);
    }
}

void ZVForwardViewController::searchBarCancelButtonClicked(platform::View&) {
    searchBar_->setText(QString(""));
    searchBar_->resignFirstResponder();
}

void ZVForwardViewController::searchBarTextDidBeginEditing(platform::View&) {
    searchBar_->setShowClose(true);
}

void ZVForwardViewController::searchBarTextDidEndEditing(platform::View&) {
    searchBar_->setShowClose(false);
}
