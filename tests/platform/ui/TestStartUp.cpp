#include "platform/ui/StartUp.h"

namespace zvtest {

void startUpLibraries() {
    platform::startUpUi();
}

}  // namespace zvtest
