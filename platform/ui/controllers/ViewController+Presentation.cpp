#include "platform/ui/controllers/PopoverPresentation.h"
#include "platform/ui/controllers/Presentation.h"
#include "platform/ui/controllers/ViewController.h"

namespace platform {

PopoverPresentation& ViewController::popoverPresentationController() {
    if (!popoverPresentation_) {
        popoverPresentation_ = std::make_unique<PopoverPresentation>();
    }
    return *popoverPresentation_;
}

bool ViewController::presentViewController(const std::shared_ptr<ViewController>& controller,
                                           bool animated, Completion completion) {
    return Presentation::start(*this, controller, animated, std::move(completion));
}

void ViewController::dismissViewController(bool animated, Completion completion) {
    ViewController* root = rootAncestor();
    if (root->presentation_) {
        root->presentation_->dismiss(animated, std::move(completion));
    } else if (root->presenter_ != nullptr && root->presenter_->presentation_) {
        root->presenter_->presentation_->dismiss(animated, std::move(completion));
    } else if (completion) {
        // Nothing is shown modally: the state the caller waits for holds already.
        completion();
    }
}

std::shared_ptr<ViewController> ViewController::presentedViewController() const {
    const ViewController* c = this;
    while (c->parent_ != nullptr) {
        c = c->parent_;
    }
    return c->presentation_ ? c->presentation_->presented() : nullptr;
}

ViewController* ViewController::presentingViewController() const {
    const ViewController* c = this;
    while (c->parent_ != nullptr) {
        c = c->parent_;
    }
    return c->presenter_;
}

}  // namespace platform
