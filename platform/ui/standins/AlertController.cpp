#include "platform/ui/standins/AlertController.h"

#include "platform/ui/controllers/PopoverPresentation.h"
#include "platform/ui/standins/AlertCardView.h"
#include "platform/ui/standins/TopmostController.h"
#include "platform/ui/view/Window.h"

namespace platform {

namespace {

const QColor kDimColor(0, 0, 0, 100);

// Behind an alert or phone action sheet: dims the screens and keeps their touches, and lays the
// card out for the width it gets.
class AlertBackdrop : public View {
public:
    explicit AlertBackdrop(std::weak_ptr<AlertController> alert) : alert_(std::move(alert)) {
        setBackgroundColor(kDimColor);
    }

    std::shared_ptr<AlertCardView> card() const { return card_; }

    void layoutSubviews() override {
        const auto alert = alert_.lock();
        if (!alert) {
            return;
        }
        const QRectF area = bounds();
        const bool sheet = alert->style() == AlertStyle::ActionSheet;
        const qreal width =
            sheet ? area.width() - 2 * AlertController::kSheetInset : AlertCardView::kAlertWidth;
        if (!card_ || card_->bounds().width() != width) {
            if (card_) {
                card_->removeFromSuperview();
            }
            card_ = std::make_shared<AlertCardView>(alert, width);
            addSubview(card_);
        }
        const QSizeF size = card_->bounds().size();
        if (sheet) {
            card_->setFrame({QPointF(AlertController::kSheetInset,
                                     area.bottom() - AlertController::kSheetInset - size.height()),
                             size});
        } else {
            card_->setFrame({area.center() - QPointF(size.width() / 2, size.height() / 2), size});
        }
    }

    void touchesBegan(const TouchSet&, const TouchEvent&) override {}
    void touchesMoved(const TouchSet&, const TouchEvent&) override {}
    void touchesEnded(const TouchSet&, const TouchEvent&) override {}
    void touchesCancelled(const TouchSet&, const TouchEvent&) override {}

private:
    std::weak_ptr<AlertController> alert_;
    std::shared_ptr<AlertCardView> card_;
};

}  // namespace

AlertController::AlertController(QString title, QString message, AlertStyle style)
    : title_(std::move(title)), message_(std::move(message)), style_(style) {
    setModalPresentationStyle(ModalPresentationStyle::OverFullScreen);
    setModalTransitionStyle(style_ == AlertStyle::Alert ? ModalTransitionStyle::CrossDissolve
                                                        : ModalTransitionStyle::CoverVertical);
}

bool AlertController::addAction(const std::shared_ptr<AlertAction>& action) {
    if (!action || (action->style() == AlertActionStyle::Cancel && cancelAction())) {
        return false;
    }
    actions_.push_back(action);
    return true;
}

std::shared_ptr<AlertAction> AlertController::cancelAction() const {
    for (const auto& action : actions_) {
        if (action->style() == AlertActionStyle::Cancel) {
            return action;
        }
    }
    return nullptr;
}

bool AlertController::addTextField(std::function<void(AlertTextField&)> configure) {
    if (style_ != AlertStyle::Alert) {
        return false;
    }
    auto field = std::make_shared<AlertTextField>();
    if (configure) {
        configure(*field);
    }
    textFields_.push_back(std::move(field));
    return true;
}

void AlertController::setSourceView(const std::shared_ptr<View>& view) {
    popoverPresentationController().setSourceView(view);
}

void AlertController::setSourceRect(const QRectF& rect) {
    popoverPresentationController().setSourceRect(rect);
}

bool AlertController::present(View& from, bool animated, Completion completion) {
    Window* window = from.window();
    ViewController* presenter = window != nullptr ? topmostController(*window) : nullptr;
    if (presenter == nullptr || presentingViewController() != nullptr || finished_) {
        return false;
    }
    const bool tablet = window->profile().idiom == DeviceProfile::Idiom::Tablet;
    setModalPresentationStyle(style_ == AlertStyle::ActionSheet && tablet
                                  ? ModalPresentationStyle::Popover
                                  : ModalPresentationStyle::OverFullScreen);
    return presenter->presentViewController(shared_from_this(), animated, std::move(completion));
}

void AlertController::watchTouchesOutside() {
    // A touch outside the popover cancels: no action can be chosen from then on, and the cancel
    // handler runs once the popover has gone.
    const std::weak_ptr<AlertController> weak =
        std::static_pointer_cast<AlertController>(shared_from_this());
    PopoverPresentation& popover = popoverPresentationController();
    popover.shouldDismiss = [weak] {
        if (const auto self = weak.lock()) {
            self->finished_ = true;
        }
        return true;
    };
    popover.didDismiss = [weak] {
        const auto self = weak.lock();
        const auto cancel = self ? self->cancelAction() : nullptr;
        if (cancel && cancel->handler_) {
            cancel->handler_(*cancel);
        }
    };
}

std::shared_ptr<AlertCardView> AlertController::card() {
    if (!isViewLoaded()) {
        return nullptr;
    }
    const auto loaded = view();
    if (const auto backdrop = std::dynamic_pointer_cast<AlertBackdrop>(loaded)) {
        backdrop->layoutIfNeeded();
        return backdrop->card();
    }
    return std::dynamic_pointer_cast<AlertCardView>(loaded);
}

void AlertController::loadView() {
    const auto self = std::static_pointer_cast<AlertController>(shared_from_this());
    // Loaded as its presentation starts: whoever presented it, an action sheet in the popover
    // style on a tablet is a popover.
    const ViewController* presenter = presentingViewController();
    const Window* window = presenter != nullptr ? presenter->window() : nullptr;
    popover_ = style_ == AlertStyle::ActionSheet &&
               modalPresentationStyle() == ModalPresentationStyle::Popover && window != nullptr &&
               window->profile().idiom == DeviceProfile::Idiom::Tablet;
    if (popover_) {
        watchTouchesOutside();
        auto card = std::make_shared<AlertCardView>(self, AlertCardView::kPopoverWidth);
        setPreferredContentSize(card->bounds().size());
        setView(card);
        return;
    }
    setView(std::make_shared<AlertBackdrop>(self));
}

void AlertController::viewDidAppear(bool /*animated*/) {
    // The first field takes the keyboard as soon as the alert shows.
    if (const auto shown = card(); shown && !shown->fields().empty()) {
        shown->fields().front()->becomeFirstResponder();
    }
}

bool AlertController::chooseAction(int index) {
    if (!isPresented() || index < 0 || index >= static_cast<int>(actions_.size()) ||
        !actions_[index]->isEnabled()) {
        return false;
    }
    finish(actions_[index]);
    return true;
}

void AlertController::dismiss(bool animated, Completion completion) {
    if (!isPresented()) {
        return;
    }
    finished_ = true;
    dismissViewController(animated, std::move(completion));
}

void AlertController::finish(const std::shared_ptr<AlertAction>& action) {
    finished_ = true;
    // The handler runs once the alert is off the screen, with the alert kept alive till then.
    dismissViewController(true, [self = shared_from_this(), action] {
        if (action && action->handler_) {
            action->handler_(*action);
        }
    });
}

}  // namespace platform
