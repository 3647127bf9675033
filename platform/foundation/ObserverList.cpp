#include "platform/foundation/ObserverList.h"

namespace platform {

Observation::Observation(Observation&& other) noexcept
    : registry_(std::move(other.registry_)), id_(std::exchange(other.id_, 0)) {
    other.registry_.reset();
}

Observation& Observation::operator=(Observation&& other) noexcept {
    if (this != &other) {
        reset();
        registry_ = std::move(other.registry_);
        other.registry_.reset();
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

Observation::~Observation() {
    reset();
}

void Observation::reset() {
    if (auto registry = registry_.lock()) {
        registry->remove(id_);
    }
    registry_.reset();
    id_ = 0;
}

bool Observation::isActive() const {
    const auto registry = registry_.lock();
    return registry && registry->contains(id_);
}

}  // namespace platform
