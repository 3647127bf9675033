#pragma once

#include <QtCore/QRegularExpression>
#include <QtCore/QString>

#include <optional>

// Compiles a pattern of the markup syntax. The patterns come from the service, so each match is
// bounded: a pattern that backtracks without end fails to match instead of hanging the client,
// and a pattern may not raise that bound itself. Nothing, with the reason in `error`, when the
// pattern does not compile or tries to change its limits.
std::optional<QRegularExpression> compileSyntaxPattern(const QString& pattern,
                                                       QRegularExpression::PatternOptions options,
                                                       QString* error);
