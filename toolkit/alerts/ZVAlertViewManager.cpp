#include "toolkit/alerts/ZVAlertViewManager.h"

#include "platform/foundation/SharedSlot.h"
#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/gesture/TapGestureRecognizer.h"
#include "platform/ui/view/Window.h"
#include "toolkit/alerts/ViewSpringAnimation.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/alerts/ZVHighlightableCell.h"

#include <numbers>

namespace {

constexpr double kQuarterTurn = std::numbers::pi / 2;

template <typename V>
void removeFromWindow(const std::weak_ptr<V>& weak) {
    if (const auto view = weak.lock()) {
        view->removeFromSuperview();
    }
}

}  // namespace

ZVAlertViewManager::ZVAlertViewManager() = default;

ZVAlertViewManager::~ZVAlertViewManager() = default;

ZVAlertViewManager& ZVAlertViewManager::alertViewManager() {
    return *platform::sharedService<ZVAlertViewManager>(
        [] { return std::make_shared<ZVAlertViewManager>(); });
}

void ZVAlertViewManager::setCurrentAlertView(std::shared_ptr<ZVAlertView> alertView) {
    if (alertView) {
        present(alertView);
    } else if (current_) {
        remove();
    }
}

void ZVAlertViewManager::hideAlertView(const ZVAlertView& alertView) {
    if (current_.get() == &alertView) {
        setCurrentAlertView(nullptr);
    }
}

void ZVAlertViewManager::dismissAlert() {
    if (!current_) {
        return;
    }
    const auto alertView = current_;
    if (auto delegate = alertView->delegate()) {
        delegate->alertView(*alertView, ZVAlertViewDelegate::kNoButton);
    }
    // A card that the delegate showed meanwhile stays.
    hideAlertView(*alertView);
}

void ZVAlertViewManager::overlayTapped() {
    dismissAlert();
}

void ZVAlertViewManager::present(const std::shared_ptr<ZVAlertView>& alertView) {
    const auto window = keyWindow();
    if (!window || alertView == current_) {
        return;
    }
    if (alertView->keyboardSetting() == ZVAlertView::kDismissKeyboard) {
        window->makeFirstResponder(nullptr);
    }
    const QRectF windowBounds = window->bounds();
    QPointF centre = windowBounds.center();
    if (alertView->keyboardSetting() == ZVAlertView::kKeyboardPrompt) {
        centre.ry() -= kPromptLift;
    }
    if (const auto& pointed = alertView->pointAtView()) {
        if (pointed->window() == window.get()) {
            centre = locationForAlertView(*alertView, *window);
        } else {
            // Nothing to point at in this window.
            alertView->setPointAtView(nullptr);
        }
    }
    alertView->setCenter(centre);

    if (!overlay_) {
        overlay_ = platform::View::make(windowBounds);
        overlay_->setBackgroundColor(Qt::black);
        overlay_->setAlpha(0);
        overlay_->addGestureRecognizer(std::make_shared<platform::TapGestureRecognizer>(
            [](platform::GestureRecognizer& recognizer) {
                if (recognizer.state() == platform::GestureRecognizerState::Ended) {
                    alertViewManager().overlayTapped();
                }
            }));
        window->addSubview(overlay_);
    }
    window->insertSubviewAbove(alertView, overlay_.get());
    alertView->layer().setZPosition(kCardDepth);

    const auto previous = std::exchange(current_, alertView);
    if (previous) {
        alertView->inheritScrollStateFrom(*previous);
        previous->wasReplacedBy(*alertView);
        animateTransitionWithPopFrom(previous, alertView);
    } else {
        animateAppearance(*alertView);
    }
}

void ZVAlertViewManager::remove() {
    const auto alertView = std::exchange(current_, nullptr);
    const auto overlay = std::exchange(overlay_, nullptr);
    alertView->restoreScrollPos();
    // The window keeps both while they fade; the animations only refer to them.
    platform::ViewAnimation::animate(
        kFadeDuration,
        [&] {
            if (overlay) {
                overlay->setAlpha(0);
            }
            alertView->setAlpha(0);
            alertView->layer().setTransform(
                platform::LayerTransform::scaled(kRemovedScale, kRemovedScale));
        },
        [weakCard = std::weak_ptr<ZVAlertView>(alertView),
         weakOverlay = std::weak_ptr<platform::View>(overlay)](bool) {
            removeFromWindow(weakCard);
            removeFromWindow(weakOverlay);
        });
}

