#pragma once

#include <QtCore/QString>

// The standard emoji that stands for each emoticon kind of the message XML, for when the user has
// not chosen the application's own emoticon pictures.
class ZVEmoticonMap {
public:
    ZVEmoticonMap() = delete;

    // Null for a kind the table does not have.
    static QString EmojiForEmoticon(const QString& kind);
    // Whether the text is exactly one of the table's emoji.
    static bool isEmoji(const QString& text);
};
