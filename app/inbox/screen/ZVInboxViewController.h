#pragma once

#include "platform/foundation/Observable.h"
#include "platform/foundation/ScopedTimer.h"
#include "toolkit/screens/ZVViewController.h"
#include "toolkit/widgets/ZVMessageBanner.h"
#include "toolkit/widgets/ZVSearchBarDelegate.h"

#include <QtCore/QString>

#include <functional>
#include <memory>

class Conversation;
class File;
class ZVConversationActionsMenu;
class ZVInboxDataSource;
class ZVRepositorySession;
class ZVSearchBar;
class ZVSearchOverlay;
class ZVSegmentedControl;
class ZVSessionSwitcher;
namespace platform {
class ImageView;
class TableView;
}  // namespace platform

// The conversation list of the signed-in account, the root of the inbox side: the list with its
// All/Unread filter, search, the account switcher, the new-conversation button, and a file from
// outside waiting for the conversation the user picks for it. It opens what the user picks.
class ZVInboxViewController : public ZVViewController,
                              public ZVSwipeGestureRecognizerDelegate,
                              public ZVSearchBarDelegate,
                              public ZVMessageBannerDelegate {
public:
    static constexpr qreal kRowHeight = 70;
    static constexpr int kTrackingCategory = 4;
    // The page the new-conversation screen opens on.
    static constexpr int kNewConversationPage = 5;
    static constexpr double kSearchAnimation = 0.3;
    static constexpr qreal kOverlayAlpha = 0.3;
    static constexpr double kHideSearchDelay = 1.0;
    static constexpr double kSelectionDelay = 0.1;
    static inline const QString kAllTitle = QStringLiteral("All");
    static inline const QString kUnreadTitle = QStringLiteral("Unread");
    static inline const QString kOpenFailedTitle = QStringLiteral("Unable to open conversation");

    // The screen that starts a new conversation, on the inbox's own navigation; until the
    // application installs one, such a pick opens nothing.
    using NewConversationScreen = std::function<std::shared_ptr<platform::ViewController>(
        const std::shared_ptr<Conversation>& conversation, int page)>;
    static void setNewConversationScreen(NewConversationScreen make);
    static std::shared_ptr<platform::ViewController> newConversationScreen(
        const std::shared_ptr<Conversation>& conversation, int page);

    static std::shared_ptr<ZVInboxViewController> create();
    ~ZVInboxViewController() override;

    const std::shared_ptr<ZVRepositorySession>& session() const { return session_; }
    void setSession(const std::shared_ptr<ZVRepositorySession>& session);
    const std::shared_ptr<File>& pendingFile() const { return pendingFile_; }
    void setPendingFile(const std::shared_ptr<File>& file);
    void conversationSelected(const QString& conversationId);
    void newConversation();
    void updateUnreadCount();
    void updateSelection();
    void setTopInset(qreal inset) override;
    void updateInsets();
    void showSearch();
    void hideSearch();
    void hideSearchAnimated(bool animated);
    void setSearchVisible(bool visible);
    bool isSearchVisible() const;
    void scrollToTop();
    void filterChanged();
    void releaseObservers() override;
    unsigned supportedInterfaceOrientations() const override;

    std::shared_ptr<platform::TableView> tableView() const { return table_; }
    const std::shared_ptr<ZVInboxDataSource>& dataSource() const { return dataSource_; }
    const std::shared_ptr<ZVSearchBar>& searchBar() const { return searchBar_; }
    const std::shared_ptr<ZVSearchOverlay>& searchOverlay() const { return searchOverlay_; }
    const std::shared_ptr<ZVSegmentedControl>& unreadFilter() const { return unreadFilter_; }
    const std::shared_ptr<ZVMessageBanner>& fileBanner() const { return fileBanner_; }
    const std::shared_ptr<ZVConversationActionsMenu>& actionsMenu() const { return actionsMenu_; }
    const std::shared_ptr<platform::ImageView>& logo() const { return logo_; }
    const std::shared_ptr<platform::BarButtonItem>& menuButton() const { return menuButton_; }
    const std::shared_ptr<platform::BarButtonItem>& searchButton() const { return searchButton_; }
    const std::shared_ptr<platform::BarButtonItem>& newButton() const { return newButton_; }
    qreal topInset() const { return topInset_; }

    // ZVSwipeGestureRecognizerDelegate: the account switcher on the left; swipes do nothing.
    void swipeLeft() override {}
    void swipeRight() override {}
    std::shared_ptr<ZVSlideInMenu> menuForSide(ZVMenuSide side) override;

    // ZVSearchBarDelegate
    void searchBarTextDidChange(platform::View& searchBar, const QString& text) override;
    void searchBarSearchButtonClicked(platform::View& searchBar) override;
    void searchBarCancelButtonClicked(platform::View& searchBar) override;

    // ZVMessageBannerDelegate
    void bannerClosed(ZVMessageBanner& banner) override;

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewDidLayoutSubviews() override;
    void keyboardWillShow(const platform::Notification& notification) override;
    void keyboardWillChangeFrame(const platform::Notification& notification) override;
    void keyboardWillHide(const platform::Notification& notification) override;

    ZVInboxViewController();

private:
    void setUp();
    std::weak_ptr<ZVInboxViewController> weakSelf();
    void fetchConversation(const QString& conversationId);
    void openMessage(const QString& guid);
    void setFilterTitles(long count);

    std::shared_ptr<platform::TableView> table_;
    std::shared_ptr<ZVSearchBar> searchBar_;
    std::shared_ptr<platform::BarButtonItem> searchButton_;
    std::shared_ptr<platform::BarButtonItem> newButton_;
    std::shared_ptr<platform::BarButtonItem> menuButton_;
    std::shared_ptr<ZVInboxDataSource> dataSource_;
    std::shared_ptr<File> pendingFile_;
    std::shared_ptr<ZVMessageBanner> fileBanner_;
    std::shared_ptr<ZVConversationActionsMenu> actionsMenu_;
    qreal topInset_ = 0;
    std::shared_ptr<platform::ImageView> logo_;
    std::shared_ptr<ZVSearchOverlay> searchOverlay_;
    std::shared_ptr<ZVRepositorySession> session_;
    std::shared_ptr<ZVSegmentedControl> unreadFilter_;
    platform::Observation pickObservation_;
    platform::Observation coordinatorObservation_;
    platform::ScopedTimer selectionTimer_;
    platform::ScopedTimer hideSearchTimer_;
    // Ids fetched once already for the pick under way: a second answer without the conversation
    // ends the pick.
    QString fetchedId_;
};
