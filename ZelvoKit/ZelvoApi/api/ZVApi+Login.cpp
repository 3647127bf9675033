#include "ZelvoKit/ZelvoApi/api/ZVApi.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiStats.h"
#include "ZelvoKit/ZelvoApi/api/ZVLoginRequest.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/UserDefaults.h"

#include <QtCore/QJsonArray>

#include <algorithm>

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kOrderSetting = u"order"_s;

// A block that calls `block` when there is one.
ZVApiRequest::SuccessHandler orNothing(ZVApi::Block block) {
    return [block = std::move(block)] {
        if (block) {
            block();
        }
    };
}

}  // namespace

// --- the accounts' order ---

std::vector<std::shared_ptr<ZVApiSession>> ZVApi::orderedSessions() const {
    std::vector<std::shared_ptr<ZVApiSession>> ordered(sessions_.cbegin(), sessions_.cend());
    // Two accounts of equal place each claim to come first; sorting needs a strict order, so such
    // a pair keeps the sessions table's order.
    std::ranges::stable_sort(ordered, [](const auto& a, const auto& b) {
        return a->compare(*b) < 0 && b->compare(*a) > 0;
    });
    return ordered;
}

void ZVApi::orderSession(const std::shared_ptr<ZVApiSession>& session,
                         const std::shared_ptr<ZVApiSession>& other) {
    if (!session || !other || session == other) {
        return;
    }
    if (other->integerForKey(kOrderSetting) == 0) {
        other->setInteger(sessions_.size(), kOrderSetting);
    }
    const std::int64_t place = other->integerForKey(kOrderSetting) + 1;
    session->setInteger(place, kOrderSetting);
    const Sessions sessions = sessions_;
    for (const auto& further : sessions) {
        if (further != session && further != other &&
            further->integerForKey(kOrderSetting) == place) {
            orderSession(further, session);
        }
    }
}

// --- saved accounts ---

void ZVApi::loginWithSavedCredentials() {
    const auto defaults = platform::UserDefaults::standard();
    if (defaults->objectForKey(AccountsDefaultsKey).isValid()) {
        for (const QVariant& entry :
             defaults->arrayForKey(AccountsDefaultsKey).value_or(QVariantList())) {
            if (entry.typeId() != QMetaType::QString) {
                continue;
            }
            const auto credentials = ZVUserCredentials::withUserEmail(entry.toString());
            if (!credentials->valid() || !ZVApiSession::isAccountId(credentials->uuid()) ||
                sessions_.contains(credentials->uuid())) {
                continue;
            }
            createSessionWithCredentials(credentials, nullptr);
        }
    } else {
        const auto credentials = ZVUserCredentials::savedSingleAccount();
        if (credentials->valid() && ZVApiSession::isAccountId(credentials->uuid()) &&
            !sessions_.contains(credentials->uuid())) {
            if (const auto session = createSessionWithCredentials(credentials, nullptr)) {
                credentials->save();
                saveSessions();
                session->synchronizeContactWithId(credentials->uuid());
            }
        }
    }
    if (sessions_.isEmpty()) {
        return;
    }
    const QString active = defaults->stringForKey(ActiveSessionDefaultsKey);
    // The screens read it when the login status changes.
    activeSession_ = sessions_.contains(active) ? sessions_.value(active) : sessions_.last();
    login();
    startLongPoll();
}

// --- sign-in calls ---

void ZVApi::sendLoginRequest(const std::shared_ptr<ZVLoginRequest>& request, bool signingIn,
                             Block onSuccess, ErrorBlock onError) {
    const std::weak_ptr<ZVApi> weak = weak_from_this();
    const std::shared_ptr<ZVUserCredentials> credentials = request->credentials();
    request->setHandler([weak, credentials](ZVJsonParser& answer) -> ZVErrorPtr {
        const auto api = weak.lock();
        return api ? api->handleLoginResponse(answer, credentials) : nullptr;
    });
    if (signingIn) {
        request->setErrorHandler([weak](const ZVErrorPtr& error) {
            if (const auto api = weak.lock()) {
                api->handleLoginError(error);
            }
        });
        setLoginStatus(sessions_.isEmpty() ? LoginStatusSigningIn : LoginStatusSigningInFurther);
    } else {
        request->setSuccessHandler(orNothing(std::move(onSuccess)));
        request->setErrorHandler(std::move(onError));
    }
    sendRequest(request);
}

