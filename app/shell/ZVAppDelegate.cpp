#include "app/shell/ZVAppDelegate.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"
#include "ZelvoKit/ZelvoApi/transfers/ZVShareMessageSender.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/base/ZVError.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "ZelvoKit/support/media/ZVURLLoader.h"
#include "ZelvoKit/support/url/ZVURLHandler.h"
#include "app/shell/ZVGlobals.h"
#include "platform/foundation/Application.h"

#include <QtCore/QJsonObject>

using namespace Qt::StringLiterals;

namespace {

// Runs the platform's fetch handler once, whatever answers later.
platform::FetchCompletion once(platform::FetchCompletion completion) {
    auto pending = std::make_shared<platform::FetchCompletion>(std::move(completion));
    return [pending](platform::BackgroundFetchResult result) {
        if (auto handler = std::exchange(*pending, nullptr)) {
            handler(result);
        }
    };
}

}  // namespace

ZVAppDelegate::ZVAppDelegate(Options options)
    : options_(options), globals_(std::make_unique<ZVGlobals>()) {}

ZVAppDelegate::~ZVAppDelegate() = default;

bool ZVAppDelegate::isSignedIn() const {
    return ZVApi::api().loginStatus() == ZVApi::LoginStatusSignedIn;
}

bool ZVAppDelegate::handleURL(const QString& url) {
    return ZVURLHandler::handler().handle(url);
}

bool ZVAppDelegate::applicationDidFinishLaunching(const platform::LaunchOptions& options) {
    if (options_.redirectStandardError) {
        ZVErrorLog::errorLog().redirectStdErr();
    }
    ZVLogError(u"ApplicationDidFinishLaunching");
    globals_->initialize();
    platform::Application::shared().registerUserNotificationSettings(kUserNotificationTypes);
    if (!options.url.isEmpty()) {
        handleURL(options.url.toString());
    }
    ZVLogError(u"Application launch");
    return true;
}

bool ZVAppDelegate::applicationOpenURL(const QUrl& url, const QString&) {
    return handleURL(url.toString());
}

void ZVAppDelegate::applicationWillResignActive() {
    ZVApi::api().setBackgroundMode(true);
    if (isSignedIn() && globals_->inboxViewController()) {
        globals_->inboxViewController()->setPendingFile(nullptr);
    }
    ZVURLLoader::loader().resetCache();
}

void ZVAppDelegate::applicationDidEnterBackground() {
    ZVApi::api().saveContext();
}

void ZVAppDelegate::applicationWillEnterForeground() {
    ZVLogError(u"Enter foreground");
}

void ZVAppDelegate::applicationDidBecomeActive() {
    ZVLogError(u"Activation");
    ZVApi::api().setBackgroundMode(false);
    globals_->notifyAppActivate();
    if (ZVApi::api().loginStatus() == ZVApi::LoginStatusSignedOut) {
        globals_->trySavedLogin();
    }
}

void ZVAppDelegate::applicationWillTerminate() {
    ZVApi::api().saveContext();
}

void ZVAppDelegate::applicationDidReceiveMemoryWarning() {
    ZVLogError(u"ApplicationDidReceiveMemoryWarning");
    ZVURLLoader::loader().resetCache();
    ZVAppServices::shared().clearFileViews();
}

void ZVAppDelegate::applicationPerformFetch(platform::FetchCompletion completion) {
    platform::FetchCompletion handler = once(std::move(completion));
    if (!isSignedIn()) {
        handler(platform::BackgroundFetchResult::NoData);
        return;
    }
    const bool sent = ZVApi::api().pollWithCompletion(
        [handler](std::int64_t newEvents) {
            ZVGlobals* globals = ZVGlobals::globals();
            const auto& session = globals ? globals->session() : nullptr;
            platform::Application::shared().setApplicationIconBadgeNumber(
                session ? long(session->unreadCount()) : 0);
            handler(newEvents >= 1 ? platform::BackgroundFetchResult::NewData
                                   : platform::BackgroundFetchResult::NoData);
        },
        [handler](const ZVErrorPtr& error) {
            handler(platform::BackgroundFetchResult::Failed);
            ZVLogError(u"PerformFetch: failed: %@",
                       error ? error->localizedDescription() : QString());
        });
    if (!sent) {
        handler(platform::BackgroundFetchResult::NoData);
    }
}

