#include "toolkit/style/StartUp.h"

#include "platform/ui/StartUp.h"
#include "toolkit/style/ZVColorTable.h"

void ZVStartUpToolkitStyle() {
    static bool started = false;
    if (started) {
        return;
    }
    started = true;
    platform::startUpUi();
    // Read before any screen is built, so a missing table shows in the log at start.
    ZVColorTable::shared();
}
