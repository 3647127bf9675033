#pragma once

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/table/TableViewDelegate.h"
#include "toolkit/screens/ZVViewController.h"
#include "toolkit/tables/ZVTableViewHeightDelegate.h"

#include <memory>

class ZVOverlayContainer;
class ZVTableView;
namespace platform {
class NavigationBar;
}

// The base of the message screen: a table that fills the screen, a view docked at the bottom (the
// editor or the writers line) riding on the keyboard, an optional view docked at the right edge,
// an optional side panel over the right part of the table showing another page's screen, and a
// programmatic scroll that steps the table towards a target offset on a timer. The table's bottom
// inset stays keyboard + bottom view + spacing, and a table scrolled to the bottom stays there
// across layout, keyboard and bottom-view changes. The subclass makes the table (setTable); the
// screen is its delegate. Main thread only.
class ZVTableAndBottomViewController : public ZVViewController,
                                       public platform::TableViewDelegate,
                                       public ZVTableViewHeightDelegate {
public:
    static constexpr platform::TimeInterval kScrollTick = 0.01;
    // Within this of the target a stepped scroll lands.
    static constexpr qreal kLandingDistance = 1;
    // The speed wanted is this fraction of the distance left, capped, in points a tick.
    static constexpr qreal kSpeedDivisor = 10;
    static constexpr qreal kMaximumSpeed = 30;
    static constexpr qreal kMaximumAcceleration = 2;
    static constexpr qreal kMinimumSpeed = 1;
    // Inset differences below this are rounding.
    static constexpr qreal kInsetTolerance = 1;
    static constexpr platform::TimeInterval kHeightChangeDuration = 0.3;
    static constexpr qreal kOverlayWidth = 320;
    static constexpr platform::TimeInterval kOverlayDuration = 0.5;

    ZVTableAndBottomViewController();
    ~ZVTableAndBottomViewController() override;

    // --- parts ---
    const std::shared_ptr<ZVTableView>& table() const { return table_; }
    // Puts the table into the view, below everything docked, with this screen as its delegate.
    void setTable(const std::shared_ptr<ZVTableView>& table);
    const std::shared_ptr<platform::View>& bottomView() const { return bottomView_; }
    // Docks a view only while none is docked (clear with null first); null undocks.
    void setBottomView(const std::shared_ptr<platform::View>& view);
    void setBottomViewHeight(qreal height);
    qreal bottomViewHeight() const;
    qreal bottomViewVisibleHeight() const;
    qreal bottomSpacing() const { return bottomSpacing_; }
    void setBottomSpacing(qreal spacing);
    const std::shared_ptr<platform::View>& rightSideView() const { return rightSideView_; }
    void setRightSideView(const std::shared_ptr<platform::View>& view);
    const std::shared_ptr<ZVViewController>& overlayViewController() const {
        return overlayViewController_;
    }
    // Shows the screen in the side panel, sliding it in; null slides it out.
    void setOverlayViewController(const std::shared_ptr<ZVViewController>& controller);
    const std::shared_ptr<ZVOverlayContainer>& overlayContainer() const {
        return overlayContainer_;
    }
    // The bar over the panel's screen while that screen edits.
    const std::shared_ptr<platform::NavigationBar>& navigationBar() const { return navigationBar_; }
    QRectF overlayContainerRect() const;

    // --- placing ---
    void updateBottomView();
    void placeBottomView(const std::shared_ptr<platform::View>& view, qreal height);
    void updateContentInset();
    void updateOverlayViewFrame();

    // --- scrolling ---
    bool manualScrolling() const { return manualScrolling_; }
    bool animatingScroll() const { return scrollTimer_.isValid(); }
    // The target while a stepped scroll runs, else the table's offset.
    qreal scrollTarget() const;
    qreal scrollDelta() const { return scrollDelta_; }
    // Animated, the table steps towards `y` on the timer; a new target replaces the old one.
    void setScrollPos(qreal y, bool animated);
    void scrollToBottomAnimated(bool animated);
    virtual void endScrollAnimation();
    // One tick of the stepped scroll.
    void updateScrollPos();

    // --- the table's delegate ---
    void scrollViewWillBeginDragging(platform::ScrollView& scrollView) override;
    void scrollViewDidEndDragging(platform::ScrollView& scrollView, bool willDecelerate) override;
    void scrollViewDidEndDecelerating(platform::ScrollView& scrollView) override;
    void scrollViewDidScroll(platform::ScrollView& scrollView) override;
    void tableViewContentHeightWillChange(ZVTableView& tableView, qreal delta) override;

    // --- the platform's calls ---
    void viewWillLayoutSubviews() override;
    void keyboardWillShow(const platform::Notification& notification) override;
    void keyboardWillChangeFrame(const platform::Notification& notification) override;
    void keyboardWillHide(const platform::Notification& notification) override;
    void keyboardDidShow(const platform::Notification& notification) override;
    void keyboardDidHide(const platform::Notification& notification) override;

private:
    bool tableAtBottom() const;
    // The keyboard's change with the table kept at the bottom when it was there.
    void followKeyboard(const platform::Notification& notification, bool wasAtBottom);
    void showOverlayContainerAnimated(bool animated);
    void hideOverlayContainerAnimated(bool animated);
    void setEditMode(bool editing);
    qreal rightSideWidth() const;
    std::weak_ptr<ZVTableAndBottomViewController> weakScreen();

    std::shared_ptr<ZVTableView> table_;
    std::shared_ptr<platform::View> bottomView_;
    qreal bottomSpacing_ = 0;
    std::shared_ptr<platform::View> rightSideView_;
    std::shared_ptr<ZVViewController> overlayViewController_;
    std::shared_ptr<ZVOverlayContainer> overlayContainer_;
    std::shared_ptr<platform::NavigationBar> navigationBar_;
    bool manualScrolling_ = false;
    platform::ScopedTimer scrollTimer_;
    qreal scrollTarget_ = 0;
    qreal scrollDelta_ = 0;
    platform::Observation editingObservation_;
};
