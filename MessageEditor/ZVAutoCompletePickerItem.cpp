#include "MessageEditor/ZVAutoCompletePickerItem.h"

ZVAutoCompletePickerItem::ZVAutoCompletePickerItem(char prefix, bool anywhere,
                                                   PopulateProc populateProc,
                                                   ZVArrayCellGroup::CellClass cellClass,
                                                   qreal height)
    : prefix_(prefix),
      anywhere_(anywhere),
      populateProc_(std::move(populateProc)),
      cellClass_(std::move(cellClass)),
      itemHeight_(height) {}
