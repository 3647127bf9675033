#pragma once

#include "platform/foundation/SharedState.h"

#include <memory>

namespace platform {

// The process-wide slot of a replaceable service (the shared object or the factory that tests
// replace): empty at first and again after every reset of shared state. Never destroyed, so it
// can be asked for while the process ends.
template <class T>
T& sharedSlot() {
    static T* const slot = [] {
        auto* created = new T();
        onResetSharedState([] { sharedSlot<T>() = T(); });
        return created;
    }();
    return *slot;
}

// The shared object of a replaceable service: the one installed, else one made by `makeDefault`
// on first use.
template <class Service, class MakeDefault>
std::shared_ptr<Service> sharedService(MakeDefault makeDefault) {
    auto& service = sharedSlot<std::shared_ptr<Service>>();
    if (!service) {
        service = makeDefault();
    }
    return service;
}

}  // namespace platform
