#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/UserDefaults.h"

#include <QtCore/QDir>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonParseError>
#include <QtCore/QRegularExpression>

#include <algorithm>

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kEventHorizonSetting = u"EventHorizon"_s;
const QString kEventHorizonKey = u"eventHorizon"_s;
const QString kOrderSetting = u"order"_s;

}  // namespace

std::shared_ptr<ZVApiSession> ZVApiSession::create(
    const std::shared_ptr<ZVUserCredentials>& credentials, ZVJsonParser* profiles) {
    return factory<ZVApiSession>()(credentials, profiles);
}

ZVApiSession::ZVApiSession(std::shared_ptr<ZVUserCredentials> credentials)
    : credentials_(std::move(credentials)) {
    eventHorizon_ = integerForKey(kEventHorizonSetting);
}

ZVApiSession::~ZVApiSession() {
    contactSyncTimer_.cancel();
}

void ZVApiSession::initWithProfiles(ZVJsonParser* profiles) {
    profile_ = std::make_shared<ZVUserProfile>(shared_from_this());
    handleProfiles(profiles);
}

void ZVApiSession::handleProfiles(ZVJsonParser* profiles) {
    if (!profiles) {
        return;
    }
    for (qint64 index = 0;; ++index) {
        const QJsonValue profile = profiles->extractObject(
            platform::format(u"profiles[%ld]", index), ZVJsonParser::JsonClass::Dictionary,
            QJsonValue(QJsonValue::Undefined));
        if (!profile.isObject()) {
            break;
        }
        ZVJsonParser record(profile);
        handleContact(record);
    }
}

QString ZVApiSession::sessionId() const {
    return profile_ ? profile_->contactId() : credentials_->uuid();
}

bool ZVApiSession::isAccountId(const QString& id) {
    static const QRegularExpression pattern(
        u"^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$"_s);
    return pattern.match(id).hasMatch();
}

int ZVApiSession::compare(const ZVApiSession& other) const {
    const std::int64_t mine = integerForKey(kOrderSetting);
    const std::int64_t theirs = other.integerForKey(kOrderSetting);
    if (mine == 0 && theirs == 0) {
        const QString name = profile_ ? profile_->localContactName() : QString();
        const QString otherName = other.profile_ ? other.profile_->localContactName() : QString();
        return name.compare(otherName);
    }
    if (mine == 0) {
        return 1;
    }
    if (theirs == 0) {
        return -1;
    }
    return mine > theirs ? 1 : -1;
}

QString ZVApiSession::sessionKey(const QString& name) const {
    return platform::format(u"%@.%@", credentials_->email(), name);
}

std::int64_t ZVApiSession::integerForKey(const QString& name) const {
    return platform::UserDefaults::standard()->integerForKey(sessionKey(name));
}

void ZVApiSession::setInteger(std::int64_t value, const QString& name) {
    platform::UserDefaults::standard()->setInteger(value, sessionKey(name));
}

QString ZVApiSession::stringForKey(const QString& name) const {
    return platform::UserDefaults::standard()->stringForKey(sessionKey(name));
}

void ZVApiSession::setString(const QString& value, const QString& name) {
    platform::UserDefaults::standard()->setString(value, sessionKey(name));
}

bool ZVApiSession::boolForKey(const QString& name) const {
    return integerForKey(name) > 0;
}

void ZVApiSession::setBool(bool value, const QString& name) {
    setInteger(value ? 1 : 0, name);
}

std::optional<QJsonArray> ZVApiSession::arrayForKey(const QString& name) const {
    const QString text = stringForKey(name);
    if (text.isNull()) {
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isArray()) {
        return std::nullopt;
    }
    return document.array();
}

void ZVApiSession::setArray(const std::optional<QJsonArray>& value, const QString& name) {
    setString(
        value ? QString::fromUtf8(QJsonDocument(*value).toJson(QJsonDocument::Compact)) : QString(),
        name);
}

void ZVApiSession::eraseSettings() {
    const auto defaults = platform::UserDefaults::standard();
    const QString prefix = credentials_->email() + u'.';
    const QVariantMap values = defaults->dictionaryRepresentation();
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        // A name holds no full stop: "<e-mail>.x.<name>" is another account's, whose e-mail
        // begins with this one's.
        const QStringView name = QStringView(it.key()).mid(prefix.size());
        if (it.key().startsWith(prefix) && !name.isEmpty() && !name.contains(u'.')) {
            defaults->removeObjectForKey(it.key());
        }
    }
}

void ZVApiSession::sendRequest(const std::shared_ptr<ZVApiRequest>& request) {
    request->setSession(shared_from_this());
    ZVApi::api().sendRequest(request);
}

void ZVApiSession::queueRequest(const std::shared_ptr<ZVApiRequest>& request, const QString& name) {
    request->setSession(shared_from_this());
    ZVApi::api().queueRequest(request, name);
}

std::shared_ptr<ZVApiRequest> ZVApiSession::getPollRequestWait(bool wait) {
    auto request = std::make_shared<ZVApiRequest>(
        u"account/poll"_s,
        QJsonObject{{u"event_horizon"_s, static_cast<qint64>(eventHorizon_)}, {u"wait"_s, wait}});
    request->setSession(shared_from_this());
    return request;
}

void ZVApiSession::setEventHorizon(std::int64_t eventHorizon) {
    willChangeValueForKey(kEventHorizonKey);
    const std::int64_t old = eventHorizon_;
    eventHorizon_ = eventHorizon;
    setInteger(eventHorizon, kEventHorizonSetting);
    didChangeValueForKey(kEventHorizonKey);
    if (eventHorizon >= 1 && old < 0) {
        initialSyncCompleted();
    }
}

