#include "accounts/settings/ZVSignedInObservations.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"

ZVSignedInObservations::ZVSignedInObservations() {
    if (!isSignedIn()) {
        return;
    }
    loginStatus_ = ZVApi::api().observe(QString(ZVApi::LoginStatusKey), [this](const QString&) {
        if (!isSignedIn()) {
            observations_.clear();
            loginStatus_.reset();
        }
    });
}

ZVSignedInObservations::~ZVSignedInObservations() = default;

void ZVSignedInObservations::add(platform::Observation observation) {
    if (loginStatus_.isActive() && isSignedIn()) {
        observations_.push_back(std::move(observation));
    }
}

bool ZVSignedInObservations::isSignedIn() const {
    return ZVApi::api().loginStatus() == ZVApi::LoginStatusSignedIn;
}
