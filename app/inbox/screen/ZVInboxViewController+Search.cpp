#include "app/inbox/screen/ZVInboxViewController.h"

#include "app/inbox/screen/ZVSearchOverlay.h"
#include "app/inbox/sections/ZVInboxDataSource.h"
#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/controllers/navigation/NavigationBar.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controllers/navigation/NavigationItem.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/widgets/ZVSearchBar.h"

void ZVInboxViewController::showSearch() {
    setSearchVisible(true);
}

void ZVInboxViewController::hideSearch() {
    hideSearchAnimated(true);
}

// Closing is always animated.
void ZVInboxViewController::hideSearchAnimated(bool /*animated*/) {
    searchBar_->endEditing(true);
    searchBar_->setText(QString(""));
    if (dataSource_) {
        dataSource_->setSearchText(QString());
    }
    setSearchVisible(false);
}

bool ZVInboxViewController::isSearchVisible() const {
    return searchBar_ && sharedNavigationItem()->titleView() == searchBar_;
}

void ZVInboxViewController::setSearchVisible(bool visible) {
    if (visible == isSearchVisible()) {
        return;
    }
    searchBar_->setBackgroundColor(platform::resolveColor(ZVColors::logo()));
    if (platform::NavigationController* navigation = navigationController()) {
        searchBar_->setFrame(navigation->navigationBar().bounds());
    }
    const std::weak_ptr<ZVInboxViewController> weak =
        std::static_pointer_cast<ZVInboxViewController>(weak_from_this().lock());
    if (visible) {
        navigationItem().setTitleView(std::shared_ptr<platform::View>(searchBar_));
        navigationItem().setLeftBarButtonItems({}, true);
        navigationItem().setRightBarButtonItems({}, true);
        searchBar_->setAlpha(0);
        platform::View* parent = table_ ? table_->superview() : nullptr;
        if (!searchOverlay_) {
            searchOverlay_ = platform::View::make<ZVSearchOverlay>(weak);
            searchOverlay_->setBackgroundColor(Qt::darkGray);
            searchOverlay_->setAlpha(0);
            if (parent) {
                searchOverlay_->setFrame(parent->bounds());
                parent->addSubview(searchOverlay_);
            }
        }
        const auto bar = searchBar_;
        const auto overlay = searchOverlay_;
        platform::ViewAnimation::animate(kSearchAnimation, [bar, overlay] {
            bar->setAlpha(1);
            overlay->setAlpha(kOverlayAlpha);
        });
        searchBar_->setShowClose(true);
        searchBar_->becomeFirstResponder();
        return;
    }
    searchBar_->setShowClose(false);
    const auto bar = searchBar_;
    const auto overlay = searchOverlay_;
    searchOverlay_.reset();
    platform::ViewAnimation::animate(
        kSearchAnimation,
        [bar, overlay] {
            bar->setAlpha(0);
            if (overlay) {
                overlay->setAlpha(0);
            }
        },
        [weak, weakOverlay = std::weak_ptr<platform::View>(overlay)](bool) {
            if (const auto gone = weakOverlay.lock()) {
                gone->removeFromSuperview();
            }
            if (const auto self = weak.lock()) {
                self->navigationItem().setTitleView(std::shared_ptr<platform::View>(self->logo()));
                self->navigationItem().setLeftBarButtonItems(
                    {self->menuButton(), self->searchButton()});
                self->navigationItem().setRightBarButtonItem(self->newButton());
            }
        });
}

void ZVInboxViewController::searchBarTextDidChange(platform::View&, const QString& text) {
    if (!text.isEmpty()) {
        scrollToTop();
    }
    if (dataSource_) {
        dataSource_->setSearchText(text);
    }
    if (searchOverlay_) {
        searchOverlay_->setHidden(!text.isEmpty());
    }
}

void ZVInboxViewController::searchBarSearchButtonClicked(platform::View&) {
    if (dataSource_) {
        dataSource_->runSearchNow();
    }
}

void ZVInboxViewController::searchBarCancelButtonClicked(platform::View&) {
    hideSearchAnimated(true);
}
