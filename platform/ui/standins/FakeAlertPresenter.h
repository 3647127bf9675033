#pragma once

#include "platform/ui/standins/AlertController.h"
#include "platform/ui/standins/AlertPresenter.h"

#include <vector>

namespace platform {

// A presenter that tests drive: it draws nothing, keeps what is on screen and hides at once.
// Never the one a user runs.
class FakeAlertPresenter : public AlertPresenter {
public:
    // The alerts on screen, oldest first.
    const std::vector<std::shared_ptr<AlertController>>& showing() const { return showing_; }
    std::shared_ptr<AlertController> top() const {
        return showing_.empty() ? nullptr : showing_.back();
    }
    int presentedCount() const { return presentedCount_; }
    // Chooses the action titled `title` of the topmost alert; false when there is none.
    bool choose(const QString& title);

    void show(const std::shared_ptr<AlertController>& alert, View& window, bool animated,
              std::function<void()> shown) override;
    void hide(const std::shared_ptr<AlertController>& alert, bool animated,
              std::function<void()> hidden) override;

private:
    std::vector<std::shared_ptr<AlertController>> showing_;
    int presentedCount_ = 0;
};

}  // namespace platform
