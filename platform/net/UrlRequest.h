#pragma once

#include "platform/foundation/Scheduler.h"
#include "platform/net/HttpHeaders.h"

#include <QtCore/QByteArray>
#include <QtCore/QUrl>

namespace platform {

// What a data task sends. The session adds no cookies of its own and reads no cache, so what is
// here is what goes out (besides the transport's own connection headers).
struct UrlRequest {
    // A transfer that receives nothing for this long fails as timed out.
    static constexpr TimeInterval kDefaultTimeoutInterval = 120.0;

    QUrl url;
    QByteArray httpMethod = QByteArrayLiteral("GET");
    HttpHeaders headers;
    QByteArray body;
    TimeInterval timeoutInterval = kDefaultTimeoutInterval;
};

}  // namespace platform
