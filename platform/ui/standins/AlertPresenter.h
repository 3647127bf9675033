#pragma once

#include "platform/ui/view/View.h"

#include <functional>
#include <memory>

namespace platform {

class AlertController;

// Puts alerts on screen and takes them off. AlertPresenter::shared() draws them over the window;
// tests install a FakeAlertPresenter. Main thread only.
class AlertPresenter {
public:
    virtual ~AlertPresenter() = default;

    static std::shared_ptr<AlertPresenter> shared();
    // Null goes back to the one that draws.
    static void setShared(std::shared_ptr<AlertPresenter> presenter);

    // Shows `alert` in `window`; `shown` runs once it is on screen.
    virtual void show(const std::shared_ptr<AlertController>& alert, View& window, bool animated,
                      std::function<void()> shown) = 0;
    // Takes `alert` off the screen; `hidden` runs once it is gone.
    virtual void hide(const std::shared_ptr<AlertController>& alert, bool animated,
                      std::function<void()> hidden) = 0;
};

}  // namespace platform
