#include "platform/ui/controllers/ViewController.h"

#include "platform/ui/controllers/PopoverPresentation.h"
#include "platform/ui/controllers/Presentation.h"
#include "platform/ui/controllers/WindowControllers.h"
#include "platform/ui/view/Window.h"

#include <algorithm>

namespace platform {

ViewController::ViewController() = default;

ViewController::~ViewController() {
    for (const auto& child : children_) {
        child->parent_ = nullptr;
    }
    if (presentation_) {
        presentation_->presenterGone();
    }
}

std::shared_ptr<View> ViewController::view() {
    if (!view_) {
        loadView();
        if (!view_) {
            // A loadView that made nothing still leaves the screen a view to show.
            ViewController::loadView();
        }
        view_->setController(weak_from_this());
        viewDidLoad();
    } else if (view_->controller() != this) {
        view_->setController(weak_from_this());
    }
    return view_;
}

void ViewController::setView(const std::shared_ptr<View>& view) {
    if (view_ == view) {
        return;
    }
    if (view_ && view_->controller() == this) {
        view_->setController({});
    }
    view_ = view;
    if (view_) {
        view_->setController(weak_from_this());
    }
}

void ViewController::loadView() {
    setView(View::make(QRectF(QPointF(0, 0), DeviceProfile::phone().size)));
}

void ViewController::beginAppearanceTransition(bool appearing, bool animated) {
    if (appearing) {
        if (appearance_ == Appearance::Appearing || appearance_ == Appearance::Appeared) {
            return;
        }
        appearance_ = Appearance::Appearing;
        appearanceAnimated_ = animated;
        view();
        viewWillAppear(animated);
    } else {
        if (appearance_ == Appearance::Disappearing || appearance_ == Appearance::Disappeared) {
            return;
        }
        appearance_ = Appearance::Disappearing;
        appearanceAnimated_ = animated;
        viewWillDisappear(animated);
    }
    if (shouldAutomaticallyForwardAppearanceMethods()) {
        for (const auto& child : std::vector(children_)) {
            if (childViewInHierarchy(*child)) {
                child->beginAppearanceTransition(appearing, animated);
            }
        }
    }
}

void ViewController::endAppearanceTransition() {
    const auto keep = shared_from_this();
    if (appearance_ == Appearance::Appearing) {
        appearance_ = Appearance::Appeared;
        viewDidAppear(appearanceAnimated_);
    } else if (appearance_ == Appearance::Disappearing) {
        appearance_ = Appearance::Disappeared;
        viewDidDisappear(appearanceAnimated_);
    } else {
        return;
    }
    if (shouldAutomaticallyForwardAppearanceMethods()) {
        for (const auto& child : std::vector(children_)) {
            child->endAppearanceTransition();
        }
    }
}

bool ViewController::childViewInHierarchy(const ViewController& child) const {
    return view_ && child.view_ && child.view_->isDescendantOf(view_.get());
}

void ViewController::ownedViewWillMoveToWindow(Window* window) {
    // Only a child whose parent lets the cycle flow follows its view in and out of the window;
    // roots, presented screens and a container's children are driven by their owners.
    if (parent_ == nullptr || !parent_->shouldAutomaticallyForwardAppearanceMethods()) {
        return;
    }
    const Appearance parent = parent_->appearance();
    if (window != nullptr && (parent == Appearance::Appearing || parent == Appearance::Appeared)) {
        beginAppearanceTransition(true, false);
    } else if (window == nullptr) {
        beginAppearanceTransition(false, false);
    }
}

void ViewController::ownedViewDidMoveToWindow(Window* window) {
    if (parent_ == nullptr || !parent_->shouldAutomaticallyForwardAppearanceMethods()) {
        return;
    }
    // While the parent is itself on the way, the child ends with it.
    if (window == nullptr || parent_->appearance() == Appearance::Appeared) {
        endAppearanceTransition();
    }
}

void ViewController::addChildViewController(const std::shared_ptr<ViewController>& child) {
    if (!child || child.get() == this) {
        return;
    }
    if (child->parent_ == this) {
        return;
    }
    if (child->parent_ != nullptr) {
        child->willMoveToParentViewController(nullptr);
        child->removeFromParentViewController();
    }
    child->willMoveToParentViewController(this);
    children_.push_back(child);
    child->parent_ = this;
}

void ViewController::removeFromParentViewController() {
    ViewController* parent = parent_;
    if (parent == nullptr) {
        return;
    }
    const auto keep = shared_from_this();
    auto& siblings = parent->children_;
    siblings.erase(std::remove_if(siblings.begin(), siblings.end(),
                                  [this](const auto& c) { return c.get() == this; }),
                   siblings.end());
    parent_ = nullptr;
    didMoveToParentViewController(nullptr);
}

void ViewController::setTitle(const QString& title) {
    title_ = title;
    navigationItem_->setTitle(title);
}

void ViewController::setEditing(bool editing, bool /*animated*/) {
    editing_ = editing;
}

void ViewController::setNeedsStatusBarAppearanceUpdate() {
    if (Window* w = window()) {
        updateStatusBarAppearance(*w);
    }
}

unsigned ViewController::supportedInterfaceOrientations() const {
    const Window* w = window();
    const bool tablet = w != nullptr && w->profile().idiom == DeviceProfile::Idiom::Tablet;
    return tablet ? InterfaceOrientationMask::All : InterfaceOrientationMask::AllButUpsideDown;
}

void ViewController::viewWillTransitionToSize(QSizeF size, TransitionCoordinator& coordinator) {
    for (const auto& child : std::vector(children_)) {
        child->viewWillTransitionToSize(size, coordinator);
    }
}

Window* ViewController::window() const {
    return view_ ? view_->window() : nullptr;
}

Responder* ViewController::nextResponder() const {
    if (view_ && view_->superview() != nullptr) {
        return view_->superview();
    }
    return presenter_;
}

ViewController* ViewController::rootAncestor() {
    ViewController* c = this;
    while (c->parent_ != nullptr) {
        c = c->parent_;
    }
    return c;
}

}  // namespace platform
