#include "platform/ui/standins/input/MemoryPasteboard.h"

namespace platform {

void MemoryPasteboard::setItem(const PasteboardItem& item) {
    item_ = item;
    ++changeCount_;
}

}  // namespace platform
