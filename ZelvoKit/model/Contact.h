#pragma once

#include "ZelvoKit/model/ZVManagedObject.h"
#include "ZelvoKit/support/base/ZVError.h"

#include <QtCore/QDateTime>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <memory>
#include <optional>

class ZVRepositorySession;

// A person the account knows, the account itself included, as the service's contact records
// describe them. The only one of the small entities that sends changes back: a renamed or hidden
// contact is committed through its session at once. Derived names and avatar URLs are recomputed
// whenever the contact reads a record or is fetched.
class Contact : public ZVManagedObject {
public:
    using ZVManagedObject::setField;

    static constexpr QLatin1StringView kEntityName{"Contact"};
    enum Field : int { FieldName = 0, FieldHidden = 1 };

    explicit Contact(const platform::EntityDescription& entity);

    static void describeAttributes(platform::EntityDescription& entity);

    // --- stored ---

    QString accountId() const { return stringValue(accountId_); }
    QString displayNameValue() const { return stringValue(displayName_); }
    QString email() const { return stringValue(email_); }
    std::optional<int> accountStatus() const;
    bool isHiddenForAdd() const { return boolValue(hidden_); }
    QString avatarUrlsText() const { return stringValue(avatarUrls_); }
    QDateTime activityTime() const { return dateValue(activityTime_); }
    QString dialogId() const { return stringValue(dialogId_); }
    QString phoneNr() const { return stringValue(phoneNr_); }
    QString zelvoAddress() const { return stringValue(zelvoAddress_); }
    QString organisationId() const { return stringValue(organisationId_); }

    // For contacts the session makes itself (placeholders); records go through deserialize.
    void setAccountId(const QString& id) { setString(accountId_, id); }
    void setEmail(const QString& email) { setString(email_, email); }
    void setAccountStatus(int status) { setInteger(accountStatus_, status); }
    void setHiddenForAdd(bool hidden) { setBool(hidden_, hidden); }

    // --- derived ---

    const QString& displayName() const { return displayNameDerived_; }
    const QString& initials() const { return initials_; }
    const QString& friendlyEmail() const { return friendlyEmail_; }
    const QString& smallAvatarURL() const { return smallAvatarURL_; }
    const QString& largeAvatarURL() const { return largeAvatarURL_; }
    const QStringList& suggestedFriendlyNames() const { return suggestedFriendlyNames_; }
    QString shortName() const;
    QString displayNameWithYou() const;
    QString friendlyZelvoId() const;
    bool isZelvoContact() const;
    bool isLocalContact() const;
    QString lastSeenText() const;

    // --- the entity base ---

    const QStringList& keyFields() const override;
    QString guid() const override { return accountId(); }
    std::shared_ptr<ZVApiRequest> getSyncRequestForField(int field) override;
    void setField(int field, bool dirty) override;
    void awakeFromFetch() override;

    // Reads a contact record; returns the parser's error.
    ZVErrorPtr deserializeFromJson(ZVJsonParser& parser);

    // --- local changes ---

    // Renames the contact; sent to the service unless it is the account's own.
    void setName(const QString& name);
    // The account's own number, shown at once; the profile screen sends it to the service.
    void setPhoneNr(const QString& phoneNr);
    void hideContact();
    // Asks the service for the contact's record again.
    void refreshData();

    QString desc() const;

private:
    std::shared_ptr<ZVRepositorySession> repositorySession() const;
    void updateAvatars();
    void updateNames();
    void updateFriendlyNames();

    int accountId_;
    int displayName_;
    int email_;
    int accountStatus_;
    int hidden_;
    int avatarUrls_;
    int activityTime_;
    int dialogId_;
    int dialogListed_;
    int phoneNr_;
    int zelvoAddress_;
    int organisationId_;

    QString displayNameDerived_;
    QString initials_;
    QString friendlyEmail_;
    QString smallAvatarURL_;
    QString largeAvatarURL_;
    QStringList suggestedFriendlyNames_;
};
