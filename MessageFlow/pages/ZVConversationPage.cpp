#include "MessageFlow/pages/ZVConversationPage.h"

#include "MessageFlow/pages/ZVConversationPageRegistry.h"
#include "MessageFlow/pages/ZVConversationPageScreen.h"
#include "toolkit/screens/ZVViewController.h"

ZVConversationPage::ZVConversationPage(QString iconName, QString title, int index)
    : iconName_(std::move(iconName)), title_(std::move(title)), index_(index) {}

std::shared_ptr<ZVViewController> ZVConversationPage::viewController() const {
    if (!screen_) {
        return nullptr;
    }
    // Shares the screen's ownership: the page screen is the view controller.
    return std::shared_ptr<ZVViewController>(screen_, &screen_->screen());
}

std::shared_ptr<ZVViewController> ZVConversationPage::createViewController(
    const std::shared_ptr<Conversation>& conversation, int page) {
    screen_ = ZVConversationPageRegistry::shared().makePage(conversation, page);
    return viewController();
}
