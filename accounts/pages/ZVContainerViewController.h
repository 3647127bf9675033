#pragma once

#include "toolkit/screens/ZVViewController.h"

#include <memory>

class ZVContainerView;

// Shows one page filling the screen (an account screen built like the pre-login ones) and
// cross-fades a secondary page over it for a step that comes and goes. Every part of its pages is
// boxed. Main thread only.
class ZVContainerViewController : public ZVViewController {
public:
    static constexpr platform::TimeInterval kFadeDuration = 0.3;

    ZVContainerViewController();
    ~ZVContainerViewController() override;

    const std::shared_ptr<ZVContainerView>& primaryPage() const { return primaryPage_; }
    void setPrimaryPage(const std::shared_ptr<ZVContainerView>& page);
    const std::shared_ptr<ZVContainerView>& secondaryPage() const { return secondaryPage_; }
    // Null goes back to the primary page.
    void setSecondaryPage(const std::shared_ptr<ZVContainerView>& page);
    // Dismissed when presented, else popped off its navigation.
    void dismiss();

    void viewDidLoad() override;
    void viewDidLayoutSubviews() override;

private:
    void frame(ZVContainerView& page);

    std::shared_ptr<ZVContainerView> primaryPage_;
    std::shared_ptr<ZVContainerView> secondaryPage_;
};
