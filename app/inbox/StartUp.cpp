#include "app/inbox/StartUp.h"

#include "app/inbox/menus/ZVSessionMenu.h"
#include "app/inbox/screen/ZVInboxViewController.h"
#include "app/shell/ZVAppServices.h"

namespace {

// The inbox screen as the coordinator holds it.
class InboxScreen : public ZVInboxScreen {
public:
    std::shared_ptr<platform::ViewController> viewController() override { return screen_; }
    void setSession(const std::shared_ptr<ZVRepositorySession>& session) override {
        screen_->setSession(session);
    }
    void setPendingFile(const std::shared_ptr<File>& file) override {
        screen_->setPendingFile(file);
    }
    void updateUnreadCount() override { screen_->updateUnreadCount(); }
    void releaseObservers() override { screen_->releaseObservers(); }

private:
    std::shared_ptr<ZVInboxViewController> screen_ = ZVInboxViewController::create();
};

}  // namespace

void ZVStartUpInbox() {
    ZVAppServices& services = ZVAppServices::shared();
    services.makeSessionMenu = [] { return platform::View::make<ZVSessionMenu>(); };
    services.makeInbox = [] { return std::make_unique<InboxScreen>(); };
}
