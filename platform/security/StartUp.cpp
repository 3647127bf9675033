#include "platform/security/StartUp.h"

#include "platform/security/KeychainSelection.h"

#include <mutex>

namespace platform {

void startUpSecurity() {
    static std::once_flag once;
    std::call_once(once, [] { selectSharedKeychain(); });
}

}  // namespace platform
