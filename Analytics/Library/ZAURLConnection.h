#pragma once

#include "platform/net/UrlError.h"
#include "platform/net/UrlRequest.h"
#include "platform/net/UrlResponse.h"

#include <QtCore/QByteArray>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace platform {
class UrlSessionTask;
}

// Carries one request to the collection endpoint. It is made on the SDK thread; the transfer runs
// on the main thread's URL session, and the handler is called on the main thread with the answer
// (none when none came), the body and the transport error.
class ZAURLConnection : public std::enable_shared_from_this<ZAURLConnection> {
public:
    using CompletionHandler =
        std::function<void(const std::optional<platform::UrlResponse>& response,
                           const QByteArray& data, const std::optional<platform::UrlError>& error)>;

    // Starts at once. In dry run nothing is sent and the handler gets status 200 and no body.
    static std::shared_ptr<ZAURLConnection> start(platform::UrlRequest request,
                                                  CompletionHandler handler);

    // Process-wide; read when a request starts.
    static bool dryRun();
    static void setDryRun(bool dryRun);

    const platform::UrlRequest& request() const { return request_; }
    // Stops the transfer; the handler is not called any more.
    void cancel();

private:
    ZAURLConnection(platform::UrlRequest request, CompletionHandler handler);
    void startOnMainThread();
    void finish(const std::optional<platform::UrlResponse>& response, const QByteArray& data,
                const std::optional<platform::UrlError>& error);

    const platform::UrlRequest request_;
    CompletionHandler handler_;
    std::atomic<bool> cancelled_{false};
    // Main thread only.
    std::shared_ptr<platform::UrlSessionTask> task_;
};
