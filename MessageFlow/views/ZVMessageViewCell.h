#pragma once

class ZVMessageViewCells;

// The cell that holds a message view, as the view reaches it: its table model, the expand button's
// action and the notice that the row's height changed. The message cell answers it.
class ZVMessageViewCell {
public:
    virtual ~ZVMessageViewCell() = default;
    // Null when the cell is in no table.
    virtual const ZVMessageViewCells* cells() const = 0;
    // Flips the message's expanded state and asks the table for the new height.
    virtual void toggleExpand() = 0;
    virtual void notifyCellHeightChangeAnimated(bool animated) = 0;
};
