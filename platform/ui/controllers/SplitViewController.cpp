#include "platform/ui/controllers/SplitViewController.h"

#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/view/Window.h"

#include <algorithm>

namespace platform {

const QString SplitViewController::kDisplayModeButtonTitle = QStringLiteral("Menu");

namespace {

const QColor kDividerColor(0xC8, 0xC7, 0xCC);

// Lies over the secondary screen while the primary column overlays it: a touch there hides the
// column and goes no further.
class DismissOverlay : public View {
public:
    explicit DismissOverlay(std::function<void()> onTouch) : onTouch_(std::move(onTouch)) {}
    void touchesBegan(const TouchSet&, const TouchEvent&) override {
        const auto onTouch = onTouch_;
        onTouch();
    }
    void touchesMoved(const TouchSet&, const TouchEvent&) override {}
    void touchesEnded(const TouchSet&, const TouchEvent&) override {}
    void touchesCancelled(const TouchSet&, const TouchEvent&) override {}

private:
    std::function<void()> onTouch_;
};

}  // namespace

class SplitViewController::ContainerView : public View {
public:
    explicit ContainerView(SplitViewController& owner)
        : View(QRectF(QPointF(0, 0), DeviceProfile::tablet().size)), owner_(owner) {
        setBackgroundColor(kDividerColor);
    }
    void layoutSubviews() override { owner_.layoutColumns(); }

private:
    SplitViewController& owner_;
};

SplitViewController::SplitViewController()
    : modeButton_(
          BarButtonItem::withTitle(kDisplayModeButtonTitle, BarButtonItem::Style::Plain, {})) {
    modeButton_->setAction([alive = std::weak_ptr<bool>(alive_), this](BarButtonItem&) {
        if (!alive.expired()) {
            modeButtonTapped();
        }
    });
    dismissOverlay_ = std::make_shared<DismissOverlay>([alive = std::weak_ptr<bool>(alive_), this] {
        if (!alive.expired() && mode_ == DisplayMode::PrimaryOverlay) {
            modeChosenByButton_ = true;
            changeMode(DisplayMode::PrimaryHidden, true);
        }
    });
}

SplitViewController::~SplitViewController() = default;

void SplitViewController::setViewControllers(
    std::vector<std::shared_ptr<ViewController>> controllers) {
    for (const auto& old : std::vector(controllers_)) {
        old->willMoveToParentViewController(nullptr);
        if (const auto v = old->viewIfLoaded(); v && v->superview() == viewIfLoaded().get()) {
            v->removeFromSuperview();
        }
        old->removeFromParentViewController();
    }
    controllers_.clear();
    for (const auto& c : controllers) {
        if (c) {
            controllers_.push_back(c);
        }
    }
    for (const auto& c : controllers_) {
        addChildViewController(c);
    }
    if (isViewLoaded()) {
        // Secondary first, so that an overlaying primary column lies above it.
        for (auto it = controllers_.rbegin(); it != controllers_.rend(); ++it) {
            viewIfLoaded()->addSubview((*it)->view());
        }
        viewIfLoaded()->setNeedsLayout();
    }
    for (const auto& c : controllers_) {
        c->didMoveToParentViewController(this);
    }
    updateModeButton();
}

void SplitViewController::setPreferredPrimaryColumnWidthFraction(qreal fraction) {
    fraction_ = std::clamp<qreal>(fraction, 0, 1);
    if (isViewLoaded()) {
        viewIfLoaded()->setNeedsLayout();
    }
}

void SplitViewController::setMinimumPrimaryColumnWidth(qreal width) {
    minimumWidth_ = std::max<qreal>(0, width);
    if (isViewLoaded()) {
        viewIfLoaded()->setNeedsLayout();
    }
}

void SplitViewController::setMaximumPrimaryColumnWidth(qreal width) {
    maximumWidth_ = std::max<qreal>(0, width);
    if (isViewLoaded()) {
        viewIfLoaded()->setNeedsLayout();
    }
}

qreal SplitViewController::primaryColumnWidth() const {
    const qreal width = isViewLoaded() ? viewIfLoaded()->bounds().width() : 0;
    // The minimum wins over a smaller maximum, and no column is wider than the screen.
    const qreal wanted = std::max(minimumWidth_, std::min(maximumWidth_, fraction_ * width));
    return std::min(wanted, width);
}

SplitViewController::DisplayMode SplitViewController::automaticMode(QSizeF size) const {
    if (preferredMode_ != DisplayMode::Automatic) {
        return preferredMode_;
    }
    return size.width() > size.height() ? DisplayMode::AllVisible : DisplayMode::PrimaryHidden;
}

void SplitViewController::setPreferredDisplayMode(DisplayMode mode) {
    preferredMode_ = mode;
    modeChosenByButton_ = false;
    const QSizeF size = isViewLoaded() ? viewIfLoaded()->bounds().size() : QSizeF(0, 1);
    changeMode(automaticMode(size), appearance() == Appearance::Appeared);
}

void SplitViewController::changeMode(DisplayMode mode, bool animated) {
    if (mode == mode_) {
        return;
    }
    if (const auto d = delegate()) {
        d->willChangeToDisplayMode(*this, mode);
    }
    mode_ = mode;
    updateModeButton();
    if (!isViewLoaded()) {
        return;
    }
    ViewAnimation::animate(animated ? kDisplayModeDuration : 0, [&] { layoutColumns(); });
}

void SplitViewController::modeButtonTapped() {
    const bool landscape =
        isViewLoaded() && viewIfLoaded()->bounds().width() > viewIfLoaded()->bounds().height();
    modeChosenByButton_ = true;
    switch (mode_) {
        case DisplayMode::PrimaryHidden:
            changeMode(landscape ? DisplayMode::AllVisible : DisplayMode::PrimaryOverlay, true);
            break;
        case DisplayMode::AllVisible:
        case DisplayMode::PrimaryOverlay:
        case DisplayMode::Automatic:
            changeMode(DisplayMode::PrimaryHidden, true);
            break;
    }
}

void SplitViewController::updateModeButton() {
    const ViewController* primary = controllers_.empty() ? nullptr : controllers_.front().get();
    const QString title = primary != nullptr && !primary->title().isEmpty()
                              ? primary->title()
                              : kDisplayModeButtonTitle;
    modeButton_->setTitle(title);
}

void SplitViewController::viewWillTransitionToSize(QSizeF size,
                                                   TransitionCoordinator& coordinator) {
    ViewController::viewWillTransitionToSize(size, coordinator);
    modeChosenByButton_ = false;
    const DisplayMode mode = automaticMode(size);
    if (mode != mode_) {
        if (const auto d = delegate()) {
            d->willChangeToDisplayMode(*this, mode);
        }
        mode_ = mode;
        updateModeButton();
    }
}

void SplitViewController::layoutColumns() {
    const auto container = viewIfLoaded();
    if (!container) {
        return;
    }
    const QRectF bounds = container->bounds();
    if (!modeChosenByButton_) {
        const DisplayMode mode = automaticMode(bounds.size());
        // The first layout only settles the mode; changes after it are announced.
        if (mode != mode_ && modeSettled_) {
            if (const auto d = delegate()) {
                d->willChangeToDisplayMode(*this, mode);
            }
        }
        mode_ = mode;
    }
    modeSettled_ = true;
    const qreal primaryWidth = primaryColumnWidth();
    const auto primary = controllers_.empty() ? nullptr : controllers_.front()->viewIfLoaded();
    const auto secondary = controllers_.size() < 2 ? nullptr : controllers_[1]->viewIfLoaded();
    const bool allVisible = mode_ == DisplayMode::AllVisible;
    if (primary) {
        // A hidden column waits left of the screen, so that showing it slides it in.
        const qreal x = mode_ == DisplayMode::PrimaryHidden ? -primaryWidth - kDividerWidth : 0;
        primary->setFrame(QRectF(x, 0, primaryWidth, bounds.height()));
    }
    if (secondary) {
        const qreal x = allVisible && primary ? primaryWidth + kDividerWidth : 0;
        secondary->setFrame(QRectF(x, 0, bounds.width() - x, bounds.height()));
    }
    if (mode_ == DisplayMode::PrimaryOverlay && secondary) {
        dismissOverlay_->setFrame(
            QRectF(primaryWidth, 0, bounds.width() - primaryWidth, bounds.height()));
        if (dismissOverlay_->superview() != container.get()) {
            container->addSubview(dismissOverlay_);
        }
        if (primary) {
            container->bringSubviewToFront(primary.get());
        }
    } else if (dismissOverlay_->superview() != nullptr) {
        dismissOverlay_->removeFromSuperview();
    }
}

void SplitViewController::loadView() {
    auto container = std::make_shared<ContainerView>(*this);
    setView(container);
    for (auto it = controllers_.rbegin(); it != controllers_.rend(); ++it) {
        container->addSubview((*it)->view());
    }
}

// The controller's nearest container of this kind.
SplitViewController* ViewController::splitViewController() const {
    for (ViewController* c = parent_; c != nullptr; c = c->parent_) {
        if (auto* split = dynamic_cast<SplitViewController*>(c)) {
            return split;
        }
    }
    return nullptr;
}

}  // namespace platform
