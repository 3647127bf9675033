#pragma once

#include "platform/ui/standins/input/Pasteboard.h"

namespace platform {

// A pasteboard that lives in this process only: the general pasteboard of a process without a
// GUI, and the one tests install.
class MemoryPasteboard : public Pasteboard {
public:
    PasteboardItem item() const override { return item_; }
    void setItem(const PasteboardItem& item) override;
    qint64 changeCount() const override { return changeCount_; }

private:
    PasteboardItem item_;
    qint64 changeCount_ = 0;
};

}  // namespace platform
