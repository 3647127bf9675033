#include "ZelvoKit/ZelvoApi/ZVApiSession.h"

#include "ZelvoKit/ZelvoApi/ZVApi.h"
#include "ZelvoKit/ZelvoApi/ZVApiRequest.h"
#include "ZelvoKit/ZelvoApi/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/ZVUserProfile.h"
#include "ZelvoKit/support/ZVErrorLog.h"
#include "platform/foundation/UserDefaults.h"

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kEventHorizonSetting = u"EventHorizon"_s;
const QString kEventHorizonKey = u"eventHorizon"_s;

}  // namespace

std::shared_ptr<ZVApiSession> ZVApiSession::create(
    const std::shared_ptr<ZVUserCredentials>& credentials, ZVJsonParser* profiles) {
    return factory<ZVApiSession>()(credentials, profiles);
}

ZVApiSession::ZVApiSession(std::shared_ptr<ZVUserCredentials> credentials)
    : credentials_(std::move(credentials)) {
    eventHorizon_ = integerForKey(kEventHorizonSetting);
}

ZVApiSession::~ZVApiSession() = default;

void ZVApiSession::initWithProfiles(ZVJsonParser* profiles) {
    profile_ = std::make_shared<ZVUserProfile>(shared_from_this());
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

QString ZVApiSession::sessionKey(const QString& name) const {
    return platform::format(u"%@.%@", credentials_->email(), name);
}

std::int64_t ZVApiSession::integerForKey(const QString& name) const {
    return platform::UserDefaults::standard()->integerForKey(sessionKey(name));
}

void ZVApiSession::setInteger(std::int64_t value, const QString& name) {
    platform::UserDefaults::standard()->setInteger(value, sessionKey(name));
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

ZVErrorPtr ZVApiSession::handleContact(ZVJsonParser&) {
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

void ZVApiSession::endSession(EndReason reason) {
    ZVLogError(u"ZVApiSession::EndSession(%ld)", static_cast<long>(reason));
    ZVApi::api().removeSession(shared_from_this());
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
