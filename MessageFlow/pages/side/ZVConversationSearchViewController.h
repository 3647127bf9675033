#pragma once

#include "MessageFlow/pages/ZVConversationPageScreen.h"
#include "platform/foundation/ObserverList.h"
#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/table/TableViewDataSource.h"
#include "platform/ui/table/TableViewDelegate.h"
#include "toolkit/screens/ZVViewController.h"
#include "toolkit/widgets/ZVSearchBarDelegate.h"

#include <memory>

class Conversation;
class ZVSearchBar;
class ZVSearchHintView;
class ZVTableView;

// The search page of an open conversation: the user types, and after a pause the service is
// asked for the matching messages, listed with poster, date and a fragment around the match; a
// footer says "Searching" or that nothing was found; a pick shows the message on the page that
// holds it. Cancel clears the search and goes back to the messages. Made through create(), which
// wires the page once it is shared. Main thread.
class ZVConversationSearchViewController : public ZVViewController,
                                           public ZVConversationPageScreen,
                                           public platform::TableViewDelegate,
                                           public platform::TableViewDataSource,
                                           public ZVSearchBarDelegate {
public:
    // Typing pauses this long before a search.
    static constexpr platform::TimeInterval kSearchDelay = 1.0;
    static constexpr platform::TimeInterval kFocusDelay = 0.1;
    static constexpr qreal kRowHeight = 80;
    static constexpr qreal kInitialWidth = 320;
    static constexpr qreal kInitialHeight = 480;

    static std::shared_ptr<ZVConversationSearchViewController> create(
        const std::shared_ptr<Conversation>& conversation, int page);

    // The page number is not kept.
    ZVConversationSearchViewController(const std::shared_ptr<Conversation>& conversation, int page);
    ~ZVConversationSearchViewController() override;

    std::shared_ptr<Conversation> conversation() const { return conversation_.lock(); }
    const std::shared_ptr<ZVTableView>& table() const { return table_; }
    const std::shared_ptr<ZVSearchBar>& searchBar() const { return searchBar_; }
    // Null while no hint shows.
    const std::shared_ptr<ZVSearchHintView>& hintView() const { return hintView_; }
    bool searchPending() const { return searchPending_; }

    // Searches `text` only when it is still the conversation's search text.
    void runSearch(const QString& text);
    void updateHintCell();
    void releaseObservers() override;

    // --- screen ---
    ZVViewController& screen() override { return *this; }
    void loadView() override;
    void viewDidAppear(bool animated) override;
    void keyboardWillShow(const platform::Notification& notification) override;
    void keyboardDidHide(const platform::Notification& notification) override;

    // --- search bar ---
    void searchBarTextDidChange(platform::View& searchBar, const QString& text) override;
    void searchBarSearchButtonClicked(platform::View& searchBar) override;
    void searchBarCancelButtonClicked(platform::View& searchBar) override;

    // --- table ---
    int tableViewNumberOfRowsInSection(platform::TableView& table, int section) override;
    std::shared_ptr<platform::TableViewCell> tableViewCellForRowAtIndexPath(
        platform::TableView& table, platform::IndexPath path) override;
    bool tableViewCanEditRowAtIndexPath(platform::TableView&, platform::IndexPath) override {
        return false;
    }
    void tableViewDidSelectRowAtIndexPath(platform::TableView& table,
                                          platform::IndexPath path) override;
    void tableViewDidHighlightRowAtIndexPath(platform::TableView& table,
                                             platform::IndexPath path) override;
    std::shared_ptr<platform::View> tableViewViewForFooterInSection(platform::TableView& table,
                                                                    int section) override;
    std::optional<qreal> tableViewHeightForFooterInSection(platform::TableView& table,
                                                           int section) override;
    void scrollViewDidEndDragging(platform::ScrollView& scrollView, bool willDecelerate) override;
    void scrollViewDidEndDecelerating(platform::ScrollView& scrollView) override;

private:
    void start();
    void observedChange();
    // The bar has scrolled out of sight: the keyboard goes.
    void restedAfterScroll();
    bool phone() const;

    std::weak_ptr<Conversation> conversation_;
    std::shared_ptr<ZVTableView> table_;
    std::shared_ptr<ZVSearchBar> searchBar_;
    std::shared_ptr<ZVSearchHintView> hintView_;
    bool searchPending_ = false;
    platform::Observation observation_;
    platform::ScopedTimer searchTimer_;
    platform::ScopedTimer focusTimer_;
};
