#pragma once

#include <QtCore/QJsonValue>
#include <QtCore/QRegularExpression>

#include <optional>

// How one kind of line is recognised and treated: ["pattern", flags].
class ZVLineType {
public:
    enum Flag {
        // The line's text goes through the inline markup.
        Inline = 1,
        // The line's remaining text is dropped.
        Drop = 2,
        // The line's remaining text is written as it is, followed by a line break.
        Verbatim = 4,
    };

    ZVLineType() = default;
    explicit ZVLineType(const QJsonValue& values);

    // "^" and "$" match at line breaks. Unset when the pattern did not compile.
    const std::optional<QRegularExpression>& regex() const { return regex_; }
    int flags() const { return flags_; }
    bool isValid() const { return regex_.has_value(); }

private:
    std::optional<QRegularExpression> regex_;
    int flags_ = 0;
};
