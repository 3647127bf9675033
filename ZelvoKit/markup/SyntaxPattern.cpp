#include "ZelvoKit/markup/SyntaxPattern.h"

namespace {

// Steps of the matching engine per match attempt: far above what a sane line pattern needs on the
// longest message, far below what makes a user wait.
constexpr int kMatchLimit = 1000000;
constexpr int kDepthLimit = 10000;

}  // namespace

std::optional<QRegularExpression> compileSyntaxPattern(const QString& pattern,
                                                       QRegularExpression::PatternOptions options,
                                                       QString* error) {
    if (pattern.contains(QLatin1StringView("(*LIMIT_"))) {
        if (error) {
            *error = QStringLiteral("pattern sets its own match limits");
        }
        return std::nullopt;
    }
    QRegularExpression regex(
        QStringLiteral("(*LIMIT_MATCH=%1)(*LIMIT_DEPTH=%2)").arg(kMatchLimit).arg(kDepthLimit) +
            pattern,
        options);
    if (!regex.isValid()) {
        if (error) {
            *error = QStringLiteral("%1 at offset %2")
                         .arg(regex.errorString())
                         .arg(regex.patternErrorOffset());
        }
        return std::nullopt;
    }
    regex.optimize();
    return regex;
}
