#pragma once

#include "ZelvoKit/markup/ZVMarkupSyntax.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <memory>
#include <ostream>

// Failures show strings as text, not as code units.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace zvmarkuptest {

// The definition the application carries, loaded afresh.
std::shared_ptr<ZVMarkupSyntax> bundledSyntax();
// The bundled definition as JSON, for tests that change one key.
QJsonObject bundledSyntaxJson();
// What the independent XML checker says about the documents: empty when every one is well-formed.
QString xmlCheckerErrors(const QStringList& documents);
// The text as the stripper gives it back: trailing white space does not survive.
QString withoutTrailingWhitespace(QString text);

}  // namespace zvmarkuptest
