#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "ZelvoKit/support/text/ZVEmailInterval.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/UserDefaults.h"

#include <QtCore/QJsonArray>

#include <algorithm>

namespace {

using namespace Qt::Literals::StringLiterals;

QStringList stringsOf(const QJsonArray& array) {
    QStringList strings;
    for (const QJsonValue value : array) {
        if (value.isString()) {
            strings.append(value.toString());
        }
    }
    return strings;
}

QStringList sortedFlags(const QSet<QString>& flags) {
    QStringList list(flags.cbegin(), flags.cend());
    list.sort();
    return list;
}

// An array of the record, or undefined when absent or not an array.
QJsonValue arrayAt(ZVJsonParser& record, QStringView path) {
    return record.extractObject(path, ZVJsonParser::JsonClass::Array,
                                QJsonValue(QJsonValue::Undefined));
}

}  // namespace

ZVUserProfile::ZVUserProfile(const std::shared_ptr<ZVApiSession>& session)
    : session_(session), contactId_(session->credentials()->uuid()) {
    accountEmailSetting_ = static_cast<int>(session->integerForKey(AccountEmailSettingSetting));
    isFullPrivacy_ = session->boolForKey(IsFullPrivacySetting);
    isNewsletterDisabled_ = session->boolForKey(IsNewsletterDisabledSetting);
    localContactName_ = session->stringForKey(LocalContactNameSetting);
    connectedEmail_ = session->stringForKey(ConnectedEmailSetting);
    if (const auto flags = session->arrayForKey(ClientFlagsSetting)) {
        const QStringList names = stringsOf(*flags);
        clientFlags_ = QSet<QString>(names.cbegin(), names.cend());
    }
    if (const auto aliases = session->arrayForKey(AliasesSetting)) {
        aliases_ = stringsOf(*aliases);
    }
    zelvoId_ = session->stringForKey(ZelvoIdSetting);
}

// --- the account's contact record ---

void ZVUserProfile::updateSettings(ZVJsonParser& record) {
    const auto session = session_.lock();
    if (!session) {
        return;
    }
    const QJsonValue aliases = arrayAt(record, u"alias_account_ids");
    if (aliases.isArray()) {
        changeValueForKey(AliasesKey, [&] { aliases_ = stringsOf(aliases.toArray()); });
        session->setArray(QJsonArray::fromStringList(*aliases_), AliasesSetting);
    }
    const int interval = record.extractEnum(u"mk_email_interval", ZVEmailInterval::table(), 0);
    if (interval != ZVEmailInterval::Unset) {
        changeValueForKey(AccountEmailSettingKey, [&] { accountEmailSetting_ = interval; });
        session->setInteger(interval, AccountEmailSettingSetting);
    }
    const QJsonValue flags = arrayAt(record, u"client_flags");
    if (flags.isArray()) {
        const QStringList names = stringsOf(flags.toArray());
        changeValueForKey(ClientFlagsKey,
                          [&] { clientFlags_ = QSet<QString>(names.cbegin(), names.cend()); });
        saveClientFlags();
    }
    const bool fullPrivacy = record.extractBool(u"is_full_privacy", isFullPrivacy_);
    if (fullPrivacy != isFullPrivacy_) {
        changeValueForKey(IsFullPrivacyKey, [&] { isFullPrivacy_ = fullPrivacy; });
        session->setBool(fullPrivacy, IsFullPrivacySetting);
    }
    const bool newsletterDisabled =
        record.extractBool(u"is_newsletter_disabled", isNewsletterDisabled_);
    if (newsletterDisabled != isNewsletterDisabled_) {
        changeValueForKey(IsNewsletterDisabledKey,
                          [&] { isNewsletterDisabled_ = newsletterDisabled; });
        session->setBool(newsletterDisabled, IsNewsletterDisabledSetting);
    }
    const QString zelvoId = record.extractString(u"zelvo_address", zelvoId_);
    if (zelvoId_.isNull() || zelvoId != zelvoId_) {
        changeValueForKey(ZelvoIdKey, [&] { zelvoId_ = zelvoId; });
        session->setString(zelvoId_, ZelvoIdSetting);
    }
    const QString displayName = record.extractString(u"display_name", u""_s);
    if (localContactName_.isNull() || displayName != localContactName_) {
        changeValueForKey(LocalContactNameKey, [&] { localContactName_ = displayName; });
        session->setString(localContactName_, LocalContactNameSetting);
    }
    const QString connectedEmail = record.extractString(u"connected_email", QString());
    if (!connectedEmail.isNull()) {
        changeValueForKey(ConnectedEmailKey, [&] { connectedEmail_ = connectedEmail; });
        session->setString(connectedEmail_, ConnectedEmailSetting);
    }
}

