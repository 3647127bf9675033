#pragma once

#include <QtCore/QString>
#include <QtGui/QFont>

#include <optional>

namespace platform {

// The one place where the font names the screens ask for meet the families installed on this
// machine. Sizes are in points, and a point is one unit of view geometry: fonts are sized in pixels
// of that space so that layout does not depend on the screen's dots per inch.
class FontTable {
public:
    // The installed face standing in for a named font.
    struct Face {
        QString family;
        QFont::Weight weight = QFont::Normal;
        bool italic = false;
    };

    // The face for `name`, or nothing for a name the table does not know.
    static std::optional<Face> faceForName(const QString& name);
    // A font of `name` at `pointSize`; an unknown name gives the system font at that size.
    static QFont font(const QString& name, qreal pointSize);
    // The font of plain interface text (labels with no font of their own).
    static QFont systemFont(qreal pointSize, bool bold = false);

    // The user's preferred size of body text, in points. Screens size their text relative to it.
    static qreal preferredBodySize();
    static void setPreferredBodySize(qreal pointSize);
    static constexpr qreal kDefaultBodySize = 17.0;
};

}  // namespace platform
