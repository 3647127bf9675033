#include "toolkit/alerts/AlertColors.h"

#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ZVColorTable.h"

QColor alertColor(const char* name) {
    return platform::resolveColor(ZVColorTable::colorWithName(QLatin1String(name)));
}
