#include "ZelvoKit/support/StartUp.h"

#include "Analytics/Library/StartUp.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "ZelvoKit/support/tracking/ZVEventTracker.h"
#include "ZelvoKit/support/url/ZVURLHandler.h"
#include "platform/foundation/SharedState.h"

void ZVStartUpSupport() {
    ZAStartUp();
    ZVLocalization::load();
    static bool registered = false;
    if (!registered) {
        registered = true;
        // Before the analytics library forgets its tracker, which this one holds.
        platform::onResetSharedState(&ZVEventTracker::reset);
        platform::onResetSharedState(&ZVURLHandler::reset);
    }
}
