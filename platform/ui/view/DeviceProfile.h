#pragma once

#include <QtCore/QSizeF>

namespace platform {

// The device a window pretends to be: its idiom, screen size in points, pixels per point, the
// height of the status bar at the top, and whether the screen reader runs.
struct DeviceProfile {
    enum class Idiom { Phone = 0, Tablet = 1 };

    Idiom idiom = Idiom::Phone;
    QSizeF size;
    qreal scale = 2;
    qreal statusBarHeight = 20;
    bool screenReaderRunning = false;

    static DeviceProfile phone() { return {Idiom::Phone, {375, 667}, 2, 20}; }
    static DeviceProfile tablet() { return {Idiom::Tablet, {768, 1024}, 2, 20}; }
};

}  // namespace platform
