#include "platform/ui/controllers/popover/PopoverController.h"

#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/controllers/navigation/BarButtonItem.h"
#include "platform/ui/controllers/popover/PopoverHostView.h"
#include "platform/ui/view/Window.h"

#include <QtCore/QDebug>

namespace platform {

PopoverController::PopoverController(std::shared_ptr<ViewController> content)
    : content_(std::move(content)) {}

PopoverController::~PopoverController() {
    if (host_) {
        alive_.reset();
        if (content_) {
            content_->beginAppearanceTransition(false, false);
        }
        removeHost();
        if (content_) {
            content_->endAppearanceTransition();
        }
    }
}

QSizeF PopoverController::popoverContentSize() const {
    if (!contentSize_.isEmpty()) {
        return contentSize_;
    }
    const QSizeF preferred = content_ ? content_->preferredContentSize() : QSizeF();
    return preferred.isEmpty() ? kDefaultContentSize : preferred;
}

void PopoverController::setPopoverContentSize(QSizeF size, bool animated) {
    contentSize_ = size;
    if (host_) {
        ViewAnimation::animate(animated ? kFadeDuration : 0, [&] {
            host_->setContentSize(popoverContentSize());
            host_->layoutIfNeeded();
        });
    }
}

void PopoverController::setContentViewController(std::shared_ptr<ViewController> content,
                                                 bool animated) {
    if (content == content_) {
        return;
    }
    const auto old = content_;
    content_ = std::move(content);
    if (!host_) {
        return;
    }
    if (old) {
        old->beginAppearanceTransition(false, animated);
    }
    if (content_) {
        content_->beginAppearanceTransition(true, animated);
    }
    host_->setContentView(content_ ? content_->view() : nullptr);
    host_->setContentSize(popoverContentSize());
    host_->layoutIfNeeded();
    if (old) {
        old->endAppearanceTransition();
    }
    if (content_) {
        content_->endAppearanceTransition();
    }
}

bool PopoverController::presentFromRect(const QRectF& rect, const std::shared_ptr<View>& view,
                                        unsigned permitted, bool animated) {
    Window* window = view ? view->window() : nullptr;
    if (window == nullptr) {
        qWarning("A popover was refused: its anchor view is not in a window");
        return false;
    }
    if (host_) {
        // Shown again from somewhere else: it moves.
        host_->setAnchor(view, rect, permitted);
        host_->layoutIfNeeded();
        return true;
    }
    host_ = View::make<PopoverHostView>();
    host_->setFrame(window->bounds());
    host_->setAnchor(view, rect, permitted);
    host_->setContentSize(popoverContentSize());
    host_->setOnTouchOutside([alive = std::weak_ptr<bool>(alive_), this] {
        if (!alive.expired()) {
            touchedOutside();
        }
    });
    if (content_) {
        content_->beginAppearanceTransition(true, animated);
        host_->setContentView(content_->view());
    }
    window->addSubview(host_);
    host_->layoutIfNeeded();
    const auto content = content_;
    if (!animated) {
        if (content) {
            content->endAppearanceTransition();
        }
        return true;
    }
    const auto body = host_->popoverView();
    ViewAnimation::performWithoutAnimation([&] { body->setAlpha(0); });
    ViewAnimation::animate(
        kFadeDuration, [&] { body->setAlpha(1); },
        [content](bool) {
            if (content) {
                content->endAppearanceTransition();
            }
        });
    return true;
}

bool PopoverController::presentFromBarButtonItem(const std::shared_ptr<BarButtonItem>& item,
                                                 unsigned permitted, bool animated) {
    const auto view = item ? item->shownView() : nullptr;
    if (!view) {
        qWarning("A popover was refused: the bar item is not shown");
        return false;
    }
    return presentFromRect(view->bounds(), view, permitted, animated);
}

void PopoverController::dismissPopoverAnimated(bool animated) {
    dismiss(animated, {});
}

void PopoverController::dismiss(bool animated, std::function<void()> then) {
    if (!host_) {
        return;
    }
    const auto host = host_;
    host_.reset();
    const auto content = content_;
    if (content) {
        content->beginAppearanceTransition(false, animated);
    }
    const auto finish = [host, content, then](bool) {
        if (const auto v = host->contentView()) {
            v->removeFromSuperview();
        }
        host->removeFromSuperview();
        if (content) {
            content->endAppearanceTransition();
        }
        if (then) {
            then();
        }
    };
    if (!animated) {
        finish(true);
        return;
    }
    const auto body = host->popoverView();
    ViewAnimation::animate(
        kFadeDuration, [&] { body->setAlpha(0); }, finish);
}

unsigned PopoverController::popoverArrowDirection() const {
    return host_ ? host_->placement().arrowDirection : PopoverArrowDirection::Unknown;
}

QRectF PopoverController::popoverFrame() const {
    return host_ ? host_->placement().frame : QRectF();
}

void PopoverController::touchedOutside() {
    if (shouldDismissPopover && !shouldDismissPopover(*this)) {
        return;
    }
    dismiss(true, [alive = std::weak_ptr<bool>(alive_), this] {
        if (!alive.expired() && didDismissPopover) {
            const auto handler = didDismissPopover;
            handler(*this);
        }
    });
}

void PopoverController::removeHost() {
    if (const auto v = host_->contentView()) {
        v->removeFromSuperview();
    }
    host_->removeFromSuperview();
    host_.reset();
}

}  // namespace platform
