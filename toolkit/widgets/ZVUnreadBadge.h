#pragma once

#include "toolkit/widgets/ZVBadge.h"

// A badge showing an unread count compactly ("12k+"); hidden at 0.
class ZVUnreadBadge : public ZVBadge {
public:
    static constexpr long kThousand = 1000;

    long number() const { return number_; }
    void setNumber(long number) { setNumber(number, false); }
    void setNumber(long number, bool animated);
    bool isGray() const { return style() == kOutlined; }
    void setGray(bool gray) { setStyle(gray ? kOutlined : kOrange); }

    static QString formatNumber(long number);
    static QImage badgeWithNumber(long number);

private:
    long number_ = 0;
};