void ZVApi::loginWithEmail(const QString& email, const QString& password) {
    auto credentials = std::make_shared<ZVUserCredentials>(email);
    sendLoginRequest(
        std::make_shared<ZVLoginRequest>(
            u"account/login"_s,
            QJsonObject{{u"email"_s, email}, {u"password"_s, password}, {u"remember_me"_s, true}},
            credentials),
        true, {}, {});
}

void ZVApi::loginWithNotificationId(const QString& notificationId) {
    // The answer names the account's e-mail.
    auto credentials = std::make_shared<ZVUserCredentials>(u""_s);
    sendLoginRequest(
        std::make_shared<ZVLoginRequest>(
            u"account/confirm"_s, QJsonObject{{u"notification_id"_s, notificationId}}, credentials),
        true, {}, {});
}

void ZVApi::registerNotificationId(const QString& notificationId, const QString& email,
                                   const QString& fullName, const QString& password,
                                   const QString& username, Block onSuccess, ErrorBlock onError) {
    auto credentials = std::make_shared<ZVUserCredentials>(email);
    sendLoginRequest(std::make_shared<ZVLoginRequest>(u"account/confirm/v2"_s,
                                                      QJsonObject{
                                                          {u"notification_id"_s, notificationId},
                                                          {u"display_name"_s, fullName},
                                                          {u"password"_s, password},
                                                          {u"zelvo_address"_s, username},
                                                      },
                                                      credentials),
                     false, std::move(onSuccess), std::move(onError));
}

void ZVApi::registerEmail(const QString& email, Block onSuccess, ErrorBlock onError) {
    auto request =
        std::make_shared<ZVApiRequest>(u"account/register/v2"_s, QJsonObject{{u"email"_s, email}});
    request->setSuccessHandler(orNothing(std::move(onSuccess)));
    request->setErrorHandler(std::move(onError));
    sendRequest(request);
}

void ZVApi::submitRegistrationCode(const QString& code, const QString& email,
                                   RegistrationBlock onSuccess, ErrorBlock onError) {
    auto request = std::make_shared<ZVApiRequest>(
        u"account/prepare/v2"_s,
        QJsonObject{{u"registration_code"_s, code}, {u"registration_mail"_s, email}});
    struct Prepared {
        QString notificationId;
        QString suggestion;
    };
    const auto prepared = std::make_shared<Prepared>();
    request->setHandler([prepared](ZVJsonParser& answer) -> ZVErrorPtr {
        // Without the id the sign-up cannot be completed: that is a failure, not a success.
        prepared->notificationId = answer.extractString(u"notification_id");
        prepared->suggestion = answer.extractString(u"suggestions[0]", QString());
        return answer.error();
    });
    request->setSuccessHandler([prepared, onSuccess = std::move(onSuccess)] {
        if (onSuccess) {
            onSuccess(prepared->notificationId, prepared->suggestion);
        }
    });
    request->setErrorHandler(std::move(onError));
    sendRequest(request);
}

void ZVApi::resetPassword(const QString& email, Block onSuccess, ErrorBlock onError) {
    auto request = std::make_shared<ZVApiRequest>(u"account/reset_password"_s,
                                                  QJsonObject{{u"email"_s, email}});
    request->setSuccessHandler(orNothing(std::move(onSuccess)));
    request->setErrorHandler(std::move(onError));
    sendRequest(request);
}

void ZVApi::registerUserId(const QString& userId, const QString& fullName, const QString& password,
                           Block onSuccess, ErrorBlock onError) {
    auto request = std::make_shared<ZVApiRequest>(
        u"account/register"_s,
        QJsonObject{
            {u"email"_s, userId}, {u"display_name"_s, fullName}, {u"password"_s, password}});
    request->setSuccessHandler(orNothing(std::move(onSuccess)));
    request->setErrorHandler(std::move(onError));
    sendRequest(request);
}

// --- sign-in answers ---

ZVErrorPtr ZVApi::handleLoginResponse(ZVJsonParser& answer,
                                      const std::shared_ptr<ZVUserCredentials>& credentials) {
    const QString ticket = answer.extractString(u"ticket");
    const QString accountId = answer.extractString(u"account_id");
    QString profileEmail;
    for (qint64 index = 0;; ++index) {
        const QJsonValue id =
            answer.extractValue(platform::format(u"profiles[%ld]/account_id", index), false,
                                ZVJsonParser::JsonClass::Any);
        if (id.isUndefined()) {
            break;
        }
        if (id.isString() && id.toString() == accountId) {
            profileEmail =
                answer.extractString(platform::format(u"profiles[%ld]/email", index), QString());
        }
    }
    if (answer.error()) {
        return answer.error();
    }
    if (!credentials) {
        return ZVError::errorWithCode(ZVError::InvalidData);
    }
    if (credentials->email().isEmpty()) {
        credentials->setEmail(profileEmail);
    }
    credentials->setTicket(ticket);
    credentials->setUuid(accountId);
    // The account id names the account's folders and the e-mail keys its settings and keychain
    // record: neither may be anything else.
    if (!credentials->valid() || credentials->email().isEmpty() ||
        !ZVApiSession::isAccountId(accountId)) {
        return ZVError::errorWithCode(ZVError::InvalidData);
    }
    loginWithCredentials(credentials, &answer);
    if (loginStatus_ != LoginStatusSignedIn) {
        setLoginStatus(sessions_.isEmpty() ? LoginStatusSignedOut : LoginStatusSignedIn);
    }
    return nullptr;
}

