#include "ZelvoKit/ZelvoApi/StartUp.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/support/StartUp.h"
#include "ZelvoKit/support/url/ZVURLHandler.h"
#include "platform/security/StartUp.h"

void ZVStartUpApi() {
    platform::startUpSecurity();
    ZVStartUpSupport();
    // Confirmation links are read below this library; signing in with them happens here.
    ZVURLHandler::setAccountConfirmation([](const QString& notificationId) {
        ZVApi::api().loginWithNotificationId(notificationId);
    });
}