QPointF ZVAlertViewManager::locationForAlertView(ZVAlertView& alertView, platform::Window& window,
                                                 bool /*preferAbove*/) {
    const auto pointed = alertView.pointAtView();
    if (!pointed) {
        return window.bounds().center();
    }
    const auto* cell = dynamic_cast<const ZVHighlightableCell*>(pointed.get());
    const QRectF target =
        pointed->convertRectTo(cell ? cell->contentRect() : pointed->bounds(), nullptr);
    const QSizeF size = alertView.bounds().size();
    const qreal w = size.width();
    const qreal h = size.height();
    const QRectF windowBounds = window.bounds();

    const qreal middle = target.center().x();
    qreal x = middle;
    if (x - w / 2 < kEdgeMargin) {
        x = w / 2 + kEdgeMargin;
    }
    if (x + w / 2 > windowBounds.width() - kEdgeMargin) {
        x = windowBounds.width() - kEdgeMargin - w / 2;
    }
    alertView.setArrowPos(middle - x);

    const qreal room = h + kRoomAround;
    qreal y = 0;
    if (target.top() > room) {
        y = target.top() - h / 2;
    } else if (target.bottom() + room < windowBounds.height() &&
               alertView.keyboardSetting() == ZVAlertView::kDismissKeyboard) {
        alertView.setArrowAbove(true);
        y = target.bottom() + h / 2;
    } else if (alertView.scrollPointedViewBy(target.top() - room)) {
        y = room - h / 2;
    } else {
        y = windowBounds.center().y();
        alertView.setPointAtView(nullptr);
    }
    return QPointF(x, y);
}

platform::LayerTransform ZVAlertViewManager::initialTransform() {
    return platform::LayerTransform::flippedAboutX(kQuarterTurn, kPerspective);
}

platform::LayerTransform ZVAlertViewManager::finalTransform() {
    return platform::LayerTransform::flippedAboutX(-kQuarterTurn, kPerspective);
}

void ZVAlertViewManager::animateAppearance(ZVAlertView& alertView) {
    platform::LayerTransform start;
    if (alertView.pointAtView()) {
        const qreal half = alertView.bounds().height() / 2;
        // The card grows out of its arrow's tip.
        start.translation = QPointF(alertView.arrowPos(), alertView.arrowAbove() ? -half : half);
        start.scale = QPointF(kPopoverStartScale, kPopoverStartScale);
    } else {
        start.scale = QPointF(kCentredStartScale, kCentredStartScale);
    }
    alertView.layer().setTransform(start);
    alertView.setAlpha(0);
    const auto overlay = overlay_;
    platform::ViewAnimation::animate(kFadeDuration, [&] {
        alertView.setAlpha(1);
        if (overlay) {
            overlay->setAlpha(kOverlayAlpha);
        }
    });
    animationForProperty(alertView, kSpringLayerScaleXY, QPointF(1, 1));
    animationForProperty(alertView, kSpringLayerTranslationXY, QPointF(0, 0));
}

void ZVAlertViewManager::animateTransitionWithPopFrom(const std::shared_ptr<ZVAlertView>& from,
                                                      const std::shared_ptr<ZVAlertView>& to) {
    to->layer().setTransform(initialTransform());
    std::weak_ptr<ZVAlertView> weakTo = to;
    platform::ViewAnimation::animate(
        kFlipDuration, [&] { from->layer().setTransform(finalTransform()); },
        [weakFrom = std::weak_ptr<ZVAlertView>(from), weakTo](bool) {
            removeFromWindow(weakFrom);
            const auto to = weakTo.lock();
            // A card replaced again meanwhile is flipping away itself.
            if (to && to == alertViewManager().currentAlertView()) {
                animationForProperty(*to, kSpringLayerRotationX, qreal(0));
            }
        });
}

void ZVAlertViewManager::animateTransitionFrom(const std::shared_ptr<ZVAlertView>& from,
                                               const std::shared_ptr<ZVAlertView>& to) {
    to->layer().setTransform(initialTransform());
    to->setAlpha(0);
    platform::ViewAnimation::animate(
        kFlipDuration, [&] { from->layer().setTransform(finalTransform()); },
        [weakFrom = std::weak_ptr<ZVAlertView>(from),
         weakTo = std::weak_ptr<ZVAlertView>(to)](bool) {
            removeFromWindow(weakFrom);
            if (const auto to = weakTo.lock()) {
                platform::ViewAnimation::animate(kFlipDuration, [&] {
                    to->setAlpha(1);
                    to->layer().setTransform(platform::LayerTransform::identity());
                });
            }
        });
}
