#include "ZelvoKit/markup/StartUp.h"

#include "ZelvoKit/markup/ZVMarkupSyntax.h"
#include "ZelvoKit/model/StartUp.h"
#include "platform/foundation/SharedState.h"

void ZVStartUpMarkup() {
    static bool started = false;
    if (started) {
        return;
    }
    started = true;
    ZVStartUpModel();
    platform::onResetSharedState([] { ZVMarkupSyntax::resetShared(); });
}
