#pragma once

#include <QtCore/QString>

#include <cstdint>
#include <functional>
#include <memory>

// The network-state facts the reachability checker reads, as flag bits.
namespace za::reachability {
inline constexpr std::uint32_t kReachable = 0x2;
inline constexpr std::uint32_t kConnectionRequired = 0x4;
inline constexpr std::uint32_t kConnectionOnTraffic = 0x8;
inline constexpr std::uint32_t kInterventionRequired = 0x10;
inline constexpr std::uint32_t kConnectionOnDemand = 0x20;
inline constexpr std::uint32_t kIsWWAN = 0x40000;
}  // namespace za::reachability

// One watch of a host's reachability. Callbacks arrive on the main thread while scheduled.
class ZAReachabilityMonitor {
public:
    using Callback = std::function<void(std::uint32_t flags)>;
    virtual ~ZAReachabilityMonitor() = default;
    virtual bool setCallback(Callback callback) = 0;
    // Starts the callbacks (main thread).
    virtual bool schedule() = 0;
    // Stops them; after it returns no callback runs. Safe from any thread.
    virtual void unschedule() = 0;
};

// Where reachability comes from: the desktop's network state by default; tests install a fake.
class ZAReachabilityApi {
public:
    virtual ~ZAReachabilityApi() = default;
    // None when the source cannot watch the host.
    virtual std::unique_ptr<ZAReachabilityMonitor> createWithName(const QString& host) = 0;

    // The source new checkers use.
    static std::shared_ptr<ZAReachabilityApi> defaultApi();
    // Null restores the desktop's.
    static void setDefaultApi(std::shared_ptr<ZAReachabilityApi> api);
};

// The desktop's network state through Qt's network information; "unknown" counts as reachable.
class ZANetworkInformationReachability : public ZAReachabilityApi {
public:
    std::unique_ptr<ZAReachabilityMonitor> createWithName(const QString& host) override;
};
