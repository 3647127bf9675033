#pragma once

#include "accounts/settings/ZVSignedInObservations.h"
#include "toolkit/dialogs/ZVDialogCells.h"

#include <QtCore/QLatin1StringView>

#include <array>
#include <memory>

class ZVOptionCell;
class ZVRepositorySession;
class ZVUserProfile;

// "Account settings": switches for the account's client flags (avatars, picture and link
// previews, full-size posting, standard menus), kept by the profile and stored on the service.
// A switch writes its own flag alone; a change of the flags from anywhere (another device
// included) sets every switch from the profile again.
class ZVAccountSettingsViewController : public ZVDialogCells {
public:
    static inline const QString kTitle = QStringLiteral("Account settings");

    // An option and the flag it stands for: set when the option is checked, or when it is not
    // (`inverted`).
    struct FlagOption {
        const char* title;
        QLatin1StringView flag;
        bool inverted;
    };
    static constexpr int kOptionCount = 5;
    static const std::array<FlagOption, kOptionCount>& flagOptions();

    explicit ZVAccountSettingsViewController(const std::shared_ptr<ZVRepositorySession>& session);
    ~ZVAccountSettingsViewController() override;

    const std::shared_ptr<ZVUserProfile>& profile() const { return profile_; }
    // In the order of flagOptions().
    const std::array<std::shared_ptr<ZVOptionCell>, kOptionCount>& options() const {
        return options_;
    }

private:
    void refreshOptions();
    void optionChanged(std::size_t index);

    std::shared_ptr<ZVUserProfile> profile_;
    std::array<std::shared_ptr<ZVOptionCell>, kOptionCount> options_;
    // Set while the switches follow the profile: they write nothing then.
    bool refreshing_ = false;
    ZVSignedInObservations observations_;
};
