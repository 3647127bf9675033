#pragma once

#include "MessageFlow/pages/ZVConversationPageScreen.h"
#include "platform/foundation/ObserverList.h"
#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/table/TableViewDelegate.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/screens/ZVViewController.h"
#include "toolkit/widgets/ZVSearchBarDelegate.h"

#include <QtCore/QStringList>

#include <memory>

class Conversation;
class ZVSearchBar;
class ZVTableMessage;
class ZVTableView;

// The base of the side pages that list things in a table (the pin and task boards, the files
// page): a full-screen table, a search bar that shows only while there is something to search or
// scroll, a footer saying "Loading" or that more is available, and fetching more rows as the user
// nears the end. Subclasses say what to observe, whether and how more is loaded and what the empty
// list says. Made through create(), which wires the page once it is shared. Main thread only.
class ZVConversationTableViewController : public ZVViewController,
                                          public ZVConversationPageScreen,
                                          public platform::TableViewDelegate,
                                          public ZVSearchBarDelegate,
                                          public ZVRichTextDelegate {
public:
    static constexpr platform::TimeInterval kSearchBarDelay = 0.1;
    // The list must have more rows than this before a search bar is offered.
    static constexpr int kSearchableRowCount = 2;
    static inline const QString kLoadingText = QStringLiteral("Loading");

    template <class Page, class... Args>
    static std::shared_ptr<Page> create(Args&&... args) {
        auto page = std::make_shared<Page>(std::forward<Args>(args)...);
        page->start();
        return page;
    }

    // The page number is not kept.
    ZVConversationTableViewController(const std::shared_ptr<Conversation>& conversation, int page);
    ~ZVConversationTableViewController() override;

    std::shared_ptr<Conversation> conversation() const { return conversation_.lock(); }
    const std::shared_ptr<ZVTableView>& table() const { return table_; }
    const std::shared_ptr<ZVSearchBar>& searchBar() const { return searchBar_; }
    const std::shared_ptr<ZVTableMessage>& statusText() const { return statusText_; }
    QString searchText() const;
    bool searchBarShown() const;

    // --- what a subclass supplies ---
    virtual QStringList observeProps() const { return {}; }
    virtual bool canLoadMore() const { return false; }
    virtual void loadMore() {}
    virtual QString moreAvailableText() const { return QString(); }
    virtual QString emptyText() const { return QString(); }
    virtual QString createNewText() const { return QString(); }
    virtual void createNew() {}
    void checkboxToggled(bool /*checked*/) override {}
    // A change of an observed conversation key or of the profile's client flags.
    virtual void observedChange(const QString& key);

    // --- operations ---
    void updateSearchBar();
    // Reloads the table, then the footer.
    virtual void updateSource();
    void updateLoadingStatus();
    void loadMoreIfNeeded();
    void releaseObservers() override;
    // The empty list's link starts a new item and never opens as an address.
    bool shouldOpenURL(const QString& url) override;

    // --- screen ---
    ZVViewController& screen() override { return *this; }
    void loadView() override;
    void viewWillLayoutSubviews() override;
    void viewWillDisappear(bool animated) override;
    void setEditing(bool editing, bool animated) override;

    // --- search bar ---
    void searchBarTextDidChange(platform::View& searchBar, const QString& text) override;
    void searchBarCancelButtonClicked(platform::View& searchBar) override;

    // --- scrolling comes to rest ---
    void scrollViewDidEndDragging(platform::ScrollView& scrollView, bool willDecelerate) override;
    void scrollViewDidEndDecelerating(platform::ScrollView& scrollView) override;

    // Runs once the page is shared: wires the table and the search bar to it, observes, and
    // places the search bar a moment later. Subclasses add their own steps after the base's.
    virtual void start();

protected:
    void restedAfterScroll();

private:
    std::weak_ptr<Conversation> conversation_;
    std::shared_ptr<ZVTableView> table_;
    std::shared_ptr<ZVSearchBar> searchBar_;
    std::shared_ptr<ZVTableMessage> statusText_;
    platform::Observation conversationObservation_;
    platform::Observation profileObservation_;
    platform::ScopedTimer searchBarTimer_;
};
