#pragma once

#include "ZelvoKit/support/base/ZVError.h"
#include "platform/foundation/Observable.h"

#include <QtCore/QJsonObject>
#include <QtCore/QLatin1StringView>
#include <QtCore/QSet>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <functional>
#include <memory>
#include <optional>

class ZVApiRequest;
class ZVApiSession;
class ZVJsonParser;

// The signed-in account's own profile as the service knows it: display name, connected e-mail,
// username on the service's host, aliases, e-mail interval, privacy and newsletter choices, and the
// client flags. Fed by the account's own contact record, kept in the account's settings between
// launches, and observed by the settings screens. A setting changed here is applied locally at
// once and sent to the service without waiting; the next contact record brings the service's
// value back if the change failed.
//
// Every change is announced by hand under the key named with it. Created by its account's session
// and living as long as it. Main thread only.
class ZVUserProfile : public platform::Observable {
public:
    // Published keys.
    static constexpr QLatin1StringView AccountEmailSettingKey{"accountEmailSetting"};
    static constexpr QLatin1StringView IsFullPrivacyKey{"isFullPrivacy"};
    static constexpr QLatin1StringView IsNewsletterDisabledKey{"isNewsletterDisabled"};
    static constexpr QLatin1StringView LocalContactNameKey{"localContactName"};
    static constexpr QLatin1StringView ConnectedEmailKey{"connectedEmail"};
    static constexpr QLatin1StringView ClientFlagsKey{"clientFlags"};
    static constexpr QLatin1StringView AliasesKey{"aliases"};
    static constexpr QLatin1StringView ZelvoIdKey{"zelvoId"};
    static constexpr QLatin1StringView SuggestedZelvoIdsKey{"suggestedZelvoIds"};

    // The account's settings (see ZVApiSession::sessionKey()).
    static constexpr QLatin1StringView AccountEmailSettingSetting{"AccountEmailSetting"};
    static constexpr QLatin1StringView IsFullPrivacySetting{"IsFullPrivacy"};
    static constexpr QLatin1StringView IsNewsletterDisabledSetting{"IsNewsletterDisabled"};
    static constexpr QLatin1StringView LocalContactNameSetting{"LocalContactName"};
    static constexpr QLatin1StringView ConnectedEmailSetting{"ConnectedEmail"};
    static constexpr QLatin1StringView ClientFlagsSetting{"ClientFlags"};
    static constexpr QLatin1StringView AliasesSetting{"aliases"};
    static constexpr QLatin1StringView ZelvoIdSetting{"zelvoId"};
    // Standard-defaults key, for all accounts: when the user last put off claiming a username.
    static constexpr QLatin1StringView ZelvoIdClaimPostponedKey{"ZelvoIdClaimPostponed"};

    // The client flags: switches the service keeps per account for the clients to read.
    static constexpr QLatin1StringView NoAvatarInFlowFlag{"no_avatar_in_flow_mobile"};
    static constexpr QLatin1StringView NoInlineImagesFlag{"no_inline_images_mobile"};
    static constexpr QLatin1StringView NoResizePostedImagesFlag{"no_resize_posted_images_mobile"};
    static constexpr QLatin1StringView HideUrlPreviewsFlag{"hide_url_previews_mobile"};
    static constexpr QLatin1StringView StandardUiFlag{"standard_ui_mobile"};
    static constexpr QLatin1StringView SortByUnreadFlag{"sort_conversations_by_unread_state"};
    static constexpr QLatin1StringView OldEmoticonsFlag{"emoticons_old"};
    static constexpr QLatin1StringView LargeEmoticonsDisabledFlag{"large_emoticons_disabled"};

    // A username claim put off is offered again after this long.
    static constexpr double kZelvoIdClaimPostponement = 7 * 24 * 60 * 60;

    using ErrorBlock = std::function<void(const ZVErrorPtr& error)>;

    // Takes the contact id from the session's credentials and the rest from the account's saved
    // settings.
    explicit ZVUserProfile(const std::shared_ptr<ZVApiSession>& session);

    std::shared_ptr<ZVApiSession> session() const { return session_.lock(); }
    const QString& contactId() const { return contactId_; }
    bool isSelf(const QString& accountId) const { return accountId == contactId_; }

    // Takes what the account's own contact record says, field by field; absent fields leave their
    // values as they are.
    void updateSettings(ZVJsonParser& record);
    // The profile in the form of the account's contact record, so that updateSettings() reads it
    // back.
    QJsonObject asDictionary() const;
    // Alias names are drawn from their contacts: a change of one is announced as "aliases".
    void notifyContactsChanged(const QSet<QString>& contactIds);

    // One of ZVEmailInterval's numbers; Unset until known.
    int accountEmailSetting() const { return accountEmailSetting_; }
    void setAccountEmailSetting(int interval);
    bool isFullPrivacy() const { return isFullPrivacy_; }
    void setIsFullPrivacy(bool fullPrivacy);
    bool isNewsletterDisabled() const { return isNewsletterDisabled_; }
    void setIsNewsletterDisabled(bool disabled);
    // Null until known.
    const QString& localContactName() const { return localContactName_; }
    const QString& connectedEmail() const { return connectedEmail_; }
    const std::optional<QStringList>& aliases() const { return aliases_; }
    // Null until known.
    const QString& zelvoId() const { return zelvoId_; }

    // None until the service has named them.
    const std::optional<QSet<QString>>& clientFlags() const { return clientFlags_; }
    bool isClientFlagSet(const QString& flag) const;
    void setClientFlag(const QString& flag, bool value);
    bool avatarsEnabled() const { return !isClientFlagSet(NoAvatarInFlowFlag); }
    bool filePreviewsEnabled() const { return !isClientFlagSet(NoInlineImagesFlag); }
    bool sortUnreadFirst() const { return isClientFlagSet(SortByUnreadFlag); }

    // The address to show for the account: the connected e-mail, else the username on the
    // service's host, else the sign-in e-mail.
    QString mainIdentifier() const;
    bool shouldClaimZelvoId() const;
    void postponeZelvoIdClaim();
    // The usernames the service suggests; none while they are being asked for.
    std::optional<QStringList> suggestedZelvoIds();
    void claimZelvoId(const QString& zelvoId, std::function<void()> onSuccess, ErrorBlock onError);

    // Accounts whose requests and stream positions are written to the error log, to diagnose
    // synchronisation problems reported by their owners.
    static const QSet<QString>& diagnosticAccountIds();
    bool debugLogging() const;

private:
    void send(const std::shared_ptr<ZVApiRequest>& request);
    void sendConfiguration(const QJsonObject& arguments);
    void saveClientFlags();

    std::weak_ptr<ZVApiSession> session_;
    QString contactId_;
    int accountEmailSetting_ = 0;
    bool isFullPrivacy_ = false;
    bool isNewsletterDisabled_ = false;
    QString localContactName_;
    QString connectedEmail_;
    std::optional<QSet<QString>> clientFlags_;
    std::optional<QStringList> aliases_;
    QString zelvoId_;
    std::optional<QStringList> suggestedZelvoIds_;
    std::weak_ptr<ZVApiRequest> suggestionRequest_;
};
