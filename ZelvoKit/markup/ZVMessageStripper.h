#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <optional>

// Reads message XML back as plain text: a short preview (markup dropped, at most 250 characters,
// white space collapsed), or the text as the user typed it, markup included, which is what edits,
// quotes and the store request start from. Text that is not message XML comes back unchanged.
class ZVMessageStripper {
public:
    static constexpr qsizetype kPreviewLength = 250;

    static QString extractPlainText(const QString& message);
    static QString extractPlainTextWithMarkup(const QString& message, bool stripQuotes);
    // The "key" of every "file" element in document order; nothing when there is none.
    static std::optional<QStringList> extractFiles(const QString& message);
    // Drops trailing white space (line and paragraph separators included); with `collapseLines`
    // leading white space too, and every other white-space character becomes one space.
    static void stripWhitespace(QString& text, bool collapseLines);

    // `limitLength` 0 or less: no limit.
    ZVMessageStripper(const QString& message, bool preserveMarkup, qsizetype limitLength,
                      bool collapseLines, bool stripQuotes);

    const QString& result() const { return result_; }

private:
    void parse(const QString& message);
    // Returns false once the limit is reached and reading must stop.
    bool appendText(QStringView text);

    QString result_;
    bool preserveMarkup_ = false;
    qsizetype limitLength_ = 0;
    qsizetype quoteLocation_ = -1;
    qsizetype quoteLength_ = 0;
};
