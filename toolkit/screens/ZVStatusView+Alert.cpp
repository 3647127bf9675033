// The card that explains the connection state, and its retry.
#include "toolkit/screens/ZVStatusView.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Scheduler.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/alerts/ZVAlertViewManager.h"
#include "toolkit/screens/ZVScreenCoordinator.h"
#include "toolkit/screens/ZVStatusViewClient.h"

namespace {

constexpr double kMillisecondsPerSecond = 1000;

bool isServiceError(const ZVErrorPtr& error) {
    return error && error->code() >= ZVStatusView::kServiceErrorFirst &&
           error->code() <= ZVStatusView::kServiceErrorLast;
}

}  // namespace

QString ZVStatusView::alertTitle() const {
    switch (client_->connectionStatus()) {
        case ZVApi::ConnectionStatusOffline:
            return QStringLiteral("Zelvo is offline");
        case ZVApi::ConnectionStatusConnecting:
            return QStringLiteral("Zelvo is attempting to connect");
        case ZVApi::ConnectionStatusOnline:
        case ZVApi::ConnectionStatusActivity:
            return QStringLiteral("Zelvo is online");
        case ZVApi::ConnectionStatusError:
            return isServiceError(client_->lastError())
                       ? QStringLiteral("Service unavailable")
                       : QStringLiteral("Zelvo encountered an error");
        default:
            return {};
    }
}

QString ZVStatusView::alertMessage() const {
    const ZVErrorPtr error = client_->lastError();
    QString message;
    switch (client_->connectionStatus()) {
        case ZVApi::ConnectionStatusOffline:
            message = error && error->code() == kRoamingOffErrorCode
                          ? QStringLiteral(
                                "Your conversations will be updated when you turn on "
                                "Wi-Fi or enable data roaming.")
                          : QStringLiteral(
                                "Your conversations will be updated when you turn on "
                                "Wi-Fi or cellular data.");
            break;
        case ZVApi::ConnectionStatusError:
            if (isServiceError(error)) {
                message = QStringLiteral(
                    "The Zelvo service is experiencing problems at this time. Your conversations "
                    "will be updated once the service becomes available.");
            } else if (error) {
                message = error->localizedDescription();
            }
            // Without an error the first part stays empty rather than reading "(null)".
            break;
        default:
            break;
    }
    if (!message.isEmpty()) {
        message += QStringLiteral("\n\n");
    }
    const QDateTime lastResponse = client_->lastResponseTime();
    if (lastResponse.isValid()) {
        const double sinceNow =
            static_cast<double>(platform::Scheduler::main().currentDate().msecsTo(lastResponse)) /
            kMillisecondsPerSecond;
        message += platform::format(u"Last updated %@",
                                    ZVLocalization::formatTimeInterval(sinceNow, false, true));
    } else {
        message += QStringLiteral("Not fully synchronized.");
    }
    return message;
}

void ZVStatusView::statusButtonClicked() {
    auto& manager = ZVAlertViewManager::alertViewManager();
    if (!manager.keyWindow()) {
        manager.setKeyWindow(ZVScreenCoordinator::shared().window());
    }
    // Card messages are markup; the error's text is the service's and shows as it is.
    const auto alert =
        ZVAlertView::make(alertTitle(), alertMessage().toHtmlEscaped(),
                          std::shared_ptr<ZVAlertViewDelegate>(
                              shared_from_this(), static_cast<ZVAlertViewDelegate*>(this)),
                          QStringLiteral("OK"), {QStringLiteral("Retry now")});
    alert->show();
}

void ZVStatusView::alertView(ZVAlertView& /*alertView*/, int buttonIndex) {
    if (buttonIndex == kRetryButton) {
        client_->retryConnections();
    }
}
