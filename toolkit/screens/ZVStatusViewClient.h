#pragma once

#include "ZelvoKit/support/base/ZVError.h"
#include "platform/foundation/Observable.h"

#include <QtCore/QDateTime>
#include <QtCore/QString>

#include <memory>

// What the connection status bar reads of the API client and asks of it: the published states,
// the last error and answer, and a retry. The shared ZVApi stands behind it in the application;
// a test scripts one of its own.
class ZVStatusViewClient {
public:
    virtual ~ZVStatusViewClient() = default;

    // The shared ZVApi, looked up at every call (tests make it anew).
    static std::shared_ptr<ZVStatusViewClient> sharedApi();

    // Keys as ZVApi publishes them ("connectionStatus", "syncProgress").
    virtual platform::Observation observe(const QString& key,
                                          platform::Observable::ChangeHandler onChange) const = 0;
    virtual int connectionStatus() const = 0;
    virtual int loginStatus() const = 0;
    virtual float syncProgress() const = 0;
    virtual bool backgroundMode() const = 0;
    virtual ZVErrorPtr lastError() const = 0;
    // When the last answer with a body arrived; invalid when none has.
    virtual QDateTime lastResponseTime() const = 0;
    virtual void retryConnections() = 0;
};
