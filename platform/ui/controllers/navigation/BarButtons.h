#pragma once

#include <QtCore/QString>
#include <QtGui/QColor>
#include <QtGui/QImage>

#include <functional>
#include <memory>

namespace platform {

class BarButtonItem;
class Button;

// The buttons a navigation bar shows: an item's title or picture in the bar's tint, and the back
// button (an arrow and a title).
namespace BarButtons {

constexpr qreal kPadding = 6;
constexpr qreal kTitleFontSize = 17;
constexpr qreal kArrowGap = 4;

// Tapping it triggers `item` (nothing while the item is disabled).
std::shared_ptr<Button> forItem(const std::shared_ptr<BarButtonItem>& item, const QColor& tint);
// `arrow` null: the built-in arrow.
std::shared_ptr<Button> back(const QString& title, const QColor& tint, const QImage& arrow,
                             std::function<void()> onTap);

}  // namespace BarButtons

}  // namespace platform
