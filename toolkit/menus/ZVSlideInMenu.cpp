#include "toolkit/menus/ZVSlideInMenu.h"

#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/controllers/SnapshotView.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/view/Window.h"
#include "toolkit/screens/ZVScreenCoordinator.h"
#include "toolkit/screens/ZVViewController.h"

#include <QtCore/QtMath>

#include <algorithm>

using platform::ViewAnimation;

namespace {

constexpr unsigned kSettleOptions =
    ViewAnimation::BeginFromCurrentState | ViewAnimation::AllowUserInteraction;

}  // namespace

ZVSlideInMenu::ZVSlideInMenu(ZVMenuSide side)
    : ZVVerticalMenu(kColorScheme),
      side_(side),
      panGestureRecognizer_(std::make_shared<platform::PanGestureRecognizer>()) {
    setItemHeight(kItemHeight);
    setFrame(QRectF(0, 0, kWidth, kInitialHeight));
    setPosition(0);
    panGestureRecognizer_->addTarget(
        [alive = std::weak_ptr<bool>(alive_), this](platform::GestureRecognizer& recognizer) {
            if (!alive.expired()) {
                handleGesture(static_cast<platform::PanGestureRecognizer&>(recognizer));
            }
        });
    addGestureRecognizer(panGestureRecognizer_);
    // The items start below the status bar.
    const auto window = ZVScreenCoordinator::shared().window();
    setTopOffset(window ? window->profile().statusBarHeight
                        : platform::DeviceProfile().statusBarHeight);
}

ZVSlideInMenu::~ZVSlideInMenu() = default;

std::weak_ptr<ZVSlideInMenu> ZVSlideInMenu::weakSelf() {
    return std::static_pointer_cast<ZVSlideInMenu>(weak_from_this().lock());
}

QRectF ZVSlideInMenu::referenceFrame() const {
    if (const auto left = ZVScreenCoordinator::shared().leftNavigationController()) {
        if (const auto view = left->viewIfLoaded()) {
            return view->frame();
        }
    }
    return superview() != nullptr ? superview()->bounds() : QRectF();
}

std::shared_ptr<platform::View> ZVSlideInMenu::contentView() const {
    const auto right = ZVScreenCoordinator::shared().rightNavigationController();
    const auto window = ZVScreenCoordinator::shared().window();
    if (!right || !window) {
        return nullptr;
    }
    for (platform::View* v = right->viewIfLoaded().get(); v != nullptr; v = v->superview()) {
        if (v->superview() == window.get()) {
            return v->shared_from_this();
        }
    }
    return nullptr;
}

qreal ZVSlideInMenu::position() const {
    if (superview() == nullptr) {
        return 0;
    }
    const QRectF frame = this->frame();
    // Measured against the same edge setPosition places the menu by.
    return side_ == ZVMenuSide::Right ? referenceFrame().width() - frame.x()
                                      : frame.x() + frame.width();
}

void ZVSlideInMenu::setPosition(qreal position) {
    if (superview() == nullptr) {
        return;
    }
    const qreal width = frame().width();
    const qreal p = std::clamp<qreal>(position, 0, width);
    const QRectF reference = referenceFrame();
    const qreal x = side_ == ZVMenuSide::Right ? reference.width() - p : p - width;
    setFrame(QRectF(x, 0, width, reference.height()));
    if (const auto content = contentView()) {
        content->setTransform(QTransform::fromTranslate(openingSign() * p, 0));
    }
}

void ZVSlideInMenu::menuWillShow() {
    if (platform::Window* w = window()) {
        if (platform::Responder* responder = w->firstResponder()) {
            responder->resignFirstResponder();
        }
    }
}

void ZVSlideInMenu::appear() {
    disappearing_ = false;
}

platform::TimeInterval ZVSlideInMenu::durationForSpeed(qreal speed) const {
    const qreal magnitude = qAbs(speed);
    if (magnitude < kSlowSpeed) {
        return kDuration;
    }
    return std::min<platform::TimeInterval>(
        kDuration, kSpeedDurationFactor * (frame().width() - position()) / magnitude);
}

