#pragma once

#include <QtCore/QString>
#include <QtCore/QtGlobal>

#include <memory>

class ZVMessageAccessoryView;
class ZVMessageCell;

// The strips a message row may carry above or below its message, as the row model picks them:
// each has a fixed height, so rows are measured without making one.
enum class ZVMessageAccessoryClass {
    None,
    Date,
    LoadMoreTop,
    LoadMoreBottom,
    ResendControls,
};

// The class's name in a reuse identifier; an absent class spells as the platform's null.
QString ZVMessageAccessoryClassName(ZVMessageAccessoryClass accessoryClass);
// 0 for none.
qreal ZVMessageAccessoryHeight(ZVMessageAccessoryClass accessoryClass);
// Null for none.
std::shared_ptr<ZVMessageAccessoryView> ZVMakeMessageAccessory(
    ZVMessageAccessoryClass accessoryClass, std::weak_ptr<ZVMessageCell> cell);
