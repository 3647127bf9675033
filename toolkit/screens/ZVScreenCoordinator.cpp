#include "toolkit/screens/ZVScreenCoordinator.h"

#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controllers/navigation/BarButtonItem.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/view/Window.h"

namespace {

std::weak_ptr<ZVScreenCoordinator>& registered() {
    static std::weak_ptr<ZVScreenCoordinator> coordinator;
    return coordinator;
}

}  // namespace

// The owner keeps the registered coordinator alive for as long as it is registered, so the
// reference outlives the lock below.
ZVScreenCoordinator& ZVScreenCoordinator::shared() {
    // Stands in while none is registered (before the shell starts, in tests of single views).
    static ZVScreenCoordinator empty;
    if (auto coordinator = registered().lock()) {
        return *coordinator;
    }
    return empty;
}

void ZVScreenCoordinator::setShared(const std::shared_ptr<ZVScreenCoordinator>& coordinator) {
    registered() = coordinator;
}

std::shared_ptr<platform::Window> ZVScreenCoordinator::window() const {
    return nullptr;
}

std::shared_ptr<platform::NavigationController> ZVScreenCoordinator::leftNavigationController()
    const {
    return nullptr;
}

std::shared_ptr<platform::NavigationController> ZVScreenCoordinator::rightNavigationController()
    const {
    return nullptr;
}

std::shared_ptr<platform::BarButtonItem> ZVScreenCoordinator::displayModeButtonItem() const {
    return nullptr;
}

QString ZVScreenCoordinator::conversationId() const {
    return {};
}

void ZVScreenCoordinator::setConversationId(const QString&, bool) {}

qreal ZVScreenCoordinator::statusViewContentInset() const {
    return 0;
}

void ZVScreenCoordinator::updateStatusViewLocation() {}

std::shared_ptr<platform::ViewController> ZVScreenCoordinator::inboxViewController() const {
    return nullptr;
}

std::shared_ptr<platform::ViewController> ZVScreenCoordinator::showingPage() const {
    return nullptr;
}
