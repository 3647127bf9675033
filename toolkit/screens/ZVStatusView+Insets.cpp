// The room the bar takes, handed to the screens under it.
#include "toolkit/screens/ZVStatusView.h"

#include "platform/ui/controllers/navigation/NavigationController.h"
#include "toolkit/screens/ZVScreenCoordinator.h"
#include "toolkit/screens/ZVViewController.h"

namespace {

void giveInset(platform::ViewController* controller, qreal inset) {
    if (auto* screen = dynamic_cast<ZVViewController*>(controller)) {
        screen->setTopInset(inset);
    }
}

}  // namespace

void ZVStatusView::notifyInsetChange() {
    const qreal inset = contentInset();
    auto& coordinator = ZVScreenCoordinator::shared();
    giveInset(coordinator.inboxViewController().get(), inset);
    giveInset(coordinator.showingPage().get(), inset);
    if (const auto navigation = superview_.lock()) {
        giveInset(navigation->topViewController(), inset);
    }
}
