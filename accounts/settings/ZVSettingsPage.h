#pragma once

#include "toolkit/dialogs/ZVDialogCells.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>

class ZVButtonCell;
class ZVLabelCell;
class ZVRepositorySession;

// The root of the signed-in account's settings: rows in three groups that open the account's
// screens (profile, notifications, settings, password), reach support, the about screen and the
// store page, open the technical info, reset the local data, and sign out.
//
// The screens the rows open are made by factories registered at start-up, one per screen, with
// the page's session; a row whose screen is not registered stays and does nothing.
class ZVSettingsPage : public ZVDialogCells {
public:
    static inline const QString kTitle = QStringLiteral("Settings");
    static inline const QString kTabImage = QStringLiteral("icon-tab-settings");
    static constexpr int kSignOutButtonStyle = 3;

    // The screens a row opens by pushing them.
    enum class Screen {
        AccountProfile,
        NotificationOptions,
        AccountSettings,
        ChangePassword,
        TechInfo
    };
    using ScreenFactory = std::function<std::shared_ptr<platform::ViewController>(
        const std::shared_ptr<ZVRepositorySession>& session)>;
    // An empty factory leaves the row without a screen.
    static void setScreenFactory(Screen screen, ScreenFactory factory);
    static ScreenFactory screenFactory(Screen screen);
    // Forgets every factory (tests).
    static void resetScreenFactories();

    explicit ZVSettingsPage(std::shared_ptr<ZVRepositorySession> session);
    ~ZVSettingsPage() override;

    const std::shared_ptr<ZVRepositorySession>& session() const { return session_; }
    int supportIndex() const { return supportIndex_; }
    int rateIndex() const { return rateIndex_; }
    int resetIndex() const { return resetIndex_; }
    int aboutIndex() const { return aboutIndex_; }
    const std::shared_ptr<ZVButtonCell>& signout() const { return signout_; }
    // The entry index of the row titled `title`; -1 when none.
    int indexOfRow(const QString& title) const;
    // What the row at an entry index opens, when it opens a screen.
    std::optional<Screen> screenOfRow(int index) const;

    // A header; the next row begins a group.
    void addHeader(const QString& title);
    // A row; with a screen it shows the disclosure indicator and opens it. Returns its index.
    int addItem(const QString& title, std::optional<Screen> screen, bool endsGroup);

    // Leaves the page: pops it, or closes it when it was presented.
    void done();
    void openSupport();
    void rate();
    void resetLocalData();
    void logout();
    // The confirmation's message for signing out.
    QString signOutMessage() const;

    void didSelectRow(int row) override;
    void viewWillAppear(bool animated) override;

private:
    std::shared_ptr<ZVRepositorySession> session_;
    std::map<int, Screen> viewControllerClasses_;
    int supportIndex_ = -1;
    int rateIndex_ = -1;
    int resetIndex_ = -1;
    int aboutIndex_ = -1;
    std::shared_ptr<ZVButtonCell> signout_;
    bool beginGroup_ = false;
};
