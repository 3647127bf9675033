#include "platform/ui/standins/FakeAlertPresenter.h"

#include <algorithm>

namespace platform {

bool FakeAlertPresenter::choose(const QString& title) {
    const auto alert = top();
    if (!alert) {
        return false;
    }
    const auto& actions = alert->actions();
    for (std::size_t i = 0; i < actions.size(); ++i) {
        if (actions[i]->title() == title) {
            return alert->chooseAction(static_cast<int>(i));
        }
    }
    return false;
}

void FakeAlertPresenter::show(const std::shared_ptr<AlertController>& alert, View& /*window*/,
                              bool /*animated*/, std::function<void()> shown) {
    showing_.push_back(alert);
    ++presentedCount_;
    if (shown) {
        shown();
    }
}

void FakeAlertPresenter::hide(const std::shared_ptr<AlertController>& alert, bool /*animated*/,
                              std::function<void()> hidden) {
    std::erase_if(showing_, [&](const auto& shown) { return shown == alert; });
    if (hidden) {
        hidden();
    }
}

}  // namespace platform
