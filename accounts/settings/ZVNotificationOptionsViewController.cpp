#include "accounts/settings/ZVNotificationOptionsViewController.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "toolkit/dialogs/ZVOptionCell.h"
#include "toolkit/dialogs/ZVOptionCellGroup.h"

#include <algorithm>

int ZVNotificationOptionsViewController::indexOfInterval(int accountEmailSetting) {
    return std::max(accountEmailSetting - kFirstInterval, 0);
}

QString ZVNotificationOptionsViewController::labelOfIndex(int index) {
    switch (index) {
        case 0:
            return QStringLiteral("hourly");
        case 1:
            return QStringLiteral("daily");
        default:
            return QStringLiteral("off");
    }
}

ZVNotificationOptionsViewController::ZVNotificationOptionsViewController(
    const std::shared_ptr<ZVRepositorySession>& session)
    : profile_(session->profile()) {
    setTitle(kTitle);
    addHeader(QStringLiteral("Email Notifications"));
    intervals_ = std::make_shared<ZVOptionCellGroup>(
        QStringList{QStringLiteral("Once an hour at most"), QStringLiteral("Once a day at most"),
                    QStringLiteral("Do not send email notifications")});
    intervals_->setCheckedIndex(indexOfInterval(profile_->accountEmailSetting()));
    addCell(intervals_);
    addHeader(QStringLiteral("Zelvo notifications"));
    newsletter_ = std::make_shared<ZVOptionCell>();
    newsletter_->setTitle(QStringLiteral("Send me Zelvo news and updates"));
    newsletter_->setBeginsGroup(true);
    newsletter_->setEndsGroup(true);
    newsletter_->setChecked(!profile_->isNewsletterDisabled());
    addCell(newsletter_);

    observations_.add(intervals_->observe(ZVOptionCellGroup::kCheckedIndexKey,
                                          [this](const QString&) { intervalChosen(); }));
    observations_.add(newsletter_->observe(ZVOptionCell::kCheckedKey, [this](const QString&) {
        profile_->setIsNewsletterDisabled(!newsletter_->checked());
    }));
    observations_.add(profile_->observe(QString(ZVUserProfile::AccountEmailSettingKey),
                                        [this](const QString&) { intervalStored(); }));
    observations_.add(profile_->observe(
        QString(ZVUserProfile::IsNewsletterDisabledKey),
        [this](const QString&) { newsletter_->setChecked(!profile_->isNewsletterDisabled()); }));
}

ZVNotificationOptionsViewController::~ZVNotificationOptionsViewController() = default;

void ZVNotificationOptionsViewController::intervalChosen() {
    const int index = intervals_->checkedIndex();
    if (index < 0 || index + kFirstInterval == profile_->accountEmailSetting()) {
        return;
    }
    reportAction(kIntervalAction, labelOfIndex(index));
    profile_->setAccountEmailSetting(index + kFirstInterval);
}

void ZVNotificationOptionsViewController::intervalStored() {
    const int index = indexOfInterval(profile_->accountEmailSetting());
    if (index != intervals_->checkedIndex()) {
        intervals_->setCheckedIndex(index);
    }
}
