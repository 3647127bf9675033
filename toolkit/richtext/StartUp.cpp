#include "toolkit/richtext/StartUp.h"

#include "ZelvoKit/model/Message.h"
#include "toolkit/richtext/email/ZVLocalizedMessage.h"

#include "ZelvoKit/markup/StartUp.h"
#include "ZelvoKit/support/StartUp.h"
#include "ZelvoKit/support/text/ZVTextAppearance.h"
#include "toolkit/style/StartUp.h"
#include "toolkit/style/ZVColorTable.h"
#include "toolkit/style/ZVTextStyles.h"

void ZVStartUpToolkitRichText() {
    static bool started = false;
    if (started) {
        return;
    }
    started = true;
    ZVStartUpSupport();
    ZVStartUpMarkup();
    ZVStartUpToolkitStyle();
    ZVTextAppearance::setMainFonts(ZVTextStyles::mainFont(), ZVTextStyles::mainBoldFont());
    ZVTextAppearance::setColorLookup(
        [](const QString& name) { return ZVColorTable::colorWithName(name); });
    ZVTextAppearance::setStyleLookup(
        [](int style) { return ZVTextStyles::attributesForStyle(style); });
    Message::setRepresentationClass(ZVLocalizedMessage::factory());
}
