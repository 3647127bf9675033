#include "MessageFlow/rows/accessories/ZVMessageAccessoryClass.h"

#include "MessageFlow/rows/accessories/ZVMessageDateView.h"
#include "MessageFlow/rows/accessories/ZVMessageLoadMoreViewTop.h"
#include "MessageFlow/rows/accessories/ZVMessageResendControlsView.h"

QString ZVMessageAccessoryClassName(ZVMessageAccessoryClass accessoryClass) {
    switch (accessoryClass) {
        case ZVMessageAccessoryClass::None:
            break;
        case ZVMessageAccessoryClass::Date:
            return QStringLiteral("ZVMessageDateView");
        case ZVMessageAccessoryClass::LoadMoreTop:
            return QStringLiteral("ZVMessageLoadMoreViewTop");
        case ZVMessageAccessoryClass::LoadMoreBottom:
            return QStringLiteral("ZVMessageLoadMoreViewBottom");
        case ZVMessageAccessoryClass::ResendControls:
            return QStringLiteral("ZVMessageResendControlsView");
    }
    return QStringLiteral("(null)");
}

qreal ZVMessageAccessoryHeight(ZVMessageAccessoryClass accessoryClass) {
    switch (accessoryClass) {
        case ZVMessageAccessoryClass::None:
            break;
        case ZVMessageAccessoryClass::Date:
            return ZVMessageDateView::height();
        case ZVMessageAccessoryClass::LoadMoreTop:
            return ZVMessageLoadMoreViewTop::height();
        case ZVMessageAccessoryClass::LoadMoreBottom:
            return ZVMessageLoadMoreViewBottom::height();
        case ZVMessageAccessoryClass::ResendControls:
            return ZVMessageResendControlsView::height();
    }
    return 0;
}

std::shared_ptr<ZVMessageAccessoryView> ZVMakeMessageAccessory(
    ZVMessageAccessoryClass accessoryClass, std::weak_ptr<ZVMessageCell> cell) {
    switch (accessoryClass) {
        case ZVMessageAccessoryClass::None:
            break;
        case ZVMessageAccessoryClass::Date:
            return std::make_shared<ZVMessageDateView>(std::move(cell));
        case ZVMessageAccessoryClass::LoadMoreTop:
            return std::make_shared<ZVMessageLoadMoreViewTop>(std::move(cell));
        case ZVMessageAccessoryClass::LoadMoreBottom:
            return std::make_shared<ZVMessageLoadMoreViewBottom>(std::move(cell));
        case ZVMessageAccessoryClass::ResendControls:
            return std::make_shared<ZVMessageResendControlsView>(std::move(cell));
    }
    return nullptr;
}
