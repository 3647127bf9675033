#include "MessageFlow/pages/ZVTableAndBottomViewController.h"

#include "MessageFlow/pages/ZVOverlayContainer.h"
#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/controllers/navigation/NavigationBar.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "toolkit/screens/ZVScreenCoordinator.h"
#include "toolkit/tables/ZVTableView.h"

#include <algorithm>
#include <cmath>

using platform::ViewAnimation;

ZVTableAndBottomViewController::ZVTableAndBottomViewController() {
    // Any screen's change of edit mode may be the panel screen's: its bar follows.
    editingObservation_ = platform::NotificationCenter::defaultCenter().addObserverForName(
        ZVViewController::kEditingChangedNotification, [this](const platform::Notification&) {
            if (overlayViewController_) {
                setEditMode(overlayViewController_->isEditing());
            }
        });
}

ZVTableAndBottomViewController::~ZVTableAndBottomViewController() = default;

std::weak_ptr<ZVTableAndBottomViewController> ZVTableAndBottomViewController::weakScreen() {
    return std::static_pointer_cast<ZVTableAndBottomViewController>(weak_from_this().lock());
}

void ZVTableAndBottomViewController::setTable(const std::shared_ptr<ZVTableView>& table) {
    if (table_) {
        table_->removeFromSuperview();
    }
    table_ = table;
    if (!table_) {
        return;
    }
    std::shared_ptr<platform::TableViewDelegate> delegate = weakScreen().lock();
    table_->setDelegate(delegate);
    view()->insertSubview(table_, 0);
}

// --- bottom view ---

qreal ZVTableAndBottomViewController::bottomViewHeight() const {
    return bottomView_ ? bottomView_->frame().height() : 0;
}

qreal ZVTableAndBottomViewController::bottomViewVisibleHeight() const {
    return bottomView_ ? bottomView_->bounds().height() : 0;
}

qreal ZVTableAndBottomViewController::rightSideWidth() const {
    return rightSideView_ ? rightSideView_->frame().width() : 0;
}

bool ZVTableAndBottomViewController::tableAtBottom() const {
    return table_ && table_->isScrolledToBottom();
}

void ZVTableAndBottomViewController::setBottomView(const std::shared_ptr<platform::View>& view) {
    if (view) {
        if (bottomView_) {
            return;
        }
        bottomView_ = view;
        this->view()->addSubview(view);
        updateContentInset();
        updateBottomView();
        scrollToBottomAnimated(false);
        return;
    }
    if (bottomView_) {
        bottomView_->removeFromSuperview();
        bottomView_.reset();
    }
    updateContentInset();
}

void ZVTableAndBottomViewController::setBottomViewHeight(qreal height) {
    if (!bottomView_) {
        return;
    }
    const bool wasAtBottom = tableAtBottom();
    const QRectF frame = bottomView_->frame();
    bottomView_->setFrame(QRectF(frame.x(), frame.y(), view()->bounds().width(), height));
    updateContentInset();
    if (wasAtBottom) {
        scrollToBottomAnimated(false);
    }
    updateBottomView();
}

void ZVTableAndBottomViewController::setBottomSpacing(qreal spacing) {
    bottomSpacing_ = spacing;
    updateContentInset();
}

void ZVTableAndBottomViewController::updateBottomView() {
    placeBottomView(bottomView_, bottomViewVisibleHeight());
}

void ZVTableAndBottomViewController::placeBottomView(const std::shared_ptr<platform::View>& view,
                                                     qreal height) {
    const auto root = viewIfLoaded();
    if (view && root) {
        const QRectF bounds = root->bounds();
        view->setFrame(QRectF(0, bounds.height() - keyboardHeight() - height,
                              bounds.width() - rightSideWidth(), view->frame().height()));
    }
    if (overlayContainer_ && overlayViewController_ &&
        overlayContainer_->frame().height() != overlayContainerRect().height()) {
        updateOverlayViewFrame();
    }
}

void ZVTableAndBottomViewController::updateContentInset() {
    if (!table_) {
        return;
    }
    const qreal wanted = keyboardHeight() + bottomViewVisibleHeight() + bottomSpacing_;
    const platform::EdgeInsets current = table_->contentInset();
    if (std::abs(wanted - current.bottom) < kInsetTolerance) {
        return;
    }
    table_->doSetContentInset({current.top, 0, wanted, 0});
    if (table_->contentOffset().y() > table_->bottomScrollPos()) {
        scrollToBottomAnimated(false);
    }
}

// --- layout and keyboard ---

void ZVTableAndBottomViewController::viewWillLayoutSubviews() {
    QRectF area = view()->bounds();
    if (rightSideView_) {
        const qreal width = rightSideView_->frame().width();
        rightSideView_->setFrame(QRectF(area.right() - width, area.y(), width, area.height()));
        area.setWidth(area.width() - width);
    }
    const bool wasAtBottom = tableAtBottom();
    if (table_) {
        // The bottom view lies over the table; the table's inset keeps the last row clear of it.
        table_->setFrame(area);
    }
    ZVViewController::viewWillLayoutSubviews();
    if (wasAtBottom) {
        scrollToBottomAnimated(false);
    }
}

