#include "toolkit/style/ColorUtils.h"

#include "toolkit/style/ZVColorTable.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kAvatarColorCount = 10;
constexpr double kChannelScale = 255.0;

std::uint8_t toChannel(double unit) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(unit, 0.0, 1.0) * kChannelScale));
}

}  // namespace

platform::Color colorWithName(const QString& name) {
    return ZVColorTable::colorWithName(name);
}

platform::Color colorFromGUID(const QString& guid) {
    int sum = 0;
    for (const QChar c : guid) {
        sum += ZVColorTable::valueOfHexDigit(c);
    }
    return colorWithName(QStringLiteral("avatar_%1").arg(sum % kAvatarColorCount + 1));
}

platform::Color colorByBlendingWithColor(const platform::Color& base, const platform::Color& over) {
    const double a = over.alpha / kChannelScale;
    const auto mix = [a](std::uint8_t c1, std::uint8_t c2) {
        return toChannel((c1 * (1 - a) + c2 * a) / kChannelScale);
    };
    return {mix(base.red, over.red), mix(base.green, over.green), mix(base.blue, over.blue), 255};
}

platform::Color colorWithAlpha(const platform::Color& color, double alpha) {
    return {color.red, color.green, color.blue, toChannel(alpha)};
}

platform::Color colorWithWhite(double white, double alpha) {
    const std::uint8_t level = toChannel(white);
    return {level, level, level, toChannel(alpha)};
}
