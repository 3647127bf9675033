#include "toolkit/screens/ZVStatusViewClient.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiStats.h"

namespace {

class ApiStatusClient : public ZVStatusViewClient {
public:
    platform::Observation observe(const QString& key,
                                  platform::Observable::ChangeHandler onChange) const override {
        return ZVApi::api().observe(key, std::move(onChange));
    }
    int connectionStatus() const override { return ZVApi::api().connectionStatus(); }
    int loginStatus() const override { return ZVApi::api().loginStatus(); }
    float syncProgress() const override { return ZVApi::api().syncProgress(); }
    bool backgroundMode() const override { return ZVApi::api().backgroundMode(); }
    ZVErrorPtr lastError() const override { return ZVApi::api().lastError(); }
    QDateTime lastResponseTime() const override {
        const auto& stats = ZVApi::api().cumulativeStats();
        return stats ? stats->lastResponseTime() : QDateTime();
    }
    void retryConnections() override { ZVApi::api().retryConnections(); }
};

}  // namespace

std::shared_ptr<ZVStatusViewClient> ZVStatusViewClient::sharedApi() {
    return std::make_shared<ApiStatusClient>();
}
