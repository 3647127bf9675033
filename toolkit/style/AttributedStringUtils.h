#pragma once

#include "platform/foundation/AttributedString.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <functional>
#include <variant>

// A value for a template placeholder: none (the placeholder stays as it is written), a string, a
// list joined with blanks, or styled text that keeps its own attributes.
using TemplateValue =
    std::variant<std::monostate, QString, QStringList, platform::AttributedString>;
using TemplateVariables = std::function<TemplateValue(const QString& name)>;

// One line of about `length` characters around the first highlight (a background that is not
// transparent), with "..." where text was cut; the highlight keeps the "highlight" background and
// the rest gets a clear one. Cuts never split a surrogate pair.
platform::AttributedString extractHighlightedFragmentFitInLength(
    const platform::AttributedString& text, qsizetype length);

// Fills "{name}" placeholders with the values `variables` gives; a backslash makes the next
// character plain (the backslash stays). Every run of a value takes the default attributes it
// lacks. A template whose braces do not pair is logged and filled only up to the fault.
platform::AttributedString attributedStringWithFormat(const QString& format,
                                                      const TemplateVariables& variables,
                                                      const platform::TextAttributes& defaults);
// The plain form: each placeholder from the dictionary's strings.
QString stringWithFormat(const QString& format, const QHash<QString, QString>& variables);
