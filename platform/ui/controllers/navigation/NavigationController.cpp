#include "platform/ui/controllers/navigation/NavigationController.h"

#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/controllers/WindowControllers.h"
#include "platform/ui/view/Window.h"

#include <QtCore/QDebug>
#include <QtGui/QPainter>

#include <algorithm>

namespace platform {

namespace {

constexpr TimeInterval kBarHideDuration = 0.2;

bool contains(const NavigationController::Stack& stack, const ViewController* controller) {
    return std::any_of(stack.begin(), stack.end(),
                       [&](const auto& c) { return c.get() == controller; });
}

NavigationController::Stack without(const NavigationController::Stack& stack,
                                    const NavigationController::Stack& taken) {
    NavigationController::Stack rest;
    for (const auto& c : stack) {
        if (!contains(taken, c.get())) {
            rest.push_back(c);
        }
    }
    return rest;
}

}  // namespace

struct NavigationController::Transition {
    std::uint64_t id = 0;
    std::shared_ptr<ViewController> from;
    std::shared_ptr<ViewController> to;
    Stack removed;
    Stack added;
    // The stack once an interactive pop completes.
    Stack target;
    bool animated = false;
    bool pop = false;
    bool interactive = false;
    // Appearance calls made and the new view in place.
    bool begun = false;
    qreal progress = 0;
    TimeInterval lastMove = 0;
    std::shared_ptr<TransitionCoordinator> coordinator;
};

// The controller's view: the bar over the top screen's view. Draws the bar's colour behind the
// status bar too.
class NavigationController::ContainerView : public View {
public:
    explicit ContainerView(NavigationController& owner)
        : View(QRectF(QPointF(0, 0), DeviceProfile::phone().size)), owner_(owner) {}

    void layoutSubviews() override { owner_.layoutContainer(); }

