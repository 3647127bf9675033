#pragma once

#include "platform/foundation/TextAttributes.h"

#include <QtCore/QString>
#include <QtCore/QVariant>

#include <functional>
#include <vector>

namespace platform {

// Text with attributes over ranges of it. Positions and lengths count UTF-16 units, as QString
// does. The attributes are held as runs that cover the text from end to end; neighbouring runs
// with equal attributes are always merged, so runs() is the same for equal contents whatever edits
// led there. Ranges reaching outside the text are clipped to it.
class AttributedString {
public:
    struct Run {
        qsizetype location = 0;
        qsizetype length = 0;
        TextAttributes attributes;
        friend bool operator==(const Run&, const Run&) = default;
    };
    // Return true to stop.
    using RunBlock =
        std::function<bool(const TextAttributes& attributes, qsizetype location, qsizetype length)>;

    AttributedString() = default;
    explicit AttributedString(const QString& text, const TextAttributes& attributes = {});

    const QString& string() const { return text_; }
    qsizetype length() const { return text_.size(); }
    bool isEmpty() const { return text_.isEmpty(); }
    const std::vector<Run>& runs() const { return runs_; }

    // The attributes at `index` (empty outside the text); `runLocation` and `runLength`, when
    // given, receive the run they belong to.
    TextAttributes attributesAt(qsizetype index, qsizetype* runLocation = nullptr,
                                qsizetype* runLength = nullptr) const;
    QVariant attribute(const QString& key, qsizetype index) const;

    // Sets `key` over the range; a null value removes it.
    void addAttribute(const QString& key, const QVariant& value, qsizetype location,
                      qsizetype length);
    void addAttributes(const TextAttributes& attributes, qsizetype location, qsizetype length);
    // Sets `key` only where the text has no value for it yet.
    void addAttributeIfMissing(const QString& key, const QVariant& value, qsizetype location,
                               qsizetype length);
    // Replaces every attribute over the range.
    void setAttributes(const TextAttributes& attributes, qsizetype location, qsizetype length);
    void removeAttribute(const QString& key, qsizetype location, qsizetype length);

    // Plain text takes the attributes of the character before the range (of the first character
    // when the range starts the text).
    void replaceCharacters(qsizetype location, qsizetype length, const QString& text);
    void replaceCharacters(qsizetype location, qsizetype length, const AttributedString& text);
    void insert(qsizetype location, const AttributedString& text);
    void deleteCharacters(qsizetype location, qsizetype length);
    void append(const AttributedString& text);
    void append(const QString& text, const TextAttributes& attributes);

    AttributedString substring(qsizetype location, qsizetype length) const;

    // The runs meeting the range, each cut to it, in order.
    void enumerateAttributes(qsizetype location, qsizetype length, const RunBlock& block) const;
    // The stretches of the range over which `key` keeps one value (null where absent).
    void enumerateAttribute(const QString& key, qsizetype location, qsizetype length,
                            const std::function<bool(const QVariant& value, qsizetype location,
                                                     qsizetype length)>& block) const;

    friend bool operator==(const AttributedString&, const AttributedString&) = default;

private:
    // Clips the range to the text; false when nothing is left.
    bool clip(qsizetype& location, qsizetype& length) const;
    // Makes a run boundary at `position`; returns the index of the run that starts there (the
    // number of runs at the end of the text).
    std::size_t splitAt(qsizetype position);
    void changeRange(qsizetype location, qsizetype length,
                     const std::function<void(TextAttributes&)>& change);
    void coalesce();

    QString text_;
    std::vector<Run> runs_;
};

}  // namespace platform
