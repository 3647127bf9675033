#include "toolkit/screens/ZVDefaultSwipeTarget.h"

#include "platform/ui/controllers/navigation/NavigationController.h"
#include "toolkit/screens/ZVViewController.h"

ZVDefaultSwipeTarget::ZVDefaultSwipeTarget(const std::weak_ptr<ZVViewController>& viewController)
    : vc_(viewController) {}

void ZVDefaultSwipeTarget::swipeRight() {
    if (const auto vc = vc_.lock()) {
        if (auto* navigation = vc->navigationController()) {
            navigation->popViewControllerAnimated(true);
        }
    }
}
