#pragma once

#include "platform/ui/controllers/ViewController.h"

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace platform {

class PopoverHostView;
class PresentationContainerView;

// One controller shown modally over another, from the start of its presentation to the end of
// its dismissal. Owned by the presenting controller.
class Presentation {
public:
    using Completion = ViewController::Completion;

    static constexpr TimeInterval kPopoverFadeDuration = 0.2;
    static constexpr QSizeF kDefaultPopoverSize{320, 480};

    // Starts presenting `presented` over `from`'s top ancestor; false (with a warning) when it
    // cannot be presented now.
    static bool start(ViewController& from, const std::shared_ptr<ViewController>& presented,
                      bool animated, Completion completion);

    ~Presentation();
    Presentation(const Presentation&) = delete;
    Presentation& operator=(const Presentation&) = delete;

    std::shared_ptr<ViewController> presented() const { return presented_; }
    bool isTransitioning() const { return phase_ != Phase::Presented; }
    void dismiss(bool animated, Completion completion);
    // The presenter is being destroyed: the presented screen leaves the window at once.
    void presenterGone();

private:
    enum class Phase { Presenting, Presented, Dismissing };

    Presentation(ViewController& presenter, std::shared_ptr<ViewController> presented);
    void run(Window& window, bool animated, Completion completion);
    void showInPopover(Window& window);
    void finishPresenting(Completion completion);
    void finishDismissing();
    void touchedOutside();
    std::function<void(bool)> whileAlive(std::function<void()> work);

    ViewController* presenter_;
    std::shared_ptr<ViewController> presented_;
    std::shared_ptr<PresentationContainerView> container_;
    std::shared_ptr<PopoverHostView> popoverHost_;
    std::weak_ptr<View> covered_;
    Phase phase_ = Phase::Presenting;
    bool fullScreen_ = true;
    ViewController::ModalTransitionStyle transition_;
    std::vector<Completion> dismissCompletions_;
    // Dismissals asked while presenting, run once it ends.
    std::vector<std::pair<bool, Completion>> waitingDismissals_;
    // Work of the presentation below waiting for this one to end.
    std::vector<std::function<void()>> afterPresenting_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace platform
