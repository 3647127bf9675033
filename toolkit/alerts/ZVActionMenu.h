#pragma once

#include "toolkit/alerts/ZVAlertView.h"

#include <functional>
#include <memory>
#include <vector>

class ZVActionMenuButton;

namespace platform {
class AlertController;
}

// A pop-up menu of options, each a row with an icon that runs an action, optionally after a
// confirmation, with a second page for the less common ones behind a row of three dots. It shows
// as a card pointing at its view, or as the platform's native action sheet while the screen
// reader runs or when the signed-in account asks for the standard interface. Whatever way it
// ends, its completion runs exactly once. A menu is shown once.
class ZVActionMenu : public ZVAlertView, public ZVAlertViewDelegate {
public:
    ZVActionMenu();
    static std::shared_ptr<ZVActionMenu> make();

    std::shared_ptr<ZVActionMenuButton> addOption(const QString& optionId, const QString& title,
                                                  bool isSecondary = false,
                                                  const QString& confirmMessage = QString());
    void addView(std::shared_ptr<platform::View> view);
    // The entries, in order, the separator row among them.
    const std::vector<std::shared_ptr<ZVAlertButton>>& actions() const { return actions_; }
    int actionCount() const { return static_cast<int>(actions_.size()); }
    const std::shared_ptr<ZVAlertButton>& separator() const { return separator_; }

    void setOnCompletion(std::function<void()> completion) {
        onCompletion_ = std::move(completion);
    }

    // Native form while the screen reader runs or when the account asks for it.
    static bool prefersNativeWidgets();
    void show() override;
    void showAsActionSheet();
    void showAsActionSheetSecondary(bool secondary);
    bool forceNativeWidgets() const { return forceNativeWidgets_; }
    const std::shared_ptr<platform::AlertController>& alertController() const {
        return alertController_;
    }
    int moreButtonIndex() const { return moreButtonIndex_; }

    void invokeActionIndex(int index, bool confirm);
    std::shared_ptr<ZVActionMenuButton> buttonByIndex(int index) const;
    static QString extractVerb(const QString& title);
    void doInvokeButtonAction(ZVActionMenuButton& option);

    void alertView(ZVAlertView& alertView, int buttonIndex) override;

private:
    void askForConfirmation(ZVActionMenuButton& option);
    void complete();
    std::weak_ptr<ZVActionMenu> weakSelf();

    std::vector<std::shared_ptr<ZVAlertButton>> actions_;
    ViewList extraViews_;
    std::shared_ptr<ZVAlertButton> separator_;
    std::shared_ptr<platform::AlertController> alertController_;
    std::weak_ptr<ZVAlertView> confirmation_;
    bool forceNativeWidgets_ = false;
    int moreButtonIndex_ = -1;
    std::function<void()> onCompletion_;
    bool completed_ = false;
};
