#pragma once

#include "platform/ui/view/View.h"

#include <functional>
#include <memory>

namespace platform {

// What the stand-ins show above a window's screens and their presented controllers (the edit
// menu's bar): views laid over everything else in the window, faded in and out.
namespace WindowOverlay {

constexpr double kFadeDuration = 0.2;
// Room kept between an overlay and the window's edges or the rectangle it points at.
constexpr qreal kMargin = 8;

// Adds `view` on top of everything in `window`.
void show(const std::shared_ptr<View>& view, View& window, bool animated);
// Fades `view` out and removes it; `done` runs once it is gone (at once when `view` is null).
void hide(const std::shared_ptr<View>& view, bool animated, std::function<void()> done = {});

// Where a box of `size` goes to point at `target` (window coordinates) in `windowBounds`: above
// the target when it fits below the status bar, else below it, else over it; centred on the
// target and kept inside the window.
QRectF placeNear(QSizeF size, const QRectF& target, const QRectF& windowBounds, qreal topInset);

}  // namespace WindowOverlay

}  // namespace platform