ZVErrorPtr ZVApiSession::handleContact(ZVJsonParser& record) {
    const QString accountId = record.extractString(u"account_id");
    if (accountId.isNull()) {
        return nullptr;
    }
    if (profile_ && profile_->isSelf(accountId)) {
        profile_->updateSettings(record);
    }
    if (!changedContacts_) {
        changedContacts_.emplace();
    }
    changedContacts_->insert(accountId);
    if (contactsNeedingSync_) {
        contactsNeedingSync_->remove(accountId);
    }
    return nullptr;
}

ZVErrorPtr ZVApiSession::handleConversation(ZVJsonParser& record) {
    return handleConversation(record, false);
}

ZVErrorPtr ZVApiSession::handleConversation(ZVJsonParser&, bool) {
    return nullptr;
}

ZVErrorPtr ZVApiSession::handleMessage(ZVJsonParser&) {
    return nullptr;
}

ZVErrorPtr ZVApiSession::handleActivity(ZVJsonParser&) {
    return nullptr;
}

ZVErrorPtr ZVApiSession::handleHook(ZVJsonParser&) {
    return nullptr;
}

ZVErrorPtr ZVApiSession::handleTeam(ZVJsonParser&) {
    return nullptr;
}

ZVErrorPtr ZVApiSession::handleFile(ZVJsonParser&) {
    return nullptr;
}

ZVErrorPtr ZVApiSession::handlePreview(ZVJsonParser&) {
    return nullptr;
}

ZVErrorPtr ZVApiSession::handleLock(ZVJsonParser&) {
    return nullptr;
}

ZVErrorPtr ZVApiSession::handleLabel(ZVJsonParser&) {
    return nullptr;
}

ZVErrorPtr ZVApiSession::handleOrganisation(ZVJsonParser&) {
    return nullptr;
}

ZVErrorPtr ZVApiSession::handleOrgMember(ZVJsonParser&) {
    return nullptr;
}

void ZVApiSession::startTransaction() {
    debugMessage_ = QString(u""_s);
}

void ZVApiSession::endTransaction() {
    if (changedContacts_) {
        const QSet<QString> changed = *changedContacts_;
        notifyContactsChanged(changed);
    }
    changedContacts_.reset();
    const std::optional<QString> message = std::exchange(debugMessage_, std::nullopt);
    if (message && !message->isEmpty()) {
        ZVLogError(u"%@", *message);
    }
}

void ZVApiSession::connectionEstablished() {}

void ZVApiSession::initialSyncCompleted() {}

bool ZVApiSession::hasBackgroundTasks() {
    return false;
}

void ZVApiSession::saveContext() {
    platform::UserDefaults::standard()->synchronize();
}

void ZVApiSession::eraseLocalData() {
    const QString id = sessionId();
    // The id came from the service: only an account id may name a folder to delete.
    if (!isAccountId(id)) {
        ZVLogError(u"ZVApiSession::EraseLocalData: %@", u"not an account id"_s);
        return;
    }
    const QString caches = platform::Paths::cachesDirectory();
    if (caches.isEmpty()) {
        return;
    }
    QDir folder(QDir(caches).filePath(id));
    if (folder.exists() && !folder.removeRecursively()) {
        ZVLogError(u"ZVApiSession::EraseLocalData: %@",
                   platform::format(u"cannot remove %@", folder.path()));
    }
}

void ZVApiSession::endSession(EndReason reason) {
    // A second answer asking for a resync, or a second rejected ticket, finds the session gone:
    // acting again would wipe the data of the session that replaced it.
    if (ended_) {
        return;
    }
    ended_ = true;
    const std::shared_ptr<ZVApiSession> self = shared_from_this();
    ZVApi& api = ZVApi::api();
    ZVLogError(u"ZVApiSession::EndSession(%ld)", static_cast<long>(reason));
    const QJsonObject savedProfile = profile_ ? profile_->asDictionary() : QJsonObject();
    const bool wasActive = api.activeSession() == self;

    if (reason == EndReason::Logout) {
        auto logout = std::make_shared<ZVApiRequest>(u"account/logout"_s);
        logout->setTag(ZVApiRequest::TagLogout);
        sendRequest(logout);
    }
    contactsNeedingSync_.reset();
    contactSyncTimer_.cancel();
    api.removeSession(self);

    if (reason == EndReason::Resync) {
        eraseLocalData();
        ZVJsonParser profiles(QJsonObject{{u"profiles"_s, QJsonArray{savedProfile}}});
        api.loginWithCredentials(credentials_, &profiles,
                                 wasActive ? ZVApi::Placement::ResyncOfActiveAccount
                                           : ZVApi::Placement::ResyncOfOtherAccount);
        return;
    }
    if (api.sessions().isEmpty()) {
        api.logout();
    } else {
        eraseSettings();
    }
    credentials_->erase();
    eraseLocalData();
}

bool ZVApiSession::debugLoggingEnabled() const {
    return profile_ && profile_->debugLogging();
}

void ZVApiSession::appendDebugInfo(const QString& text) {
    if (!debugMessage_) {
        ZVLogError(u"%@", text);
        return;
    }
    if (!debugMessage_->isEmpty()) {
        debugMessage_->append(u' ');
    }
    debugMessage_->append(text);
}
