#pragma once

#include "toolkit/alerts/ZVActionMenuHost.h"

// The long-press menu of a dialog form: a label row offers to copy its label's text.
class ZVCellMenu : public ZVActionMenuHost {
public:
    static inline const QString kCopyOption = QStringLiteral("copy");
    static inline const QString kCopyTitle = QStringLiteral("Copy");

    using ZVActionMenuHost::ZVActionMenuHost;

    void menuWillAppear() override;
    void copyCell();
};