QJsonObject ZVUserProfile::asDictionary() const {
    const auto session = session_.lock();
    const QString interval = ZVEmailInterval::wordOf(accountEmailSetting_);
    QJsonObject dictionary{
        {u"account_id"_s, contactId_},
        {u"email"_s, session ? session->credentials()->email() : QString()},
        {u"mk_email_interval"_s, interval.isNull() ? u""_s : interval},
        {u"display_name"_s, localContactName_.isNull() ? u""_s : localContactName_},
    };
    if (clientFlags_) {
        dictionary.insert(u"client_flags"_s,
                          QJsonArray::fromStringList(sortedFlags(*clientFlags_)));
    }
    if (aliases_) {
        dictionary.insert(u"alias_account_ids"_s, QJsonArray::fromStringList(*aliases_));
    }
    if (!zelvoId_.isNull()) {
        dictionary.insert(u"zelvo_address"_s, zelvoId_);
    }
    return dictionary;
}

void ZVUserProfile::notifyContactsChanged(const QSet<QString>& contactIds) {
    if (!aliases_) {
        return;
    }
    const bool anyAlias = std::ranges::any_of(
        *aliases_, [&](const QString& alias) { return contactIds.contains(alias); });
    if (anyAlias) {
        changeValueForKey(AliasesKey);
    }
}

// --- settings sent to the service ---

void ZVUserProfile::send(const std::shared_ptr<ZVApiRequest>& request) {
    if (const auto session = session_.lock()) {
        session->sendRequest(request);
    }
}

void ZVUserProfile::sendConfiguration(const QJsonObject& arguments) {
    send(std::make_shared<ZVApiRequest>(u"account/configure"_s, arguments));
}

void ZVUserProfile::setAccountEmailSetting(int interval) {
    const auto session = session_.lock();
    if (interval == accountEmailSetting_ || !session) {
        return;
    }
    accountEmailSetting_ = interval;
    session->setInteger(interval, AccountEmailSettingSetting);
    const QString word = ZVEmailInterval::wordOf(interval);
    if (interval != ZVEmailInterval::Unset && !word.isNull()) {
        sendConfiguration({{u"email_interval"_s, word}});
    }
}

void ZVUserProfile::setIsFullPrivacy(bool fullPrivacy) {
    const auto session = session_.lock();
    if (fullPrivacy == isFullPrivacy_ || !session) {
        return;
    }
    changeValueForKey(IsFullPrivacyKey, [&] { isFullPrivacy_ = fullPrivacy; });
    session->setBool(fullPrivacy, IsFullPrivacySetting);
    sendConfiguration({{u"is_full_privacy"_s, fullPrivacy}});
}

void ZVUserProfile::setIsNewsletterDisabled(bool disabled) {
    const auto session = session_.lock();
    if (disabled == isNewsletterDisabled_ || !session) {
        return;
    }
    changeValueForKey(IsNewsletterDisabledKey, [&] { isNewsletterDisabled_ = disabled; });
    session->setBool(disabled, IsNewsletterDisabledSetting);
    sendConfiguration({{u"is_newsletter_disabled"_s, disabled}});
}

bool ZVUserProfile::isClientFlagSet(const QString& flag) const {
    return clientFlags_ && clientFlags_->contains(flag);
}

void ZVUserProfile::setClientFlag(const QString& flag, bool value) {
    if (isClientFlagSet(flag) == value) {
        return;
    }
    changeValueForKey(ClientFlagsKey, [&] {
        if (!clientFlags_) {
            clientFlags_.emplace();
        }
        if (value) {
            clientFlags_->insert(flag);
        } else {
            clientFlags_->remove(flag);
        }
    });
    saveClientFlags();
    send(std::make_shared<ZVApiRequest>(
        u"account/set_flag"_s, QJsonObject{{u"client_flag"_s, flag}, {u"bool_value"_s, value}}));
}

