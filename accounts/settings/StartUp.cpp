#include "accounts/settings/StartUp.h"

#include "accounts/settings/ZVAccountProfileViewController.h"
#include "accounts/settings/ZVAccountSettingsViewController.h"
#include "accounts/settings/ZVChangePasswordViewController.h"
#include "accounts/settings/ZVNotificationOptionsViewController.h"
#include "accounts/settings/ZVSettingsPage.h"
#include "accounts/settings/ZVTechInfoViewController.h"
#include "app/shell/ZVAppServices.h"

namespace {

template <class Screen>
ZVSettingsPage::ScreenFactory settingsScreenOf() {
    return [](const std::shared_ptr<ZVRepositorySession>& session) {
        return platform::ViewController::make<Screen>(session);
    };
}

}  // namespace

void ZVStartUpSettings() {
    ZVAppServices::shared().makeSettingsPage =
        [](const std::shared_ptr<ZVRepositorySession>& session) {
            return platform::ViewController::make<ZVSettingsPage>(session);
        };
    using Screen = ZVSettingsPage::Screen;
    ZVSettingsPage::setScreenFactory(Screen::AccountProfile,
                                     settingsScreenOf<ZVAccountProfileViewController>());
    ZVSettingsPage::setScreenFactory(Screen::NotificationOptions,
                                     settingsScreenOf<ZVNotificationOptionsViewController>());
    ZVSettingsPage::setScreenFactory(Screen::AccountSettings,
                                     settingsScreenOf<ZVAccountSettingsViewController>());
    ZVSettingsPage::setScreenFactory(Screen::ChangePassword,
                                     settingsScreenOf<ZVChangePasswordViewController>());
    ZVSettingsPage::setScreenFactory(Screen::TechInfo,
                                     settingsScreenOf<ZVTechInfoViewController>());
}
