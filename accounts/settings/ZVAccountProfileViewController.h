#pragma once

#include "accounts/settings/ZVSignedInObservations.h"
#include "platform/foundation/TimerGroup.h"
#include "toolkit/dialogs/ZVDialogCells.h"

#include <QtCore/QByteArray>
#include <QtCore/QStringList>
#include <QtCore/QUrl>

#include <memory>

class Contact;
class ZVActionMenu;
class ZVLabelCell;
class ZVMyAvatarCell;
class ZVOptionCell;
class ZVRepositorySession;
class ZVTextFieldCell;
class ZVUserProfile;

// The signed-in user's own profile: the avatar (changed from the camera or the library, or
// deleted), the display name and phone number (sent on "Done" only when changed), the username
// (claimed from here while there is none), the primary and alternate e-mail addresses, and whether
// others see the user's presence.
class ZVAccountProfileViewController : public ZVDialogCells {
public:
    static inline const QString kTitle = QStringLiteral("Account profile");
    static constexpr int kTrackingCategory = 9;
    static constexpr double kClaimDelay = 0.1;
    static inline const QString kClaimText = QStringLiteral("Tap to claim your username");
    static inline const QString kPrivacyTitle = QStringLiteral("Show my presence to others");
    static inline const QString kAvatarFileName = QStringLiteral("Avatar.jpg");
    static inline const QString kDeleteOption = QStringLiteral("delete");
    static inline const QString kDeleteTitle = QStringLiteral("Delete");
    static inline const QString kDeleteConfirmTitle = QStringLiteral("Zelvo");
    static inline const QString kDeleteConfirmMessage = QStringLiteral("Delete profile photo?");
    static inline const QString kNotAPictureTitle = QStringLiteral("Profile photo");
    static inline const QString kNotAPictureMessage =
        QStringLiteral("Please choose a picture for your profile photo.");

    explicit ZVAccountProfileViewController(const std::shared_ptr<ZVRepositorySession>& session);
    ~ZVAccountProfileViewController() override;

    std::shared_ptr<ZVRepositorySession> session() const { return session_.lock(); }
    const std::shared_ptr<ZVMyAvatarCell>& avatar() const { return avatar_; }
    const std::shared_ptr<ZVTextFieldCell>& name() const { return name_; }
    const std::shared_ptr<ZVLabelCell>& zelvoId() const { return zelvoId_; }
    // Null when the account has no e-mail address.
    const std::shared_ptr<ZVLabelCell>& email() const { return email_; }
    const std::shared_ptr<ZVTextFieldCell>& phone() const { return phone_; }
    const std::shared_ptr<ZVOptionCell>& privacy() const { return privacy_; }
    int aliasCellIndex() const { return aliasCellIndex_; }
    // The avatar's menu while it is shown or was last shown.
    std::shared_ptr<ZVActionMenu> avatarMenu() const { return avatarMenu_.lock(); }

    void updateZelvoId();
    void updateAliases();
    void refreshProps();
    void claimZelvoId();
    // The avatar's menu: a photo from the camera or the library, or "Delete" when there is one.
    void changeAvatar();
    // A picked file becomes the avatar once its data is read; anything but a picture is refused.
    void avatarPicked(const QUrl& url);

    void commitEdit() override;
    void cancelEdit() override;
    void didSelectRow(int row) override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

private:
    class ContactWatch;
    void observe();
    void contactsChanged(const QSet<QString>& contactIds);
    void avatarDataRead(const QByteArray& data);
    std::shared_ptr<Contact> localContact() const;

    std::weak_ptr<ZVRepositorySession> session_;
    std::shared_ptr<ZVUserProfile> profile_;
    std::shared_ptr<ZVMyAvatarCell> avatar_;
    std::shared_ptr<ZVTextFieldCell> name_;
    std::shared_ptr<ZVLabelCell> zelvoId_;
    std::shared_ptr<ZVLabelCell> email_;
    QStringList aliases_;
    int aliasCellIndex_ = 0;
    std::shared_ptr<ZVTextFieldCell> phone_;
    std::shared_ptr<ZVOptionCell> privacy_;
    std::weak_ptr<ZVActionMenu> avatarMenu_;
    std::shared_ptr<ContactWatch> contactWatch_;
    // Set while the privacy option follows the profile: it writes nothing then.
    bool following_ = false;
    platform::TimerGroup timers_;
    ZVSignedInObservations observations_;
};
