#pragma once

#include "accounts/settings/ZVSignedInObservations.h"
#include "toolkit/dialogs/ZVDialogCells.h"

#include <memory>

class ZVOptionCell;
class ZVOptionCellGroup;
class ZVRepositorySession;
class ZVUserProfile;

// "Notifications": how often the service mails about unread messages (hourly, daily, never) and
// whether it sends its news, both kept by the account's profile and stored on the service.
class ZVNotificationOptionsViewController : public ZVDialogCells {
public:
    static inline const QString kTitle = QStringLiteral("Notifications");
    static inline const QString kIntervalAction = QStringLiteral("Change email interval");
    // The radio group's first option stands for this interval number.
    static constexpr int kFirstInterval = 2;

    // The option of a stored interval: the service default and an unknown one show as hourly.
    static int indexOfInterval(int accountEmailSetting);
    // The analytics label of an option.
    static QString labelOfIndex(int index);

    explicit ZVNotificationOptionsViewController(
        const std::shared_ptr<ZVRepositorySession>& session);
    ~ZVNotificationOptionsViewController() override;

    const std::shared_ptr<ZVUserProfile>& profile() const { return profile_; }
    const std::shared_ptr<ZVOptionCellGroup>& intervals() const { return intervals_; }
    const std::shared_ptr<ZVOptionCell>& newsletter() const { return newsletter_; }

private:
    void intervalChosen();
    void intervalStored();

    std::shared_ptr<ZVUserProfile> profile_;
    std::shared_ptr<ZVOptionCellGroup> intervals_;
    std::shared_ptr<ZVOptionCell> newsletter_;
    ZVSignedInObservations observations_;
};
