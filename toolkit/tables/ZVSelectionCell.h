#pragma once

#include "platform/foundation/AttributedString.h"

#include <QtCore/QString>

// What a cell may offer the table's text-selection mode, each on its own: the text to select
// (else its text label's), and its own handling of a copy or a quote of the selected text.
class ZVSelectionTextSource {
public:
    virtual ~ZVSelectionTextSource() = default;
    virtual platform::AttributedString getText() = 0;
};

class ZVSelectionCopyTarget {
public:
    virtual ~ZVSelectionCopyTarget() = default;
    virtual void copyText(const QString& text) = 0;
};

class ZVSelectionQuoteTarget {
public:
    virtual ~ZVSelectionQuoteTarget() = default;
    virtual void quoteText(const QString& text) = 0;
};