void ZVTableAndBottomViewController::followKeyboard(const platform::Notification& notification,
                                                    bool wasAtBottom) {
    startKeyboardAnimation(notification, [this, wasAtBottom] {
        updateContentInset();
        if (wasAtBottom) {
            scrollToBottomAnimated(false);
        }
        updateBottomView();
    });
}

void ZVTableAndBottomViewController::keyboardWillShow(const platform::Notification& notification) {
    ZVViewController::keyboardWillShow(notification);
    followKeyboard(notification, tableAtBottom());
}

void ZVTableAndBottomViewController::keyboardWillChangeFrame(
    const platform::Notification& notification) {
    // The base's change-frame handler goes through keyboardWillShow: only its own part runs here.
    ZVViewController::keyboardWillShow(notification);
    followKeyboard(notification, tableAtBottom());
}

void ZVTableAndBottomViewController::keyboardWillHide(const platform::Notification& notification) {
    // Noted while the keyboard still takes its room: afterwards every table looks scrolled up.
    const bool wasAtBottom = tableAtBottom();
    ZVViewController::keyboardWillHide(notification);
    followKeyboard(notification, wasAtBottom);
}

void ZVTableAndBottomViewController::keyboardDidShow(const platform::Notification& notification) {
    ZVViewController::keyboardDidShow(notification);
    updateBottomView();
}

void ZVTableAndBottomViewController::keyboardDidHide(const platform::Notification& notification) {
    ZVViewController::keyboardDidHide(notification);
    updateContentInset();
    updateBottomView();
}

// --- dragging ---

void ZVTableAndBottomViewController::scrollViewWillBeginDragging(platform::ScrollView&) {
    manualScrolling_ = true;
    endScrollAnimation();
}

void ZVTableAndBottomViewController::scrollViewDidEndDragging(platform::ScrollView&,
                                                              bool willDecelerate) {
    if (!willDecelerate) {
        manualScrolling_ = false;
        updateBottomView();
    }
}

void ZVTableAndBottomViewController::scrollViewDidEndDecelerating(platform::ScrollView&) {
    manualScrolling_ = false;
    updateBottomView();
}

void ZVTableAndBottomViewController::scrollViewDidScroll(platform::ScrollView&) {
    if (manualScrolling_) {
        updateBottomView();
    }
}

void ZVTableAndBottomViewController::tableViewContentHeightWillChange(ZVTableView&, qreal) {
    ViewAnimation::animate(kHeightChangeDuration, [this] { updateBottomView(); });
}

// --- stepped scroll ---

qreal ZVTableAndBottomViewController::scrollTarget() const {
    if (animatingScroll()) {
        return scrollTarget_;
    }
    return table_ ? table_->contentOffset().y() : 0;
}

void ZVTableAndBottomViewController::setScrollPos(qreal y, bool animated) {
    if (!table_) {
        return;
    }
    if (!animated) {
        endScrollAnimation();
        table_->setContentOffset(QPointF(0, y));
        updateBottomView();
        return;
    }
    scrollTarget_ = y;
    if (!animatingScroll()) {
        scrollDelta_ = 0;
        // In the default mode: a finger on the table holds the scroll.
        scrollTimer_ = platform::Scheduler::main().every(
            kScrollTick, [this] { updateScrollPos(); }, platform::RunLoopMode::Default);
    }
}

void ZVTableAndBottomViewController::scrollToBottomAnimated(bool animated) {
    if (table_) {
        setScrollPos(table_->bottomScrollPos(), animated);
    }
}

void ZVTableAndBottomViewController::endScrollAnimation() {
    scrollTimer_.cancel();
}

void ZVTableAndBottomViewController::updateScrollPos() {
    if (!table_) {
        endScrollAnimation();
        return;
    }
    const qreal current = table_->contentOffset().y();
    const qreal distance = std::abs(current - scrollTarget_);
    if (distance > kLandingDistance) {
        const qreal wanted = std::min(distance / kSpeedDivisor, kMaximumSpeed);
        qreal speed = std::abs(scrollDelta_);
        const qreal step = std::min(std::abs(wanted - speed), kMaximumAcceleration);
        speed =
            speed < wanted ? std::min(speed + step, wanted) : std::max(speed - step, kMinimumSpeed);
        scrollDelta_ = current < scrollTarget_ ? speed : -speed;
        table_->setContentOffset(QPointF(0, current + scrollDelta_));
        // A table that refuses the offset (its scroll lock) would keep the timer running for ever.
        if (table_->contentOffset().y() != current) {
            return;
        }
    } else {
        table_->setContentOffset(QPointF(0, scrollTarget_));
    }
    endScrollAnimation();
    updateBottomView();
    // The delegate may be gone with the table's owner; the table outlives this call.
    const auto table = table_;
    if (const auto delegate = table->tableDelegate()) {
        delegate->scrollViewDidEndDecelerating(*table);
    }
}

