#include "toolkit/dialogs/ZVCellMenu.h"

#include "platform/ui/standins/input/Pasteboard.h"
#include "toolkit/dialogs/ZVLabelCell.h"

void ZVCellMenu::menuWillAppear() {
    // The option comes first: the host highlights the row only for a menu with options.
    if (dynamic_cast<ZVLabelCell*>(cell().get())) {
        addOption(kCopyOption, kCopyTitle, bind(&ZVCellMenu::copyCell));
    }
    ZVActionMenuHost::menuWillAppear();
}

void ZVCellMenu::copyCell() {
    if (const auto* row = dynamic_cast<ZVLabelCell*>(cell().get())) {
        platform::Pasteboard::general()->setString(row->labelText());
    }
}
