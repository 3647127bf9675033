#include "Analytics/Library/StartUp.h"

#include "Analytics/Library/ZA.h"
#include "Analytics/Library/ZATrackerModel.h"
#include "Analytics/Library/ZAUsageTracker.h"
#include "platform/foundation/SharedState.h"

#include <QtCore/QCoreApplication>

void ZAStartUp() {
    static bool started = false;
    if (started) {
        return;
    }
    started = true;
    platform::onResetSharedState([] {
        ZA::resetSharedInstance();
        ZATrackerModel::resetTables();
        ZAUsageTracker::reset();
    });
    // The SDK thread ends with the application, after a last save.
    qAddPostRoutine([] { ZA::shutdown(); });
}
