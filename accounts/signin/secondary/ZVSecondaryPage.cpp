#include "accounts/signin/secondary/ZVSecondaryPage.h"

#include "accounts/signin/ZVLoginSecondaryViewController.h"
#include "platform/ui/controls/Button.h"

using namespace Qt::StringLiterals;

ZVSecondaryPage::ZVSecondaryPage(std::weak_ptr<platform::ViewController> viewController)
    : ZVContainerView(std::move(viewController)) {}

std::shared_ptr<ZVLoginSecondaryViewController> ZVSecondaryPage::owner() const {
    return std::dynamic_pointer_cast<ZVLoginSecondaryViewController>(viewController());
}

bool ZVSecondaryPage::shouldOpenURL(const QString& url) {
    if (const auto screen = owner()) {
        screen->openPage(url);
    }
    return false;
}

std::shared_ptr<platform::Button> ZVSecondaryPage::pushAction(
    const QString& title, int style, std::function<void(ZVSecondaryPage&)> action) {
    auto button = pushButtonWithTitle(title, style);
    const std::weak_ptr<platform::View> weak = weak_from_this();
    button->addTarget(platform::Control::TouchUpInside, [weak, action](auto&) {
        if (const auto self = std::static_pointer_cast<ZVSecondaryPage>(weak.lock())) {
            action(*self);
        }
    });
    return button;
}

void ZVSecondaryPage::pushLinks(const std::vector<std::pair<QString, QString>>& nameAndTitle) {
    const auto text = pushTextActions(nameAndTitle, 0);
    text->setDelegate(std::shared_ptr<ZVRichTextDelegate>(shared_from_this(),
                                                          static_cast<ZVRichTextDelegate*>(this)));
}
