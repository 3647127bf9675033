#pragma once

#include "MessageFlow/rows/cells/ZVAccessorizedMessageCell.h"

class ZVMessageNewIndicatorView;

// The first row the user has not read: the new-messages marker under the row's top strip.
class ZVAccessorizedMessageCellWithNew : public ZVAccessorizedMessageCell {
public:
    using ZVAccessorizedMessageCell::ZVAccessorizedMessageCell;
    ~ZVAccessorizedMessageCellWithNew() override;

    const std::shared_ptr<ZVMessageNewIndicatorView>& newIndicator() const { return newIndicator_; }
    void setBackgroundColor(const QColor& color) override;

protected:
    void setUp() override;
    QRectF layoutAccessories(const QRectF& rect) override;
    qreal markerHeight() const override;

private:
    std::shared_ptr<ZVMessageNewIndicatorView> newIndicator_;
};