void ZVApi::handleLoginError(const ZVErrorPtr& error) {
    changeValueForKey(LoginErrorKey, [&] { loginError_ = error; });
    if (onLoginError_) {
        const ErrorBlock block = onLoginError_;
        block(error);
    }
    setLoginStatus(sessions_.isEmpty() ? LoginStatusSignedOut : LoginStatusSignedIn);
}

std::shared_ptr<ZVApiSession> ZVApi::loginWithCredentials(
    const std::shared_ptr<ZVUserCredentials>& credentials, ZVJsonParser* profiles,
    Placement placement) {
    for (const auto& session : sessions_) {
        if (session->profile() && session->profile()->contactId() == credentials->uuid()) {
            handleLoginError(ZVError::errorWithCode(ZVError::AlreadySignedIn));
            return nullptr;
        }
    }
    if (!ZVApiSession::isAccountId(credentials->uuid()) || credentials->email().isEmpty()) {
        handleLoginError(ZVError::errorWithCode(ZVError::InvalidData));
        return nullptr;
    }
    const std::shared_ptr<ZVApiSession> session =
        createSessionWithCredentials(credentials, profiles);
    if (!session) {
        return nullptr;
    }
    if (placement == Placement::SignIn) {
        session->setInteger(sessions_.size(), kOrderSetting);
    }
    credentials->save();
    saveSessions();
    if (sessions_.size() == 1 && loginStatus_ < LoginStatusSignedIn) {
        activeSession_ = session;
        platform::UserDefaults::standard()->setString(session->sessionId(),
                                                      ActiveSessionDefaultsKey);
        login();
    }
    startLongPoll();
    if (onSessionStart_) {
        const SessionBlock block = onSessionStart_;
        block(session);
    }
    if (placement != Placement::ResyncOfOtherAccount) {
        setActiveSession(session);
    }
    return session;
}

// --- signing out ---

void ZVApi::saveSessions() {
    QStringList emails;
    for (const auto& session : sessions_) {
        emails.append(session->credentials()->email());
    }
    const auto defaults = platform::UserDefaults::standard();
    defaults->setObject(emails, AccountsDefaultsKey);
    defaults->synchronize();
}

void ZVApi::logout() {
    const std::shared_ptr<ZVApi> self = shared_from_this();
    ZVLogError(u"ZelvoApi::Logout");
    while (!pendingRequests().empty()) {
        const std::shared_ptr<ZVApiRequest> request = pendingRequests().front();
        if (request->tag() != ZVApiRequest::TagLogout) {
            cancelRequest(request);
        }
        // A sign-out call runs on in the URL session; its answer is no one's any more.
        removePendingRequest(request);
    }
    dispatcher_.clearQueue();
    dispatcher_.cancelRetry();
    dispatcher_.resetNetworkFailures();
    updateStatus();
    setLoginStatus(LoginStatusSignedOut);
    dropFileTransfers();

    const auto defaults = platform::UserDefaults::standard();
    defaults->removePersistentDomainForName(platform::UserDefaults::standardDomainName());
    defaults->synchronize();

    sessionStats_.reset();
    cumulativeStats_.reset();
    status_.setLastError(nullptr);
}

// --- push notifications ---

void ZVApi::submitApnToken(const QByteArray& token) {
    const std::shared_ptr<ZVApiSession> session = activeSession_;
    if (!session) {
        return;
    }
    QJsonArray tokenIds;
    for (const auto& each : sessions_) {
        tokenIds.append(each->credentials()->cookie());
    }
    session->sendRequest(std::make_shared<ZVApiRequest>(
        u"account/configure_apn"_s,
        QJsonObject{{u"apn_token"_s, QString::fromLatin1(token.toBase64())},
                    {u"token_ids"_s, tokenIds}}));
}
