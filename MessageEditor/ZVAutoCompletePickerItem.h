#pragma once

#include "toolkit/dialogs/ZVArrayCellGroup.h"

#include <QtCore/QString>
#include <QtCore/QVariantList>

#include <functional>

// One kind of suggestion of the autocomplete picker: the character that starts the word ("@",
// "/"), whether it may stand anywhere or only at the very start of the text, how the suggestions
// for a typed word are found and in which rows (a ZVAutoCompleteCell) of what height they show.
class ZVAutoCompletePickerItem {
public:
    // Given the word typed after the trigger; an empty list when nothing matches.
    using PopulateProc = std::function<QVariantList(const QString& word)>;

    ZVAutoCompletePickerItem(char prefix, bool anywhere, PopulateProc populateProc,
                             ZVArrayCellGroup::CellClass cellClass, qreal height);

    char prefix() const { return prefix_; }
    bool anywhere() const { return anywhere_; }
    const PopulateProc& populateProc() const { return populateProc_; }
    const ZVArrayCellGroup::CellClass& cellClass() const { return cellClass_; }
    qreal itemHeight() const { return itemHeight_; }
    void setItemHeight(qreal height) { itemHeight_ = height; }

private:
    char prefix_;
    bool anywhere_;
    PopulateProc populateProc_;
    ZVArrayCellGroup::CellClass cellClass_;
    qreal itemHeight_;
};
