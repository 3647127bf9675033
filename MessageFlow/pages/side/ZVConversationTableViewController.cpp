#include "MessageFlow/pages/side/ZVConversationTableViewController.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "toolkit/tables/ZVTableMessage.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/widgets/ZVSearchBar.h"

#include <cmath>

ZVConversationTableViewController::ZVConversationTableViewController(
    const std::shared_ptr<Conversation>& conversation, int /*page*/)
    : conversation_(conversation),
      table_(platform::View::make<ZVTableView>()),
      searchBar_(platform::View::make<ZVSearchBar>()),
      statusText_(platform::View::make<ZVTableMessage>()) {
    searchBar_->sizeToFit();
    statusText_->setSeparatorAbove(true);
}

ZVConversationTableViewController::~ZVConversationTableViewController() = default;

void ZVConversationTableViewController::start() {
    const auto self =
        std::static_pointer_cast<ZVConversationTableViewController>(weakSelf().lock());
    table_->setDelegate(std::shared_ptr<platform::TableViewDelegate>(self, self.get()));
    searchBar_->setDelegate(std::shared_ptr<ZVSearchBarDelegate>(self, self.get()));
    if (const auto shown = conversation()) {
        const QStringList keys = observeProps();
        if (!keys.isEmpty()) {
            conversationObservation_ =
                shown->observe(keys, [this](const QString& key) { observedChange(key); });
        }
        const auto session = shown->repositorySession();
        if (session && session->profile()) {
            profileObservation_ =
                session->profile()->observe(QString(ZVUserProfile::ClientFlagsKey),
                                            [this](const QString& key) { observedChange(key); });
        }
    }
    searchBarTimer_ =
        platform::Scheduler::main().after(kSearchBarDelay, [this] { updateSearchBar(); });
}

void ZVConversationTableViewController::loadView() {
    ZVViewController::loadView();
    const auto loaded = viewIfLoaded();
    table_->setFrame(loaded->bounds());
    loaded->addSubview(table_);
}

void ZVConversationTableViewController::viewWillLayoutSubviews() {
    ZVViewController::viewWillLayoutSubviews();
    table_->setFrame(view()->bounds());
}

QString ZVConversationTableViewController::searchText() const {
    return searchBar_->text();
}

bool ZVConversationTableViewController::searchBarShown() const {
    return table_->tableHeaderView() == searchBar_;
}

void ZVConversationTableViewController::observedChange(const QString& key) {
    if (key == QLatin1StringView("isLoading")) {
        updateLoadingStatus();
    }
}

// --- search bar ---

void ZVConversationTableViewController::updateSearchBar() {
    const qreal barHeight = searchBar_->frame().height();
    const qreal headerHeight = searchBarShown() ? std::ceil(barHeight) : 0;
    int rows = 0;
    for (int section = 0; section < table_->numberOfSections(); ++section) {
        rows += table_->numberOfRowsInSection(section);
    }
    const bool longEnough = table_->contentOffset().y() <= headerHeight &&
                            table_->contentSize().height() > table_->bounds().height() &&
                            rows > kSearchableRowCount;
    const bool show = !isEditing() && (!searchText().isEmpty() || longEnough);
    if (show == searchBarShown()) {
        return;
    }
    if (show) {
        table_->setTableHeaderView(searchBar_);
        // Tucked just above the visible rows until the user pulls it down.
        table_->setContentOffset(QPointF(0, barHeight));
    } else {
        const QPointF offset = table_->contentOffset();
        table_->setTableHeaderView(nullptr);
        table_->setContentOffset(QPointF(offset.x(), offset.y() - barHeight));
    }
}

void ZVConversationTableViewController::searchBarTextDidChange(platform::View&, const QString&) {
    updateSource();
}

void ZVConversationTableViewController::searchBarCancelButtonClicked(platform::View&) {
    searchBar_->setText(QString());
    searchBar_->resignFirstResponder();
    table_->setContentOffset(QPointF(0, searchBar_->frame().height()), true);
    updateSource();
}

// --- rows and footer ---

void ZVConversationTableViewController::updateSource() {
    table_->reloadData();
    updateLoadingStatus();
}

void ZVConversationTableViewController::updateLoadingStatus() {
    const auto shown = conversation();
    if (shown && shown->isLoading()) {
        statusText_->setActivity(true);
        statusText_->setText(kLoadingText);
    } else if (!canLoadMore()) {
        table_->setTableFooterView(nullptr);
        return;
    } else {
        statusText_->setActivity(false);
        statusText_->setText(moreAvailableText());
    }
    statusText_->setFrame(QRectF(0, 0, table_->bounds().width(), 0));
    if (table_->tableFooterView() != statusText_) {
        table_->setTableFooterView(statusText_);
    }
}

void ZVConversationTableViewController::loadMoreIfNeeded() {
    // Less than one more screen of rows below the visible one.
    if (canLoadMore() && table_->contentSize().height() <=
                             2 * table_->frame().height() + table_->contentOffset().y()) {
        loadMore();
    }
}

void ZVConversationTableViewController::restedAfterScroll() {
    updateSearchBar();
    loadMoreIfNeeded();
}

void ZVConversationTableViewController::scrollViewDidEndDragging(platform::ScrollView&,
                                                                 bool willDecelerate) {
    if (!willDecelerate) {
        restedAfterScroll();
    }
}

void ZVConversationTableViewController::scrollViewDidEndDecelerating(platform::ScrollView&) {
    restedAfterScroll();
}

bool ZVConversationTableViewController::shouldOpenURL(const QString&) {
    createNew();
    return false;
}

// --- modes and life ---

void ZVConversationTableViewController::setEditing(bool editing, bool animated) {
    ZVViewController::setEditing(editing, animated);
    updateSearchBar();
}

void ZVConversationTableViewController::viewWillDisappear(bool animated) {
    ZVViewController::viewWillDisappear(animated);
    if (isEditing()) {
        setEditing(false, false);
    }
}

void ZVConversationTableViewController::releaseObservers() {
    ZVViewController::releaseObservers();
    conversationObservation_.reset();
    profileObservation_.reset();
    searchBarTimer_.cancel();
}
