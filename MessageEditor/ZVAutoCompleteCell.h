#pragma once

#include <QtCore/QString>
#include <QtCore/QVariant>

// What the autocomplete picker asks of the rows it shows: each row is given its suggestion and
// answers the text that choosing it puts in place of the typed word.
class ZVAutoCompleteCell {
public:
    virtual ~ZVAutoCompleteCell() = default;
    virtual void setItem(const QVariant& item) = 0;
    virtual QString text() const = 0;
};
