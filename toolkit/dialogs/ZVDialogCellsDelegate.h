#pragma once

class ZVDialogCell;

// What a dialog form tells its owner about the rows' text and taps; each call names the row.
class ZVDialogCellsDelegate {
public:
    virtual ~ZVDialogCellsDelegate() = default;
    virtual void textCellDidBeginEditing(ZVDialogCell& cell) = 0;
    virtual void textCellDidEndEditing(ZVDialogCell& cell) = 0;
    virtual void textCellDidChange(ZVDialogCell& cell) = 0;
    // Return in a field whose return key reads "Done".
    virtual void textCellWillReturn(ZVDialogCell& cell) = 0;
    virtual void cellTapped(ZVDialogCell& cell) = 0;
};
