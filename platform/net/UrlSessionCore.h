#pragma once

#include "platform/net/UrlSession.h"

#include <QtNetwork/QNetworkAccessManager>

#include <map>

namespace platform::detail {

// What a session's tasks share; tasks hold it weakly so that a task outliving its session is inert.
struct UrlSessionCore {
    ~UrlSessionCore();

    std::shared_ptr<UrlSessionTask> makeTask(std::weak_ptr<UrlSessionCore> self, UrlRequest request,
                                             UrlSessionTaskHandlers handlers);
    void started(const std::shared_ptr<UrlSessionTask>& task);
    void finished(const UrlSessionTask& task);

    std::unique_ptr<QNetworkAccessManager> manager = std::make_unique<QNetworkAccessManager>();
    bool allowsInvalidCertificates = false;
    bool invalidated = false;
    std::uint64_t nextIdentifier = 1;
    // The session keeps its running tasks alive, as the platform's sessions do.
    std::map<std::uint64_t, std::shared_ptr<UrlSessionTask>> running;
};

// Marks a handler call in progress. A handler may destroy its session while the transport is still
// inside one of its own signals; the session then defers deleting the transport.
class DeliveryScope {
public:
    DeliveryScope() { ++depth(); }
    ~DeliveryScope() { --depth(); }
    DeliveryScope(const DeliveryScope&) = delete;
    DeliveryScope& operator=(const DeliveryScope&) = delete;

    static bool active() { return depth() > 0; }

private:
    static int& depth() {
        static int value = 0;
        return value;
    }
};

}  // namespace platform::detail
