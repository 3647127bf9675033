#include "MessageFlow/pages/side/ZVConversationSearchViewController.h"

#include "MessageFlow/pages/ZVConversationPageSet.h"
#include "MessageFlow/pages/side/ZVMatchingMessageCell.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "platform/foundation/Application.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/widgets/ZVBackgroundView.h"
#include "toolkit/widgets/ZVSearchBar.h"
#include "toolkit/widgets/ZVSearchHintView.h"

using namespace Qt::Literals::StringLiterals;

std::shared_ptr<ZVConversationSearchViewController> ZVConversationSearchViewController::create(
    const std::shared_ptr<Conversation>& conversation, int page) {
    auto search = std::make_shared<ZVConversationSearchViewController>(conversation, page);
    search->start();
    return search;
}

ZVConversationSearchViewController::ZVConversationSearchViewController(
    const std::shared_ptr<Conversation>& conversation, int /*page*/)
    : conversation_(conversation),
      table_(platform::View::make<ZVTableView>(QRectF(0, 0, kInitialWidth, kInitialHeight))),
      searchBar_(platform::View::make<ZVSearchBar>()) {
    table_->setBackgroundView(platform::View::make<ZVBackgroundView>());
    table_->setSeparatorColor(Qt::transparent);
    table_->setRowHeight(kRowHeight);
    searchBar_->setText(conversation ? conversation->searchText() : QString());
    searchBar_->sizeToFit();
    table_->setTableHeaderView(searchBar_);
}

ZVConversationSearchViewController::~ZVConversationSearchViewController() = default;

void ZVConversationSearchViewController::start() {
    const auto self =
        std::static_pointer_cast<ZVConversationSearchViewController>(weakSelf().lock());
    table_->setDelegate(std::shared_ptr<platform::TableViewDelegate>(self, self.get()));
    table_->setDataSource(std::shared_ptr<platform::TableViewDataSource>(self, self.get()));
    searchBar_->setDelegate(std::shared_ptr<ZVSearchBarDelegate>(self, self.get()));
    if (const auto shown = conversation()) {
        observation_ = shown->observe(QStringList{u"searchInProgress"_s, u"searchMatchMessages"_s},
                                      [this](const QString& key) {
                                          if (key == u"searchMatchMessages"_s) {
                                              table_->reloadData();
                                          }
                                          observedChange();
                                      });
        shown->runServerSearch();
    }
}

void ZVConversationSearchViewController::loadView() {
    setView(table_);
}

void ZVConversationSearchViewController::viewDidAppear(bool animated) {
    ZVViewController::viewDidAppear(animated);
    if (searchBar_->text().isEmpty()) {
        searchBar_->becomeFirstResponder();
    }
}

void ZVConversationSearchViewController::releaseObservers() {
    ZVViewController::releaseObservers();
    observation_.reset();
    searchTimer_.cancel();
    focusTimer_.cancel();
}

void ZVConversationSearchViewController::observedChange() {
    updateHintCell();
}

// --- typing ---

void ZVConversationSearchViewController::searchBarTextDidChange(platform::View&,
                                                                const QString& text) {
    searchPending_ = true;
    const auto shown = conversation();
    if (shown) {
        shown->setSearchText(text);
    }
    updateHintCell();
    // Held by the page: a pause that outlives it searches nothing.
    searchTimer_ =
        platform::Scheduler::main().after(kSearchDelay, [this, text] { runSearch(text); });
}

void ZVConversationSearchViewController::runSearch(const QString& text) {
    const auto shown = conversation();
    // Typing went on: a later call searches the newer text.
    if (!shown || shown->searchText() != text) {
        return;
    }
    searchPending_ = false;
    shown->runServerSearch();
    updateHintCell();
}

void ZVConversationSearchViewController::searchBarSearchButtonClicked(platform::View&) {
    searchTimer_.cancel();
    searchPending_ = false;
    if (const auto shown = conversation()) {
        shown->runServerSearch();
    }
    updateHintCell();
}

void ZVConversationSearchViewController::searchBarCancelButtonClicked(platform::View&) {
    searchTimer_.cancel();
    searchPending_ = false;
    searchBar_->setText(QString());
    if (const auto shown = conversation()) {
        shown->setSearchText(QString());
    }
    searchBar_->resignFirstResponder();
    updateHintCell();
    if (auto* pages = ZVConversationPageSet::conversationPages()) {
        pages->setActivePageIndex(ZVConversationPageSet::MessagesPage);
    }
}

// --- hint ---

