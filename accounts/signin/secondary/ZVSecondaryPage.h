#pragma once

#include "accounts/pages/ZVContainerView.h"

#include <QtCore/QString>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class ZVLoginSecondaryViewController;
namespace platform {
class Button;
}

// A page of the further-account screen: built whole when made, its links naming the page to show
// next, its button starting disabled while a field is empty. Main thread only.
class ZVSecondaryPage : public ZVContainerView {
public:
    static constexpr qreal kCodeFieldHeight = 70;

    explicit ZVSecondaryPage(std::weak_ptr<platform::ViewController> viewController);

    std::shared_ptr<ZVLoginSecondaryViewController> owner() const;
    // Links go to the screen's page of their name.
    bool shouldOpenURL(const QString& url) override;

protected:
    // The button runs `action` on this page while it lives.
    std::shared_ptr<platform::Button> pushAction(const QString& title, int style,
                                                 std::function<void(ZVSecondaryPage&)> action);
    void pushLinks(const std::vector<std::pair<QString, QString>>& nameAndTitle);
};
