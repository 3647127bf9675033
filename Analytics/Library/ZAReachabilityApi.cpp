#include "Analytics/Library/ZAReachabilityApi.h"

#include "Analytics/Library/ZASharedSlot.h"

#include <QtNetwork/QNetworkInformation>

#include <mutex>

namespace {

ZASharedSlot<ZAReachabilityApi>& apiSlot() {
    static ZASharedSlot<ZAReachabilityApi> slot(
        [] { return std::make_shared<ZANetworkInformationReachability>(); });
    return slot;
}

std::uint32_t flagsFor(QNetworkInformation* info) {
    using namespace za::reachability;
    if (info == nullptr) {
        return kReachable;
    }
    std::uint32_t flags = 0;
    switch (info->reachability()) {
        case QNetworkInformation::Reachability::Disconnected:
            return 0;
        case QNetworkInformation::Reachability::Unknown:
        case QNetworkInformation::Reachability::Local:
        case QNetworkInformation::Reachability::Site:
        case QNetworkInformation::Reachability::Online:
            flags = kReachable;
            break;
    }
    if (info->transportMedium() == QNetworkInformation::TransportMedium::Cellular) {
        flags |= kIsWWAN;
    }
    return flags;
}

// The callback lives in a shared cell, so that unscheduling from any thread is safe against a
// callback running on the main thread.
struct CallbackCell {
    std::mutex lock;
    ZAReachabilityMonitor::Callback callback;
    bool scheduled = false;

    void deliver(std::uint32_t flags) {
        std::lock_guard guard(lock);
        if (scheduled && callback) {
            callback(flags);
        }
    }
};

class NetworkInformationMonitor : public ZAReachabilityMonitor {
public:
    ~NetworkInformationMonitor() override { unschedule(); }

    bool setCallback(Callback callback) override {
        std::lock_guard guard(cell_->lock);
        cell_->callback = std::move(callback);
        return true;
    }

    bool schedule() override {
        if (!QNetworkInformation::instance()) {
            QNetworkInformation::loadDefaultBackend();
        }
        QNetworkInformation* info = QNetworkInformation::instance();
        {
            std::lock_guard guard(cell_->lock);
            cell_->scheduled = true;
        }
        if (info != nullptr) {
            auto cell = cell_;
            auto notify = [cell, info] { cell->deliver(flagsFor(info)); };
            reachability_ =
                QObject::connect(info, &QNetworkInformation::reachabilityChanged, notify);
            medium_ = QObject::connect(info, &QNetworkInformation::transportMediumChanged, notify);
        }
        // The first state arrives as a callback, as on a change.
        cell_->deliver(flagsFor(info));
        return true;
    }

    void unschedule() override {
        QObject::disconnect(reachability_);
        QObject::disconnect(medium_);
        std::lock_guard guard(cell_->lock);
        cell_->scheduled = false;
    }

private:
    std::shared_ptr<CallbackCell> cell_ = std::make_shared<CallbackCell>();
    QMetaObject::Connection reachability_;
    QMetaObject::Connection medium_;
};

}  // namespace

std::shared_ptr<ZAReachabilityApi> ZAReachabilityApi::defaultApi() {
    return apiSlot().get();
}

void ZAReachabilityApi::setDefaultApi(std::shared_ptr<ZAReachabilityApi> api) {
    apiSlot().set(std::move(api));
}

std::unique_ptr<ZAReachabilityMonitor> ZANetworkInformationReachability::createWithName(
    const QString& host) {
    if (host.isEmpty()) {
        return nullptr;
    }
    return std::make_unique<NetworkInformationMonitor>();
}