// --- side panel ---

QRectF ZVTableAndBottomViewController::overlayContainerRect() const {
    const auto root = viewIfLoaded();
    if (!root) {
        return {};
    }
    const QRectF bounds = root->bounds();
    return QRectF(bounds.width() - rightSideWidth() - kOverlayWidth, 0, kOverlayWidth,
                  bounds.height() - keyboardHeight() - bottomViewVisibleHeight());
}

void ZVTableAndBottomViewController::setOverlayViewController(
    const std::shared_ptr<ZVViewController>& controller) {
    if (controller == overlayViewController_) {
        return;
    }
    if (!controller) {
        hideOverlayContainerAnimated(true);
        setEditMode(false);
        return;
    }
    if (overlayViewController_) {
        overlayViewController_->view()->removeFromSuperview();
    }
    overlayViewController_ = controller;
    showOverlayContainerAnimated(true);
    const auto shown = controller->view();
    shown->setFrame(overlayContainer_->bounds());
    overlayContainer_->addSubview(shown);
    setEditMode(controller->isEditing());
}

void ZVTableAndBottomViewController::showOverlayContainerAnimated(bool animated) {
    const QRectF rect = overlayContainerRect();
    if (!overlayContainer_) {
        overlayContainer_ = platform::View::make<ZVOverlayContainer>();
        overlayContainer_->setFrame(rect.translated(kOverlayWidth, 0));
        view()->insertSubviewAbove(overlayContainer_, table_.get());
    }
    if (!animated) {
        overlayContainer_->setFrame(rect);
        return;
    }
    const auto container = overlayContainer_;
    ViewAnimation::animate(kOverlayDuration, [&] { container->setFrame(rect); });
}

void ZVTableAndBottomViewController::hideOverlayContainerAnimated(bool animated) {
    if (!overlayContainer_) {
        overlayViewController_.reset();
        return;
    }
    const auto old = std::exchange(overlayViewController_, nullptr);
    if (!animated) {
        if (old) {
            old->view()->removeFromSuperview();
        }
        overlayContainer_->removeFromSuperview();
        overlayContainer_.reset();
        return;
    }
    const auto container = overlayContainer_;
    const QRectF out = overlayContainerRect().translated(kOverlayWidth, 0);
    ViewAnimation::animate(
        kOverlayDuration, [&] { container->setFrame(out); },
        [weak = weakScreen(), gone = std::weak_ptr<ZVViewController>(old)](bool) {
            const auto self = weak.lock();
            if (!self) {
                return;
            }
            // A screen set while the panel slid out keeps the panel, and may be the old one.
            if (const auto old = gone.lock(); old && old != self->overlayViewController_) {
                old->view()->removeFromSuperview();
            }
            if (!self->overlayViewController_ && self->overlayContainer_) {
                self->overlayContainer_->removeFromSuperview();
                self->overlayContainer_.reset();
            }
        });
}

void ZVTableAndBottomViewController::setEditMode(bool editing) {
    if (editing == (navigationBar_ != nullptr)) {
        return;
    }
    if (editing && overlayContainer_ && overlayViewController_) {
        navigationBar_ = platform::View::make<platform::NavigationBar>();
        navigationBar_->pushNavigationItem(overlayViewController_->sharedNavigationItem());
        overlayContainer_->addSubview(navigationBar_);
    } else if (navigationBar_) {
        navigationBar_->removeFromSuperview();
        navigationBar_.reset();
    }
    updateOverlayViewFrame();
}

void ZVTableAndBottomViewController::updateOverlayViewFrame() {
    if (!overlayContainer_) {
        return;
    }
    overlayContainer_->setFrame(overlayContainerRect());
    const QRectF bounds = overlayContainer_->bounds();
    qreal barHeight = 0;
    if (navigationBar_) {
        barHeight = platform::NavigationBar::kHeight;
        if (const auto right = ZVScreenCoordinator::shared().rightNavigationController()) {
            if (right->isViewLoaded() && right->navigationBar().frame().height() > 0) {
                barHeight = right->navigationBar().frame().height();
            }
        }
        navigationBar_->setFrame(QRectF(0, 0, bounds.width(), barHeight));
    }
    if (overlayViewController_) {
        overlayViewController_->view()->setFrame(
            QRectF(0, barHeight, bounds.width(), bounds.height() - barHeight));
    }
}

void ZVTableAndBottomViewController::setRightSideView(const std::shared_ptr<platform::View>& view) {
    if (view == rightSideView_) {
        return;
    }
    if (rightSideView_) {
        rightSideView_->removeFromSuperview();
    }
    rightSideView_ = view;
    if (view) {
        this->view()->addSubview(view);
    }
    viewWillLayoutSubviews();
}