void ZVAppDelegate::applicationDidRegisterForRemoteNotifications(const QByteArray& deviceToken) {
    if (isSignedIn()) {
        ZVApi::api().submitApnToken(deviceToken);
    }
}

void ZVAppDelegate::applicationDidFailToRegisterForRemoteNotifications(const QString& error) {
    ZVLogError(u"APN registration failed: %@", error);
}

void ZVAppDelegate::applicationDidReceiveRemoteNotificationWithFetch(
    const QJsonObject& payload, platform::FetchCompletion completion) {
    applicationPerformFetch(std::move(completion));
    applicationDidReceiveRemoteNotification(payload);
}

void ZVAppDelegate::applicationDidReceiveRemoteNotification(const QJsonObject& payload) {
    platform::Application& application = platform::Application::shared();
    if (const QJsonValue aps = payload.value(u"aps"); aps.isObject()) {
        const QJsonValue badge = aps.toObject().value(u"badge");
        // A badge of another type is ignored; a missing one clears the badge.
        if (badge.isUndefined()) {
            application.setApplicationIconBadgeNumber(0);
        } else if (badge.isDouble()) {
            application.setApplicationIconBadgeNumber(long(badge.toDouble()));
        }
    }
    const QJsonValue own = payload.value(u"zelvo");
    if (!own.isObject() || !isSignedIn() ||
        application.state() != platform::ApplicationState::Inactive) {
        return;
    }
    const QJsonObject part = own.toObject();
    ZVApi& api = ZVApi::api();
    if (const QJsonValue accountId = part.value(u"account_id"); accountId.isString()) {
        if (const auto session = api.sessions().value(accountId.toString())) {
            ZVLogError(u"Setting session to: %@",
                       session->credentials() ? session->credentials()->uuid() : QString());
            api.setActiveSession(session);
        }
    }
    const QJsonValue conversationId = part.value(u"conversation_id");
    if (conversationId.isString()) {
        ZVLogError(u"Setting conversationId to: %@", conversationId.toString());
        globals_->setConversationId(ZVOpenRequest{conversationId.toString(), {}, {}}, false);
    } else if (conversationId.isUndefined()) {
        ZVLogError(u"Setting conversationId to: %@", QString());
        globals_->setConversationId(std::nullopt, false);
    }
}

void ZVAppDelegate::applicationHandleEventsForBackgroundURLSession(
    const QString& identifier, std::function<void()> completion) {
    ZVLogError(u"handleEventsForBackgroundURLSession: %@", identifier);
    ZVLogError(u"ZVGlobals = %@", globals_ ? u"present"_s : u"none"_s);
    const QString group = platform::Application::shared().applicationGroupIdentifier();
    if (!group.isEmpty() && identifier == group) {
        senderCompletions_.push_back(std::move(completion));
        // A sender already running takes these events too; replacing it would drop its work.
        if (!sender_) {
            ZVLogError(u"Initializing SharedMessageSender");
            sender_ = ZVShareMessageSender::create();
            sender_->setCompletionHandler([this] { shareSenderCompleted(); });
        }
        return;
    }
    const auto& transfers = ZVApi::api().fileTransfers();
    if (!transfers) {
        // Nothing of the application's own is running: nothing to wait for.
        if (completion) {
            completion();
        }
        return;
    }
    // An earlier completion not yet answered is answered with this one.
    auto previous = transfers->completionHandler();
    transfers->setCompletionHandler(
        [previous = std::move(previous), completion = std::move(completion)] {
            if (previous) {
                previous();
            }
            if (completion) {
                completion();
            }
        });
}

void ZVAppDelegate::shareSenderCompleted() {
    ZVLogError(u"SharedMessageSender completed");
    // Kept alive until its own call has returned.
    const auto sender = std::move(sender_);
    auto completions = std::move(senderCompletions_);
    senderCompletions_.clear();
    for (auto& completion : completions) {
        if (completion) {
            completion();
        }
    }
    if (sender) {
        platform::Scheduler::main().after(0, [sender] {});
    }
}
