#include "accounts/ZVDeployment.h"

QString ZVDeployment::supportEmail() {
    return QStringLiteral("support@zelvo.com");
}

QString ZVDeployment::storeUrl() {
    return QStringLiteral("https://apps.zelvo.com/store/zelvo");
}
