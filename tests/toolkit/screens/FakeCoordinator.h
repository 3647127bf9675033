#pragma once

#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controllers/navigation/BarButtonItem.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/view/Window.h"
#include "toolkit/screens/ZVNavigationController.h"
#include "toolkit/screens/ZVScreenCoordinator.h"

#include <QtCore/QStringList>

#include <memory>
#include <utility>

// A coordinator with a window and two navigation stacks (the same one on a phone), each with a
// plain root screen, that writes down the conversation requests it gets. Register it with
// `install()`; it unregisters when it goes.
class FakeCoordinator : public ZVScreenCoordinator {
public:
    std::shared_ptr<platform::Window> shownWindow;
    std::shared_ptr<ZVNavigationController> left;
    std::shared_ptr<ZVNavigationController> right;
    std::shared_ptr<platform::BarButtonItem> modeItem;
    std::shared_ptr<platform::ViewController> inbox;
    std::shared_ptr<platform::ViewController> page;
    QString openConversation;
    QStringList conversationRequests;
    qreal inset = 0;
    int statusViewPlacements = 0;

    // Two stacks side by side (a tablet) or one shared stack (a phone); the left one fills the
    // window on a phone, the window's left 320 pt beside the right one on a tablet.
    static std::shared_ptr<FakeCoordinator> install(
        platform::DeviceProfile profile = platform::DeviceProfile::phone()) {
        auto coordinator = std::make_shared<FakeCoordinator>();
        coordinator->build(std::move(profile));
        ZVScreenCoordinator::setShared(coordinator);
        return coordinator;
    }

    ~FakeCoordinator() override { ZVScreenCoordinator::setShared(nullptr); }

    std::shared_ptr<platform::Window> window() const override { return shownWindow; }
    std::shared_ptr<platform::NavigationController> leftNavigationController() const override {
        return left;
    }
    std::shared_ptr<platform::NavigationController> rightNavigationController() const override {
        return right;
    }
    std::shared_ptr<platform::BarButtonItem> displayModeButtonItem() const override {
        return modeItem;
    }
    QString conversationId() const override { return openConversation; }
    void setConversationId(const QString& conversationId, bool /*animated*/) override {
        conversationRequests << conversationId;
        openConversation = conversationId;
    }
    qreal statusViewContentInset() const override { return inset; }
    void updateStatusViewLocation() override { ++statusViewPlacements; }
    std::shared_ptr<platform::ViewController> inboxViewController() const override { return inbox; }
    std::shared_ptr<platform::ViewController> showingPage() const override { return page; }

private:
    static constexpr qreal kTabletPrimaryWidth = 320;

    void build(platform::DeviceProfile profile) {
        shownWindow = platform::Window::make(profile);
        left = std::make_shared<ZVNavigationController>(platform::ViewController::make());
        if (profile.idiom == platform::DeviceProfile::Idiom::Phone) {
            right = left;
            shownWindow->setRootViewController(left);
        } else {
            right = std::make_shared<ZVNavigationController>(platform::ViewController::make());
            modeItem = platform::BarButtonItem::withTitle(
                "Inbox", platform::BarButtonItem::Style::Plain, {});
            auto root = platform::ViewController::make();
            shownWindow->setRootViewController(root);
            const QSizeF size = profile.size;
            for (const auto& [stack, frame] :
                 {std::pair{left, QRectF(0, 0, kTabletPrimaryWidth, size.height())},
                  std::pair{right, QRectF(kTabletPrimaryWidth, 0,
                                          size.width() - kTabletPrimaryWidth, size.height())}}) {
                root->addChildViewController(stack);
                stack->view()->setFrame(frame);
                root->view()->addSubview(stack->view());
                stack->didMoveToParentViewController(root.get());
            }
        }
        shownWindow->updateNow();
    }
};
