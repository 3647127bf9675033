#include "platform/ui/standins/AlertController.h"

#include "platform/ui/standins/AlertPresenter.h"
#include "platform/ui/view/Window.h"

namespace platform {

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

bool AlertController::present(View& from, bool animated, std::function<void()> completion) {
    Window* window = from.window();
    if (window == nullptr || presented_) {
        return false;
    }
    presented_ = true;
    popover_ = style_ == AlertStyle::ActionSheet &&
               window->profile().idiom == DeviceProfile::Idiom::Tablet;
    AlertPresenter::shared()->show(shared_from_this(), *window, animated, std::move(completion));
    return true;
}

bool AlertController::chooseAction(int index) {
    if (!isPresented() || index < 0 || index >= static_cast<int>(actions_.size()) ||
        !actions_[index]->isEnabled()) {
        return false;
    }
    finish(actions_[index]);
    return true;
}

void AlertController::dismissFromOutside() {
    if (isPresented()) {
        finish(cancelAction());
    }
}

void AlertController::dismiss(bool animated, std::function<void()> completion) {
    if (!isPresented()) {
        return;
    }
    finished_ = true;
    AlertPresenter::shared()->hide(shared_from_this(), animated, std::move(completion));
}

void AlertController::finish(const std::shared_ptr<AlertAction>& action) {
    finished_ = true;
    // The handler runs once the alert is off the screen, with the alert kept alive till then.
    AlertPresenter::shared()->hide(shared_from_this(), true, [self = shared_from_this(), action] {
        if (action && action->handler_) {
            action->handler_(*action);
        }
    });
}

}  // namespace platform
