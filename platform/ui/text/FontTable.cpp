#include "platform/ui/text/FontTable.h"

#include "platform/foundation/SharedState.h"

#include <QtCore/QHash>

#include <cmath>

namespace platform {

namespace {

const QString kSansFamily = QStringLiteral("Open Sans");
const QString kMonospaceFamily = QStringLiteral("Liberation Mono");
const QString kGeometricFamily = QStringLiteral("URW Gothic");
// Between book and demi: the geometric family has no face in between.
constexpr auto kMediumWeight = QFont::Normal;

const QHash<QString, FontTable::Face>& faces() {
    static const QHash<QString, FontTable::Face> table = {
        {QStringLiteral("OpenSans"), {kSansFamily, QFont::Normal, false}},
        {QStringLiteral("OpenSans-Bold"), {kSansFamily, QFont::Bold, false}},
        {QStringLiteral("OpenSans-Italic"), {kSansFamily, QFont::Normal, true}},
        {QStringLiteral("OpenSans-BoldItalic"), {kSansFamily, QFont::Bold, true}},
        {QStringLiteral("OpenSans-Semibold"), {kSansFamily, QFont::DemiBold, false}},
        {QStringLiteral("Courier New"), {kMonospaceFamily, QFont::Normal, false}},
        {QStringLiteral("Avenir-Medium"), {kGeometricFamily, kMediumWeight, false}},
        {QStringLiteral("Avenir-Heavy"), {kGeometricFamily, QFont::DemiBold, false}},
    };
    return table;
}

qreal& bodySize() {
    static qreal size = FontTable::kDefaultBodySize;
    return size;
}

QFont makeFont(const FontTable::Face& face, qreal pointSize) {
    QFont font(face.family);
    font.setWeight(face.weight);
    font.setItalic(face.italic);
    // Whole pixels of point space: fractional sizes round, as the screens only ask for whole ones.
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pointSize))));
    // Unhinted outlines keep advances proportional, so a layout measured offscreen matches a
    // window.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

}  // namespace

std::optional<FontTable::Face> FontTable::faceForName(const QString& name) {
    const auto it = faces().constFind(name);
    if (it == faces().constEnd()) {
        return std::nullopt;
    }
    return *it;
}

QFont FontTable::font(const QString& name, qreal pointSize) {
    if (const auto face = faceForName(name)) {
        return makeFont(*face, pointSize);
    }
    return systemFont(pointSize);
}

QFont FontTable::systemFont(qreal pointSize, bool bold) {
    return makeFont({kSansFamily, bold ? QFont::Bold : QFont::Normal, false}, pointSize);
}

qreal FontTable::preferredBodySize() {
    return bodySize();
}

void FontTable::setPreferredBodySize(qreal pointSize) {
    static const bool registered = [] {
        onResetSharedState([] { bodySize() = kDefaultBodySize; });
        return true;
    }();
    (void)registered;
    bodySize() = pointSize;
}

}  // namespace platform
