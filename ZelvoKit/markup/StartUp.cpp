#include "ZelvoKit/markup/StartUp.h"

#include "ZelvoKit/markup/ZVMarkupEncoder.h"
#include "ZelvoKit/markup/ZVMarkupSyntax.h"
#include "ZelvoKit/markup/ZVMessageStripper.h"
#include "ZelvoKit/model/StartUp.h"
#include "ZelvoKit/model/ZVMarkupServices.h"
#include "platform/foundation/SharedState.h"

void ZVStartUpMarkup() {
    static bool started = false;
    if (started) {
        return;
    }
    started = true;
    ZVStartUpModel();
    platform::onResetSharedState([] { ZVMarkupSyntax::resetShared(); });
    // The model reads and writes message XML through these, not knowing this library.
    ZVMarkupServices::install({
        .xmlWithMessage =
            [](const QString& text, const std::optional<QStringList>& files) {
                return ZVMarkupEncoder::xmlWithMessage(text, files);
            },
        .plainTextWithMarkup = &ZVMessageStripper::extractPlainTextWithMarkup,
        .extractFiles = &ZVMessageStripper::extractFiles,
    });
}
