#pragma once

#include "platform/net/UrlSessionTask.h"

#include <memory>
#include <vector>

namespace platform {

struct UrlSessionConfiguration {
    // Accept any server certificate. Only for a service at a base URL the user typed in.
    bool allowsInvalidCertificates = false;
};

// The session on which the API client makes its calls: data tasks over HTTP(S), delivered on the
// main thread. It is ephemeral: no cookie storage is read or written (cookies travel as headers
// the caller sets), nothing is cached, and redirects are not followed, so a 3xx comes back as the
// answer it is and no header ever reaches another host.
//
// A task's request goes out at most once, unless it is a GET or a HEAD: a connection that closes
// before any byte of the answer fails the task with -1005, where the transport would quietly send
// the request again (see OneShotBody).
//
// Timeouts run on the main Scheduler, as an idle timeout: a task fails with -1001 once its timeout
// interval passes with no byte sent or received. In production that is real time. On a virtual
// clock (tests) time moves only when the test advances it: a real transfer never times out while
// the test waits for it with runUntil(), and advancing the clock past a task's interval times it
// out even though its server may still answer, exactly as if that much time had passed in silence.
// Bytes that arrive restart the interval from the clock's current time.
//
// Main thread only.
class UrlSession {
public:
    explicit UrlSession(UrlSessionConfiguration configuration = {});
    // Tasks still running end without calling their handlers.
    ~UrlSession();
    UrlSession(const UrlSession&) = delete;
    UrlSession& operator=(const UrlSession&) = delete;

    // A suspended task for the request; none once the session has been invalidated.
    std::shared_ptr<UrlSessionTask> dataTask(UrlRequest request, UrlSessionTaskHandlers handlers);

    bool allowsInvalidCertificates() const;
    // Takes effect for connections made from now on: open connections are dropped so that none
    // that skipped the checks outlives the permission.
    void setAllowsInvalidCertificates(bool allow);

    // Tasks that are running or being cancelled.
    std::vector<std::shared_ptr<UrlSessionTask>> tasks() const;

    // Cancels every task (each completes with -999) and makes no further ones.
    void invalidateAndCancel();

private:
    std::shared_ptr<detail::UrlSessionCore> core_;
};

}  // namespace platform