void ZVSlideInMenu::appearWithSpeed(qreal speed) {
    appear();
    ViewAnimation::animate(durationForSpeed(speed), 0, kSettleOptions,
                           [this] { setPosition(frame().width()); });
}

void ZVSlideInMenu::disappearWithSpeed(qreal speed) {
    if (superview() == nullptr || disappearing_) {
        return;
    }
    disappearing_ = true;
    ViewAnimation::animate(
        durationForSpeed(speed), 0, kSettleOptions, [this] { setPosition(0); },
        [weak = weakSelf()](bool) {
            // An appear in between called the hide off.
            if (const auto self = weak.lock(); self && self->disappearing_) {
                self->finishHiding();
            }
        });
}

void ZVSlideInMenu::finishHiding() {
    const auto keep = shared_from_this();
    if (const auto screen = viewController(); screen && screen->slideInMenu() == keep) {
        screen->setSlideInMenu(nullptr);
    }
    removeFromSuperview();
    menuDidHide();
}

void ZVSlideInMenu::completeTransitionWithSpeed(qreal speed) {
    if (speed / 2 + position() >= frame().width() / 2) {
        appearWithSpeed(speed);
    } else {
        disappearWithSpeed(speed);
    }
}

void ZVSlideInMenu::disappearLeft() {
    platform::View* parent = superview();
    const auto content = contentView();
    if (parent == nullptr || !content) {
        disappearWithSpeed(0);
        return;
    }
    const QRectF contentBounds = content->bounds();
    auto snapshot = platform::View::make<platform::SnapshotView>(
        QRectF(QPointF(), contentBounds.size()), parent->snapshot());
    const auto window = ZVScreenCoordinator::shared().window();
    (window ? window.get() : parent)->addSubview(snapshot);
    setPosition(0);
    content->setTransform(QTransform::fromTranslate(contentBounds.width(), 0));
    disappearing_ = true;
    ViewAnimation::animate(
        kDuration,
        [&] {
            QRectF frame = snapshot->frame();
            frame.moveLeft(-frame.width());
            snapshot->setFrame(frame);
            content->setTransform(QTransform());
        },
        [weak = weakSelf(), snapshot](bool) {
            snapshot->removeFromSuperview();
            if (const auto self = weak.lock()) {
                self->setPosition(0);
                if (self->disappearing_) {
                    self->finishHiding();
                }
            }
        });
}

void ZVSlideInMenu::handleGesture(platform::PanGestureRecognizer& recognizer) {
    using State = platform::GestureRecognizerState;
    const State state = recognizer.state();
    if (state == State::Began) {
        initialPos_ = position();
        startSelectionChange();
    }
    const QPointF t = recognizer.translationInView(this);
    if (selectionChanging()) {
        selectItemByPos(recognizer.locationInView(this));
    }
    const bool horizontal = qAbs(t.x()) > kHorizontalDragDistance && qAbs(t.x()) > qAbs(t.y());
    if (!selectionChanging() || horizontal) {
        // A sideways drag moves the menu and gives the selection back.
        if (selectionChanging()) {
            cancelSelectionChange();
        }
        setPosition(initialPos_ + openingSign() * t.x());
    }
    if (state == State::Ended || state == State::Failed || state == State::Cancelled) {
        completeTransitionWithSpeed(openingSign() * recognizer.velocityInView(this).x());
        if (selectionChanging()) {
            // Ended before the announcement, so that the next touch starts from the item chosen
            // now (toggle mode compares with it).
            endSelectionChange();
            willChangeValueForKey(SelectedItemIndexKey);
            didChangeValueForKey(SelectedItemIndexKey);
        }
    }
}

void ZVSlideInMenu::layoutSubviews() {
    ZVVerticalMenu::layoutSubviews();
    if (qAbs(bounds().height() - height_) >= 1) {
        height_ = bounds().height();
    }
}
