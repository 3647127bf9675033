#pragma once

#include "app/shell/ZVAppServices.h"
#include "toolkit/menus/ZVSlideInMenu.h"

#include <memory>

class ZVSessionMenuItem;
namespace platform {
class ImageView;
}

// The account switcher: a menu sliding in from the left with a row per signed-in account, in the
// order the accounts started, and the fixed rows "Sign in to another account" (index 0) and
// "Settings" (index 1) at its bottom. The coordinator adds and removes the account rows and acts on
// the user's choice.
class ZVSessionMenu : public ZVSlideInMenu, public ZVSessionSwitcher {
public:
    static constexpr qreal kItemHeight = 70;
    static constexpr qreal kWidth = 300;
    static constexpr qreal kHeight = 100;
    static constexpr qreal kFirstTopOffset = 10;
    // The fixed rows come first in the list; this offset takes them out of the column's top, and
    // the layout puts them at the bottom.
    static constexpr qreal kTopOffset = -70;
    static constexpr QPointF kLogoOrigin{20, 30};
    static constexpr int kFixedRowScheme = 3;

    ZVSessionMenu();
    ~ZVSessionMenu() override;

    // ZVSessionSwitcher
    std::shared_ptr<ZVSlideInMenu> slideInMenu() override;
    void notifySessionStart(const std::shared_ptr<ZVRepositorySession>& session) override;
    void notifySessionEnd(const std::shared_ptr<ZVRepositorySession>& session) override;
    std::shared_ptr<ZVRepositorySession> selectedSession() const override;

    std::shared_ptr<ZVSessionMenuItem> itemBySession(
        const std::shared_ptr<ZVRepositorySession>& session) const;
    const std::shared_ptr<ZVVerticalMenuItem>& addNewButton() const { return addNewButton_; }
    const std::shared_ptr<ZVVerticalMenuItem>& settingsButton() const { return settingsButton_; }
    const std::shared_ptr<platform::ImageView>& logo() const { return logo_; }

    // Marks the active account and clears the selection, so that choosing the same row again is
    // noticed.
    void menuWillShow() override;
    void layoutSubviews() override;

private:
    // The account rows whose session has gone (rows hold their sessions weakly).
    void dropEndedRows();

    std::shared_ptr<platform::ImageView> logo_;
    std::shared_ptr<ZVVerticalMenuItem> addNewButton_;
    std::shared_ptr<ZVVerticalMenuItem> settingsButton_;
};