void ZVConversationSearchViewController::updateHintCell() {
    const auto shown = conversation();
    const auto& matches = shown ? shown->searchMatchMessages() : nullptr;
    const bool show = !searchBar_->text().isEmpty() && (!matches || matches->isEmpty());
    if (show != (hintView_ != nullptr)) {
        if (show) {
            hintView_ = platform::View::make<ZVSearchHintView>();
        } else {
            hintView_.reset();
        }
        table_->reloadData();
    }
    if (!hintView_) {
        return;
    }
    hintView_->setSearchText(searchBar_->text());
    const bool searching =
        (shown && shown->searchState() == Conversation::SearchRunning) || searchPending_;
    hintView_->setState(searching ? ZVSearchHintView::kSearching : ZVSearchHintView::kNoResults);
    hintView_->setFrame(QRectF(0, 0, table_->bounds().width(), hintView_->height()));
}

std::shared_ptr<platform::View> ZVConversationSearchViewController::tableViewViewForFooterInSection(
    platform::TableView&, int) {
    return hintView_;
}

std::optional<qreal> ZVConversationSearchViewController::tableViewHeightForFooterInSection(
    platform::TableView&, int) {
    return hintView_ ? hintView_->frame().height() : 0;
}

// --- results ---

int ZVConversationSearchViewController::tableViewNumberOfRowsInSection(platform::TableView&, int) {
    const auto shown = conversation();
    const auto& matches = shown ? shown->searchMatchMessages() : nullptr;
    return matches ? int(matches->count()) : 0;
}

std::shared_ptr<platform::TableViewCell>
ZVConversationSearchViewController::tableViewCellForRowAtIndexPath(platform::TableView& table,
                                                                   platform::IndexPath path) {
    auto cell = std::dynamic_pointer_cast<ZVMatchingMessageCell>(
        table.dequeueReusableCell(ZVMatchingMessageCell::kReuseIdentifier));
    if (!cell) {
        cell = platform::View::make<ZVMatchingMessageCell>(ZVMatchingMessageCell::Style::Default,
                                                           ZVMatchingMessageCell::kReuseIdentifier);
    }
    const auto shown = conversation();
    const auto& matches = shown ? shown->searchMatchMessages() : nullptr;
    cell->setMessage(matches && path.row < matches->count() ? (*matches)[path.row] : nullptr);
    return cell;
}

void ZVConversationSearchViewController::tableViewDidHighlightRowAtIndexPath(platform::TableView&,
                                                                             platform::IndexPath) {
    searchBar_->resignFirstResponder();
}

void ZVConversationSearchViewController::tableViewDidSelectRowAtIndexPath(
    platform::TableView& table, platform::IndexPath path) {
    searchBar_->resignFirstResponder();
    table.deselectRowAtIndexPath(path, true);
    const auto shown = conversation();
    const auto& matches = shown ? shown->searchMatchMessages() : nullptr;
    // The results may have changed under the finger.
    if (!matches || path.row < 0 || path.row >= matches->count()) {
        return;
    }
    const std::weak_ptr<Message> picked = (*matches)[path.row];
    focusTimer_ = platform::Scheduler::main().after(kFocusDelay, [picked] {
        if (const auto message = picked.lock()) {
            ZVConversationPageSet::focusMessage(message);
        }
    });
}

// --- keyboard and scrolling ---

bool ZVConversationSearchViewController::phone() const {
    return platform::Application::shared().userInterfaceIdiom() !=
           platform::UserInterfaceIdiom::Pad;
}

void ZVConversationSearchViewController::keyboardWillShow(
    const platform::Notification& notification) {
    ZVViewController::keyboardWillShow(notification);
    if (!phone()) {
        return;
    }
    const qreal height = extractKeyboardSizeFromNotification(notification).height();
    const auto table = table_;
    startKeyboardAnimation(notification, [table, height] {
        auto insets = table->contentInset();
        insets.bottom = height;
        table->doSetContentInset(insets);
    });
}

void ZVConversationSearchViewController::keyboardDidHide(
    const platform::Notification& notification) {
    ZVViewController::keyboardDidHide(notification);
    if (phone()) {
        auto insets = table_->contentInset();
        insets.bottom = 0;
        table_->doSetContentInset(insets);
    }
}

void ZVConversationSearchViewController::restedAfterScroll() {
    if (table_->contentOffset().y() >= searchBar_->frame().height()) {
        searchBar_->resignFirstResponder();
    }
}

void ZVConversationSearchViewController::scrollViewDidEndDragging(platform::ScrollView&,
                                                                  bool willDecelerate) {
    if (!willDecelerate) {
        restedAfterScroll();
    }
}

void ZVConversationSearchViewController::scrollViewDidEndDecelerating(platform::ScrollView&) {
    restedAfterScroll();
}
