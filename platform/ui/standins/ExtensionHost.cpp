#include "platform/ui/standins/ExtensionHost.h"

#include "platform/foundation/SharedSlot.h"

namespace platform {

std::shared_ptr<ExtensionHost> ExtensionHost::shared() {
    return sharedSlot<std::shared_ptr<ExtensionHost>>();
}

void ExtensionHost::setShared(std::shared_ptr<ExtensionHost> host) {
    sharedSlot<std::shared_ptr<ExtensionHost>>() = std::move(host);
}

}  // namespace platform
