#include "toolkit/screens/ZVScreenCoordinator.h"

#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controllers/navigation/BarButtonItem.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/view/Window.h"

namespace {

// Stands in while no coordinator is registered (before the shell starts, in tests of single
// views): every piece is missing and requests go nowhere.
class EmptyCoordinator final : public ZVScreenCoordinator {
public:
    std::shared_ptr<platform::Window> window() const override { return nullptr; }
    std::shared_ptr<platform::NavigationController> leftNavigationController() const override {
        return nullptr;
    }
    std::shared_ptr<platform::NavigationController> rightNavigationController() const override {
        return nullptr;
    }
    std::shared_ptr<platform::BarButtonItem> displayModeButtonItem() const override {
        return nullptr;
    }
    QString conversationId() const override { return {}; }
    void setConversationId(const QString&, bool) override {}
    qreal statusViewContentInset() const override { return 0; }
    void updateStatusViewLocation() override {}
    std::shared_ptr<platform::ViewController> inboxViewController() const override {
        return nullptr;
    }
    std::shared_ptr<platform::ViewController> showingPage() const override { return nullptr; }
};

std::weak_ptr<ZVScreenCoordinator>& registered() {
    static std::weak_ptr<ZVScreenCoordinator> coordinator;
    return coordinator;
}

}  // namespace

// The owner keeps the registered coordinator alive for as long as it is registered, so the
// reference outlives the lock below.
ZVScreenCoordinator& ZVScreenCoordinator::shared() {
    static EmptyCoordinator empty;
    if (auto coordinator = registered().lock()) {
        return *coordinator;
    }
    return empty;
}

void ZVScreenCoordinator::setShared(const std::shared_ptr<ZVScreenCoordinator>& coordinator) {
    registered() = coordinator;
}