void ZVUserProfile::saveClientFlags() {
    if (const auto session = session_.lock()) {
        session->setArray(
            QJsonArray::fromStringList(sortedFlags(clientFlags_.value_or(QSet<QString>()))),
            ClientFlagsSetting);
    }
}

// --- the account's addresses ---

QString ZVUserProfile::mainIdentifier() const {
    if (!connectedEmail_.isEmpty()) {
        return connectedEmail_;
    }
    if (!zelvoId_.isEmpty()) {
        return platform::format(u"%@@%@", zelvoId_, ZVApi::api().baseURL().host());
    }
    const auto session = session_.lock();
    return session ? session->credentials()->email() : QString();
}

bool ZVUserProfile::shouldClaimZelvoId() const {
    if (!zelvoId_.isEmpty()) {
        return false;
    }
    const double postponed =
        platform::UserDefaults::standard()->doubleForKey(ZelvoIdClaimPostponedKey);
    return platform::Scheduler::main().now() - postponed > kZelvoIdClaimPostponement;
}

void ZVUserProfile::postponeZelvoIdClaim() {
    // Seconds with their fraction: a single-precision value would be off by minutes.
    const auto defaults = platform::UserDefaults::standard();
    defaults->setDouble(platform::Scheduler::main().now(), ZelvoIdClaimPostponedKey);
    defaults->synchronize();
}

std::optional<QStringList> ZVUserProfile::suggestedZelvoIds() {
    if (suggestedZelvoIds_) {
        return suggestedZelvoIds_;
    }
    const auto session = session_.lock();
    if (!session) {
        return std::nullopt;
    }
    // Screens ask on every redraw: one question at a time.
    const auto running = suggestionRequest_.lock();
    const auto& pending = ZVApi::api().pendingRequests();
    if (running && std::ranges::find(pending, running) != pending.end()) {
        return std::nullopt;
    }
    auto request = std::make_shared<ZVApiRequest>(
        u"zelvo_address/suggest"_s,
        QJsonObject{{u"ignore_list"_s, QJsonArray()}, {u"test_list"_s, QJsonArray()}});
    const std::weak_ptr<ZVApiSession> weak = session;
    request->setHandler([weak](ZVJsonParser& answer) -> ZVErrorPtr {
        const QJsonValue suggestions =
            answer.extractObject(u"suggestions", ZVJsonParser::JsonClass::Array);
        const auto owner = weak.lock();
        if (suggestions.isArray() && owner) {
            const std::shared_ptr<ZVUserProfile> profile = owner->profile();
            profile->changeValueForKey(SuggestedZelvoIdsKey, [&] {
                profile->suggestedZelvoIds_ = stringsOf(suggestions.toArray());
            });
        }
        return answer.error();
    });
    suggestionRequest_ = request;
    session->sendRequest(request);
    return std::nullopt;
}

void ZVUserProfile::claimZelvoId(const QString& zelvoId, std::function<void()> onSuccess,
                                 ErrorBlock onError) {
    const auto session = session_.lock();
    if (!session) {
        return;
    }
    auto request = std::make_shared<ZVApiRequest>(u"zelvo_address/add"_s,
                                                  QJsonObject{{u"zelvo_address"_s, zelvoId}});
    const std::weak_ptr<ZVApiSession> weak = session;
    request->setHandler([weak](ZVJsonParser& answer) -> ZVErrorPtr {
        const auto owner = weak.lock();
        return owner ? owner->handleContact(answer) : nullptr;
    });
    request->setSuccessHandler([weak, zelvoId, onSuccess = std::move(onSuccess)] {
        if (const auto owner = weak.lock()) {
            const std::shared_ptr<ZVUserProfile> profile = owner->profile();
            profile->changeValueForKey(ZelvoIdKey, [&] { profile->zelvoId_ = zelvoId; });
            owner->setString(zelvoId, ZelvoIdSetting);
        }
        if (onSuccess) {
            onSuccess();
        }
    });
    request->setErrorHandler(std::move(onError));
    session->sendRequest(request);
}

// --- diagnostics ---

const QSet<QString>& ZVUserProfile::diagnosticAccountIds() {
    static const QSet<QString> ids{QStringLiteral("5e1f0c1d-9a0b-4d6e-8f3a-d1a6d1a6d1a6")};
    return ids;
}

bool ZVUserProfile::debugLogging() const {
    for (const QString& id : diagnosticAccountIds()) {
        if (isSelf(id)) {
            return true;
        }
    }
    return false;
}
