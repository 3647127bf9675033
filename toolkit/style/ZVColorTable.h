#pragma once

#include "platform/foundation/TextAttributes.h"

#include <QtCore/QByteArray>
#include <QtCore/QHash>
#include <QtCore/QString>
#include <QtCore/QStringView>

// Every colour of the interface by name, read from the "Colors" resource: a JSON object whose
// values are "#rrggbb" or the name of another entry.
class ZVColorTable {
public:
    // Opaque magenta: a name the table lacks shows on screen instead of hiding text.
    static constexpr platform::Color kUnknownColor{255, 0, 255, 255};

    ZVColorTable() = default;
    // A table of the given JSON; invalid JSON gives an empty table.
    static ZVColorTable fromJson(const QByteArray& json);

    // The table read from the application's resources on first use.
    static const ZVColorTable& shared();
    static platform::Color colorWithName(const QString& name);

    platform::Color color(const QString& name) const;
    const QHash<QString, platform::Color>& colorMap() const { return colorMap_; }

    // Six hexadecimal digits with or without a leading "#"; a character that is no digit counts 0.
    static platform::Color colorWithHex(QStringView hex);
    // The value of the two digits at `index` and the next one.
    static int valueOfHexByte(QStringView hex, qsizetype index);
    // 0-9 and a-f in either case; any other character is 0.
    static int valueOfHexDigit(QChar c);

private:
    QHash<QString, platform::Color> colorMap_;
};
