#pragma once

#include <QtCore/QString>

// People's display names: the initials of an avatar without a picture, the emoji that decorates a
// name, and the short form of a name. Stateless.
class ZVNameUtils {
public:
    ZVNameUtils() = delete;

    // Whether the text begins with a character of the emoji and symbol blocks.
    static bool isEmoji(const QString& text);
    static QString extractInitials(const QString& name);
    // The name without a leading emoji decoration, trimmed; the name itself when it has none.
    static QString stripDecorations(const QString& name);
    // One or two initials in upper case: the first character of each word, where a character may
    // be a whole emoji. A name that begins with an emoji gets that emoji alone, and then
    // `strippedName` (when given) receives the rest of the name, trimmed; otherwise it is left
    // untouched.
    static QString extractInitials(const QString& name, QString* strippedName);
    // The first word of the name; empty when the name begins with a separator.
    static QString shortenName(const QString& name);
};
