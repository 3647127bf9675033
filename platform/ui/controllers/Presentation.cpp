#include "platform/ui/controllers/Presentation.h"

#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/controllers/PopoverPresentation.h"
#include "platform/ui/controllers/PresentationContainerView.h"
#include "platform/ui/controllers/SnapshotView.h"
#include "platform/ui/controllers/WindowControllers.h"
#include "platform/ui/controllers/navigation/BarButtonItem.h"
#include "platform/ui/controllers/popover/PopoverHostView.h"
#include "platform/ui/view/Window.h"

#include <QtCore/QDebug>

namespace platform {

namespace {

bool refuse(const char* why) {
    qWarning("A presentation was refused: %s", why);
    return false;
}

// The window's direct subview that shows `view`.
std::shared_ptr<View> screenOf(View* view, const Window& window) {
    while (view != nullptr && view->superview() != nullptr && view->superview() != &window) {
        view = view->superview();
    }
    return view != nullptr && view->superview() == &window ? view->shared_from_this() : nullptr;
}

}  // namespace

Presentation::Presentation(ViewController& presenter, std::shared_ptr<ViewController> presented)
    : presenter_(&presenter),
      presented_(std::move(presented)),
      transition_(presented_->modalTransitionStyle()) {}

Presentation::~Presentation() = default;

bool Presentation::start(ViewController& from, const std::shared_ptr<ViewController>& presented,
                         bool animated, Completion completion) {
    ViewController* presenter = from.rootAncestor();
    if (!presented || presented.get() == presenter) {
        return refuse("nothing to present");
    }
    if (presenter->presentation_) {
        return refuse("the presenting controller already presents one");
    }
    if (presented->presenter_ != nullptr || presented->parent_ != nullptr) {
        return refuse("the controller is already shown elsewhere");
    }
    if (presenter->presenter_ != nullptr && presenter->presenter_->presentation_ &&
        presenter->presenter_->presentation_->isTransitioning()) {
        return refuse("a presentation or dismissal is running");
    }
    Window* window = presenter->window();
    if (window == nullptr) {
        return refuse("the presenting controller's view is not in a window");
    }
    presenter->presentation_.reset(new Presentation(*presenter, presented));
    presented->presenter_ = presenter;
    presenter->presentation_->run(*window, animated, std::move(completion));
    return true;
}

std::function<void(bool)> Presentation::whileAlive(std::function<void()> work) {
    return [alive = std::weak_ptr<bool>(alive_), work = std::move(work)](bool) {
        if (!alive.expired()) {
            work();
        }
    };
}

void Presentation::run(Window& window, bool animated, Completion completion) {
    using Style = ViewController::ModalPresentationStyle;
    const Style style = presented_->modalPresentationStyle();
    const bool tablet = window.profile().idiom == DeviceProfile::Idiom::Tablet;
    // A phone has no room for popovers: they take the whole screen there.
    const bool popover = style == Style::Popover && tablet;
    fullScreen_ = style == Style::FullScreen || (style == Style::Popover && !tablet);
    covered_ = screenOf(presenter_->view().get(), window);
    presented_->beingPresented_ = true;
    const auto content = presented_->view();

    if (popover) {
        showInPopover(window);
    } else {
        container_ = View::make<PresentationContainerView>(window.bounds());
        window.addSubview(container_);
        if (!(animated && transition_ == ViewController::ModalTransitionStyle::FlipHorizontal)) {
            container_->setContent(content);
        }
    }
    if (fullScreen_) {
        presenter_->beginAppearanceTransition(false, animated);
    }
    presented_->beginAppearanceTransition(true, animated);

    auto done = whileAlive([this, completion] { finishPresenting(completion); });
    if (!animated) {
        done(true);
        return;
    }
    if (popover) {
        const auto body = popoverHost_->popoverView();
        body->setAlpha(0);
        ViewAnimation::animate(
            kPopoverFadeDuration, [body] { body->setAlpha(1); }, done);
        return;
    }
    const QRectF bounds = container_->bounds();
    switch (transition_) {
        case ViewController::ModalTransitionStyle::CoverVertical:
            ViewAnimation::performWithoutAnimation(
                [&] { content->setFrame(bounds.translated(0, bounds.height())); });
            ViewAnimation::animate(
                ViewController::kCoverDuration, [&] { content->setFrame(bounds); }, done);
            break;
        case ViewController::ModalTransitionStyle::CrossDissolve:
            ViewAnimation::performWithoutAnimation([&] { content->setAlpha(0); });
            ViewAnimation::animate(
                ViewController::kCrossDissolveDuration, [&] { content->setAlpha(1); }, done);
            break;
        case ViewController::ModalTransitionStyle::FlipHorizontal: {
            const auto covered = covered_.lock();
            auto picture =
                View::make<SnapshotView>(bounds, covered ? covered->snapshot() : QImage());
            container_->addSubview(picture);
            ViewAnimation::transition(
                *container_, ViewController::kFlipDuration, ViewAnimation::TransitionFlipFromLeft,
                [&] {
                    picture->removeFromSuperview();
                    container_->setContent(content);
                },
                done);
            break;
        }
    }
}

void Presentation::showInPopover(Window& window) {
    PopoverPresentation& config = presented_->popoverPresentationController();
    popoverHost_ = View::make<PopoverHostView>();
    popoverHost_->setFrame(window.bounds());
    container_ = popoverHost_;
    std::shared_ptr<View> anchor = config.sourceView();
    QRectF rect = config.sourceRect();
    if (const auto item = config.barButtonItem(); item && item->shownView()) {
        anchor = item->shownView();
        rect = anchor->bounds();
    } else if (anchor && rect.isEmpty() && rect.topLeft() == QPointF()) {
        rect = anchor->bounds();
    }
    popoverHost_->setAnchor(anchor, rect, config.permittedArrowDirections());
    const QSizeF preferred = presented_->preferredContentSize();
    popoverHost_->setContentSize(preferred.isEmpty() ? kDefaultPopoverSize : preferred);
    popoverHost_->setContentView(presented_->view());
    popoverHost_->setOnTouchOutside([alive = std::weak_ptr<bool>(alive_), this] {
        if (!alive.expired()) {
            touchedOutside();
        }
    });
    window.addSubview(popoverHost_);
    popoverHost_->layoutIfNeeded();
    config.setArrowDirection(popoverHost_->placement().arrowDirection);
}

void Presentation::touchedOutside() {
    if (phase_ != Phase::Presented) {
        return;
    }
    PopoverPresentation& config = presented_->popoverPresentationController();
    if (config.shouldDismiss && !config.shouldDismiss()) {
        return;
    }
    const auto didDismiss = config.didDismiss;
    dismiss(true, didDismiss);
}

void Presentation::finishPresenting(Completion completion) {
    const auto keepPresenter = presenter_->shared_from_this();
    const auto keepPresented = presented_;
    phase_ = Phase::Presented;
    if (fullScreen_) {
        // The screen below is out of sight: it stops drawing and taking touches.
        if (const auto covered = covered_.lock()) {
            covered->setHidden(true);
        }
        presenter_->endAppearanceTransition();
    }
    presented_->endAppearanceTransition();
    presented_->beingPresented_ = false;
    if (Window* window = presenter_->window()) {
        updateStatusBarAppearance(*window);
    }
    // The completion or the first waiting dismissal may end this presentation: what waits is
    // taken out first, and each later dismissal whose screen is already gone just completes.
    const auto dismissals = std::move(waitingDismissals_);
    waitingDismissals_.clear();
    const auto others = std::move(afterPresenting_);
    afterPresenting_.clear();
    const std::weak_ptr<bool> alive = alive_;
    if (completion) {
        completion();
    }
    for (const auto& [animated, waiting] : dismissals) {
        if (!alive.expired()) {
            dismiss(animated, waiting);
        } else if (waiting) {
            waiting();
        }
    }
    for (const auto& work : others) {
        work();
    }
}

void Presentation::dismiss(bool animated, Completion completion) {
    if (phase_ == Phase::Presenting) {
        waitingDismissals_.emplace_back(animated, std::move(completion));
        return;
    }
    if (phase_ == Phase::Dismissing) {
        dismissCompletions_.push_back(std::move(completion));
        return;
    }
    // What the presented screen presents in turn goes first, at once; one still on its way in or
    // out (or waiting for one above it) is waited for.
    if (presented_->presentation_) {
        auto retry = [alive = std::weak_ptr<bool>(alive_), this, animated, completion] {
            if (!alive.expired()) {
                dismiss(animated, completion);
            } else if (completion) {
                // An earlier request already took the screen away.
                completion();
            }
        };
        Presentation& nested = *presented_->presentation_;
        if (nested.phase_ == Phase::Presenting) {
            nested.afterPresenting_.push_back(std::move(retry));
            return;
        }
        if (nested.phase_ == Phase::Presented) {
            const std::weak_ptr<bool> alive = alive_;
            nested.dismiss(false, {});
            // Ending the nested one may have run an earlier request for this one.
            if (alive.expired()) {
                if (completion) {
                    completion();
                }
                return;
            }
            if (phase_ == Phase::Dismissing) {
                dismissCompletions_.push_back(std::move(completion));
                return;
            }
        }
        if (presented_->presentation_) {
            presented_->presentation_->dismissCompletions_.push_back(std::move(retry));
            return;
        }
    }
    phase_ = Phase::Dismissing;
    dismissCompletions_.push_back(std::move(completion));
    presented_->beingDismissed_ = true;
    if (const auto covered = covered_.lock()) {
        covered->setHidden(false);
    }
    // The screen that leaves hears first, both ways.
    presented_->beginAppearanceTransition(false, animated);
    if (fullScreen_) {
        presenter_->beginAppearanceTransition(true, animated);
    }

    auto done = whileAlive([this] { finishDismissing(); });
    if (!animated) {
        done(true);
        return;
    }
    if (popoverHost_) {
        const auto body = popoverHost_->popoverView();
        ViewAnimation::animate(
            kPopoverFadeDuration, [body] { body->setAlpha(0); }, done);
        return;
    }
    const auto content = presented_->view();
    const QRectF bounds = container_->bounds();
    switch (transition_) {
        case ViewController::ModalTransitionStyle::CoverVertical:
            ViewAnimation::animate(
                ViewController::kCoverDuration,
                [&] { content->setFrame(bounds.translated(0, bounds.height())); }, done);
            break;
        case ViewController::ModalTransitionStyle::CrossDissolve:
            ViewAnimation::animate(
                ViewController::kCrossDissolveDuration, [&] { content->setAlpha(0); }, done);
            break;
        case ViewController::ModalTransitionStyle::FlipHorizontal: {
            const auto covered = covered_.lock();
            auto picture =
                View::make<SnapshotView>(bounds, covered ? covered->snapshot() : QImage());
            ViewAnimation::transition(
                *container_, ViewController::kFlipDuration, ViewAnimation::TransitionFlipFromRight,
                [&] {
                    content->removeFromSuperview();
                    container_->addSubview(picture);
                },
                done);
            break;
        }
    }
}

void Presentation::finishDismissing() {
    const auto keepPresenter = presenter_->shared_from_this();
    const auto presented = presented_;
    Window* window = presenter_->window();
    if (const auto content = presented->viewIfLoaded();
        content && content->superview() != nullptr) {
        content->removeFromSuperview();
    }
    container_->removeFromSuperview();
    // Undo what the presentation's animation changed on the presented view.
    ViewAnimation::performWithoutAnimation([&] {
        if (const auto content = presented->viewIfLoaded()) {
            content->setAlpha(1);
        }
    });
    presented->endAppearanceTransition();
    if (fullScreen_) {
        presenter_->endAppearanceTransition();
    }
    presented->beingDismissed_ = false;
    presented->presenter_ = nullptr;
    const auto completions = std::move(dismissCompletions_);
    // The presenter may present again from a completion.
    const auto self = std::move(presenter_->presentation_);
    if (window != nullptr) {
        updateStatusBarAppearance(*window);
    }
    for (const auto& completion : completions) {
        if (completion) {
            completion();
        }
    }
}

void Presentation::presenterGone() {
    alive_.reset();
    if (container_) {
        container_->removeFromSuperview();
    }
    if (const auto covered = covered_.lock()) {
        covered->setHidden(false);
    }
    presented_->presenter_ = nullptr;
    presented_->beingPresented_ = false;
    presented_->beingDismissed_ = false;
}

}  // namespace platform