    void drawRect(QPainter& painter, const QRectF& rect) override {
        const qreal inset = owner_.statusBarInset();
        if (inset > 0 && !owner_.barHidden_) {
            painter.fillRect(QRectF(rect.left(), rect.top(), rect.width(), inset),
                             owner_.bar_->barTintColor());
        }
    }

private:
    NavigationController& owner_;
};

NavigationController::NavigationController(std::shared_ptr<ViewController> root)
    : bar_(View::make<NavigationBar>()),
      popRecognizer_(std::make_shared<EdgePanGestureRecognizer>()) {
    popRecognizer_->addTarget([alive = std::weak_ptr<bool>(alive_), this](GestureRecognizer&) {
        if (!alive.expired()) {
            handlePopGesture();
        }
    });
    popRecognizer_->setMayStart([alive = std::weak_ptr<bool>(alive_), this] {
        return !alive.expired() && stack_.size() > 1 && !transition_ &&
               appearance() == Appearance::Appeared;
    });
    bar_->setBackAction([alive = std::weak_ptr<bool>(alive_), this] {
        if (!alive.expired()) {
            popViewControllerAnimated(true);
        }
    });
    if (root) {
        addChildViewController(root);
        stack_.push_back(root);
        root->didMoveToParentViewController(this);
        updateBar();
    }
}

NavigationController::~NavigationController() = default;

ViewController* NavigationController::topViewController() const {
    return stack_.empty() ? nullptr : stack_.back().get();
}

ViewController* NavigationController::visibleViewController() const {
    if (const auto presented = presentedViewController()) {
        return presented.get();
    }
    return topViewController();
}

TransitionCoordinator* NavigationController::transitionCoordinator() const {
    return transition_ ? transition_->coordinator.get() : nullptr;
}

void NavigationController::pushViewController(const std::shared_ptr<ViewController>& controller,
                                              bool animated) {
    settle();
    if (!controller || contains(stack_, controller.get()) ||
        (controller->parentViewController() != nullptr &&
         controller->parentViewController() != this) ||
        controller->presentingViewController() != nullptr) {
        qWarning(
            "A push was refused: the controller is missing, already in the stack or shown "
            "elsewhere");
        return;
    }
    Stack stack = stack_;
    stack.push_back(controller);
    changeStack(std::move(stack), animated, false);
}

std::shared_ptr<ViewController> NavigationController::popViewControllerAnimated(bool animated) {
    settle();
    if (stack_.size() < 2) {
        return nullptr;
    }
    auto popped = stack_.back();
    Stack stack(stack_.begin(), stack_.end() - 1);
    changeStack(std::move(stack), animated, true);
    return popped;
}

NavigationController::Stack NavigationController::popToViewController(
    const ViewController* controller, bool animated) {
    settle();
    const auto it = std::find_if(stack_.begin(), stack_.end(),
                                 [&](const auto& c) { return c.get() == controller; });
    if (it == stack_.end()) {
        qWarning("A pop was refused: the controller is not in the stack");
        return {};
    }
    Stack popped(it + 1, stack_.end());
    if (popped.empty()) {
        return {};
    }
    changeStack(Stack(stack_.begin(), it + 1), animated, true);
    return popped;
}

NavigationController::Stack NavigationController::popToRootViewControllerAnimated(bool animated) {
    settle();
    if (stack_.empty()) {
        return {};
    }
    return popToViewController(stack_.front().get(), animated);
}

void NavigationController::setViewControllers(Stack controllers, bool animated) {
    settle();
    for (std::size_t i = 0; i < controllers.size(); ++i) {
        const auto& c = controllers[i];
        const bool repeated = std::any_of(controllers.begin(), controllers.begin() + i,
                                          [&](const auto& other) { return other == c; });
        if (!c || repeated ||
            (!contains(stack_, c.get()) &&
             (c->parentViewController() != nullptr || c->presentingViewController() != nullptr))) {
            qWarning(
                "A new stack was refused: a controller is missing, repeated or shown "
                "elsewhere");
            return;
        }
    }
    const bool pop = !controllers.empty() && contains(stack_, controllers.back().get());
    changeStack(std::move(controllers), animated, pop);
}

void NavigationController::changeStack(Stack stack, bool animated, bool pop) {
    const std::shared_ptr<ViewController> from = stack_.empty() ? nullptr : stack_.back();
    const std::shared_ptr<ViewController> to = stack.empty() ? nullptr : stack.back();
    const Stack removed = without(stack_, stack);
    const Stack added = without(stack, stack_);
    for (const auto& c : added) {
        addChildViewController(c);
    }
    for (const auto& c : removed) {
        c->willMoveToParentViewController(nullptr);
    }
    stack_ = std::move(stack);
    updateBar();

    const auto keep = shared_from_this();
    const bool visible = isViewLoaded() && appearance() == Appearance::Appeared && window();
    if (!visible || from == to || !to) {
        // Nothing moves on screen: the views swap and only a screen that is on its way in or out
        // with this controller follows it.
        const bool appearing = appearance() == Appearance::Appearing;
        const bool shown = appearing || appearance() == Appearance::Appeared;
        if (from && from != to) {
            if (shown) {
                from->beginAppearanceTransition(false, false);
            }
            if (const auto v = from->viewIfLoaded(); v && v->superview() == viewIfLoaded().get()) {
                v->removeFromSuperview();
            }
            if (shown) {
                from->endAppearanceTransition();
            }
        }
        if (to && from != to && isViewLoaded()) {
            if (shown) {
                to->beginAppearanceTransition(true, false);
            }
            viewIfLoaded()->insertSubviewBelow(to->view(), bar_.get());
            to->view()->setFrame(contentFrameFor(*to));
            if (shown && !appearing) {
                to->endAppearanceTransition();
            }
        }
        for (const auto& c : removed) {
            c->removeFromParentViewController();
        }
        for (const auto& c : added) {
            c->didMoveToParentViewController(this);
        }
        return;
    }

    static std::uint64_t nextId = 0;
    transition_ = std::make_unique<Transition>();
    Transition& t = *transition_;
    t.id = ++nextId;
    t.from = from;
    t.to = to;
    t.removed = removed;
    t.added = added;
    t.animated = animated;
    t.pop = pop;
    t.coordinator = std::make_shared<TransitionCoordinator>(kTransitionDuration, animated, false);
    to->setMovingToParent(contains(added, to.get()));
    if (from) {
        from->setMovingFromParent(contains(removed, from.get()));
    }
    const std::uint64_t id = t.id;
    if (const auto d = delegate()) {
        d->willShowViewController(*this, *to, animated);
        if (!transition_ || transition_->id != id) {
            // The delegate changed the stack again: that change has ended this transition.
            return;
        }
    }
    beginTransition(t);
    if (!animated) {
        t.progress = 1;
        placeViews(1);
        t.coordinator->runAlongsideAnimations();
        finishTransition();
        return;
    }
    ViewAnimation::performWithoutAnimation([&] { placeViews(0); });
    ViewAnimation::animate(
        kTransitionDuration, 0, ViewAnimation::CurveEaseInOut,
        [&] {
            t.progress = 1;
            placeViews(1);
            t.coordinator->runAlongsideAnimations();
        },
        [alive = std::weak_ptr<bool>(alive_), this, id](bool) {
            if (!alive.expired() && transition_ && transition_->id == id) {
                finishTransition();
            }
        });
}

void NavigationController::placeViews(qreal progress) {
    const Transition& t = *transition_;
    const qreal width = viewIfLoaded()->bounds().width();
    const auto place = [&](const std::shared_ptr<ViewController>& c, qreal x) {
        if (c && c->viewIfLoaded()) {
            c->viewIfLoaded()->setFrame(contentFrameFor(*c).translated(x, 0));
        }
    };
    if (t.pop) {
        place(t.to, -kCoveredShift * width * (1 - progress));
        place(t.from, width * progress);
    } else {
        place(t.to, width * (1 - progress));
        place(t.from, -kCoveredShift * width * progress);
    }
}

void NavigationController::beginTransition(Transition& t) {
    t.begun = true;
    if (t.from) {
        t.from->beginAppearanceTransition(false, t.animated);
    }
    t.to->beginAppearanceTransition(true, t.animated);
    const auto container = view();
    const auto fromView = t.from ? t.from->viewIfLoaded() : nullptr;
    if (t.pop && fromView && fromView->superview() == container.get()) {
        container->insertSubviewBelow(t.to->view(), fromView.get());
    } else {
        container->insertSubviewBelow(t.to->view(), bar_.get());
    }
}

void NavigationController::finishTransition() {
    const auto keep = shared_from_this();
    if (!transition_->begun) {
        // Ended from inside its own will-show: it still runs its whole cycle, at once.
        beginTransition(*transition_);
    }
    const std::unique_ptr<Transition> t = std::move(transition_);
    if (t->from) {
        if (const auto v = t->from->viewIfLoaded(); v && v->superview() == viewIfLoaded().get()) {
            v->layer().removeAllAnimations();
            v->removeFromSuperview();
            ViewAnimation::performWithoutAnimation([&] { v->setFrame(contentFrameFor(*t->from)); });
        }
        t->from->endAppearanceTransition();
        t->from->setMovingFromParent(false);
    }
    t->to->view()->layer().removeAllAnimations();
    ViewAnimation::performWithoutAnimation(
        [&] { t->to->view()->setFrame(contentFrameFor(*t->to)); });
    t->to->endAppearanceTransition();
    t->to->setMovingToParent(false);
    for (const auto& c : t->removed) {
        c->removeFromParentViewController();
    }
    for (const auto& c : t->added) {
        c->didMoveToParentViewController(this);
    }
    t->coordinator->complete(false);
    lastShown_ = t->to;
    if (const auto d = delegate()) {
        d->didShowViewController(*this, *t->to, t->animated);
    }
    if (Window* w = window()) {
        updateStatusBarAppearance(*w);
    }
}

void NavigationController::settle() {
    // Ending a transition tells the delegate, which may start another: end that one too.
    while (transition_) {
        finishRunningTransition();
    }
}

void NavigationController::finishRunningTransition() {
    if (!transition_) {
        return;
    }
    if (transition_->interactive) {
        transition_->coordinator->endInteraction(true);
        cancelTransition();
    } else {
        finishTransition();
    }
}

void NavigationController::handlePopGesture() {
    const auto state = popRecognizer_->state();
    switch (state) {
        case GestureRecognizer::State::Began:
            beginInteractivePop();
            break;
        case GestureRecognizer::State::Changed:
            if (transition_ && transition_->interactive) {
                const qreal width = std::max<qreal>(1, viewIfLoaded()->bounds().width());
                const qreal progress = std::clamp(
                    popRecognizer_->translationInView(viewIfLoaded().get()).x() / width, 0.0, 1.0);
                transition_->progress = progress;
                transition_->lastMove = Scheduler::main().now();
                ViewAnimation::performWithoutAnimation([&] { placeViews(progress); });
            }
            break;
        case GestureRecognizer::State::Ended:
            if (transition_ && transition_->interactive) {
                // A finger that stood still before it lifted flicks nothing, whatever its last
                // moves were.
                const bool still = Scheduler::main().now() - transition_->lastMove >
                                   PanGestureRecognizer::kVelocityWindow;
                const qreal velocity =
                    still ? 0 : popRecognizer_->velocityInView(viewIfLoaded().get()).x();
                const bool complete =
                    velocity > kFlickVelocity ||
                    (transition_->progress > kCompletionProgress && velocity > -kFlickVelocity);
                endInteractivePop(complete);
            }
            break;
        case GestureRecognizer::State::Cancelled:
        case GestureRecognizer::State::Failed:
            if (transition_ && transition_->interactive) {
                endInteractivePop(false);
            }
            break;
        case GestureRecognizer::State::Possible:
            break;
    }
}

void NavigationController::beginInteractivePop() {
    if (stack_.size() < 2 || transition_ || appearance() != Appearance::Appeared) {
        return;
    }
    static std::uint64_t nextId = 0;
    transition_ = std::make_unique<Transition>();
    Transition& t = *transition_;
    t.id = ++nextId;
    t.from = stack_.back();
    t.to = stack_[stack_.size() - 2];
    t.removed = {t.from};
    t.target = Stack(stack_.begin(), stack_.end() - 1);
    t.animated = true;
    t.pop = true;
    t.interactive = true;
    t.coordinator = std::make_shared<TransitionCoordinator>(kTransitionDuration, true, true);
    t.lastMove = Scheduler::main().now();
    t.from->setMovingFromParent(true);
    const std::uint64_t id = t.id;
    if (const auto d = delegate()) {
        d->willShowViewController(*this, *t.to, true);
        if (!transition_ || transition_->id != id) {
            return;
        }
    }
    t.begun = true;
    t.from->beginAppearanceTransition(false, true);
    t.to->beginAppearanceTransition(true, true);
    view()->insertSubviewBelow(t.to->view(), t.from->view().get());
    ViewAnimation::performWithoutAnimation([&] { placeViews(0); });
}

void NavigationController::endInteractivePop(bool complete) {
    Transition& t = *transition_;
    t.coordinator->endInteraction(!complete);
    const TimeInterval duration = kTransitionDuration * (complete ? 1 - t.progress : t.progress);
    const std::uint64_t id = t.id;
    ViewAnimation::animate(
        duration, 0, ViewAnimation::CurveLinear,
        [&] {
            placeViews(complete ? 1 : 0);
            t.coordinator->runAlongsideAnimations();
        },
        [alive = std::weak_ptr<bool>(alive_), this, id, complete](bool) {
            if (alive.expired() || !transition_ || transition_->id != id) {
                return;
            }
            if (complete) {
                transition_->from->willMoveToParentViewController(nullptr);
                stack_ = transition_->target;
                updateBar();
                finishTransition();
            } else {
                cancelTransition();
            }
        });
}

void NavigationController::cancelTransition() {
    const auto keep = shared_from_this();
    const std::unique_ptr<Transition> t = std::move(transition_);
    // The screen that was coming goes again; the one that was going comes back.
    t->to->beginAppearanceTransition(false, true);
    t->from->beginAppearanceTransition(true, true);
    if (const auto v = t->to->viewIfLoaded(); v && v->superview() == viewIfLoaded().get()) {
        v->layer().removeAllAnimations();
        v->removeFromSuperview();
        ViewAnimation::performWithoutAnimation([&] { v->setFrame(contentFrameFor(*t->to)); });
    }
    t->from->view()->layer().removeAllAnimations();
    ViewAnimation::performWithoutAnimation(
        [&] { t->from->view()->setFrame(contentFrameFor(*t->from)); });
    t->to->endAppearanceTransition();
    t->from->endAppearanceTransition();
    t->from->setMovingFromParent(false);
    t->coordinator->complete(true);
    if (const auto d = delegate()) {
        d->didCancelShowViewController(*this, *t->to);
    }
}

void NavigationController::updateBar() {
    NavigationBar::Items items;
    for (const auto& c : stack_) {
        items.push_back(c->sharedNavigationItem());
    }
    bar_->setItems(std::move(items));
}

void NavigationController::setNavigationBarHidden(bool hidden, bool animated) {
    if (hidden == barHidden_) {
        return;
    }
    barHidden_ = hidden;
    bar_->setHidden(hidden);
    if (!isViewLoaded()) {
        return;
    }
    ViewAnimation::animate(animated ? kBarHideDuration : 0, [&] {
        layoutContainer();
        viewIfLoaded()->setNeedsDisplay();
    });
}

qreal NavigationController::statusBarInset() const {
    const auto v = viewIfLoaded();
    const Window* w = v ? v->window() : nullptr;
    if (w == nullptr || w->statusBarAppearance().hidden ||
        v->convertPointTo(QPointF(0, 0), nullptr).y() > 0) {
        return 0;
    }
    return w->profile().statusBarHeight;
}

QRectF NavigationController::contentFrameFor(const ViewController& controller) const {
    const auto v = viewIfLoaded();
    const QRectF bounds = v ? v->bounds() : QRectF();
    qreal top = 0;
    const bool under =
        (controller.edgesForExtendedLayout() & EdgeTop) != 0 && bar_->isTranslucent();
    if (!barHidden_ && !under) {
        top = statusBarInset() + NavigationBar::kHeight;
    }
    return QRectF(0, top, bounds.width(), std::max<qreal>(0, bounds.height() - top));
}

void NavigationController::layoutContainer() {
    const auto v = viewIfLoaded();
    bar_->setFrame(QRectF(0, statusBarInset(), v->bounds().width(), NavigationBar::kHeight));
    if (transition_) {
        return;
    }
    if (ViewController* top = topViewController(); top != nullptr && top->isViewLoaded()) {
        top->viewIfLoaded()->setFrame(contentFrameFor(*top));
    }
}

void NavigationController::loadView() {
    auto container = std::make_shared<ContainerView>(*this);
    setView(container);
    container->addSubview(bar_);
    container->addGestureRecognizer(popRecognizer_);
    if (ViewController* top = topViewController()) {
        container->insertSubviewBelow(top->view(), bar_.get());
    }
}

void NavigationController::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    if (ViewController* top = topViewController()) {
        // The delegate hears of a screen it has not been shown yet (the first one, or one put on
        // top while the stack was out of sight), not of the same screen coming back from under
        // a presented one.
        announceOnAppearance_ = lastShown_.lock().get() != top;
        if (const auto d = delegate(); d && announceOnAppearance_) {
            d->willShowViewController(*this, *top, animated);
        }
        top->beginAppearanceTransition(true, animated);
    }
}

void NavigationController::viewDidAppear(bool animated) {
    ViewController::viewDidAppear(animated);
    if (ViewController* top = topViewController()) {
        top->endAppearanceTransition();
        lastShown_ = top->weak_from_this();
        if (const auto d = delegate(); d && announceOnAppearance_) {
            d->didShowViewController(*this, *top, animated);
        }
    }
}

void NavigationController::viewWillDisappear(bool animated) {
    ViewController::viewWillDisappear(animated);
    settle();
    if (ViewController* top = topViewController()) {
        top->beginAppearanceTransition(false, animated);
    }
}

void NavigationController::viewDidDisappear(bool animated) {
    ViewController::viewDidDisappear(animated);
    if (ViewController* top = topViewController()) {
        top->endAppearanceTransition();
    }
}

// The controller's nearest container of this kind.
NavigationController* ViewController::navigationController() const {
    for (ViewController* c = parent_; c != nullptr; c = c->parent_) {
        if (auto* navigation = dynamic_cast<NavigationController*>(c)) {
            return navigation;
        }
    }
    return nullptr;
}

}  // namespace platform
