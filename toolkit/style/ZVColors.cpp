#include "toolkit/style/ZVColors.h"

#include "toolkit/style/ZVColorTable.h"

#define ZV_NAMED_COLOR(operation, name)                           \
    platform::Color ZVColors::operation() {                       \
        return ZVColorTable::colorWithName(QStringLiteral(name)); \
    }

ZV_NAMED_COLOR(logo, "logo")
ZV_NAMED_COLOR(background, "background")
ZV_NAMED_COLOR(border, "border")
ZV_NAMED_COLOR(task, "task")
ZV_NAMED_COLOR(pin, "pin")
ZV_NAMED_COLOR(text, "text")
ZV_NAMED_COLOR(lightText, "lightText")
ZV_NAMED_COLOR(suppressedText, "suppressedText")
ZV_NAMED_COLOR(link, "link")
ZV_NAMED_COLOR(darkBlue, "darkBlue")
ZV_NAMED_COLOR(gray, "gray")
ZV_NAMED_COLOR(orange, "orange")
ZV_NAMED_COLOR(cellHighlight, "cellHighlight")

#undef ZV_NAMED_COLOR
