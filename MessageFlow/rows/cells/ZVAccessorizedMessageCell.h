#pragma once

#include "MessageFlow/rows/accessories/ZVMessageAccessoryClass.h"
#include "MessageFlow/rows/cells/ZVAvatarMessageCell.h"

class ZVMessageAccessoryView;

// A row with a strip above its message (a day line or a gap), below it (a gap or the failed-send
// controls), or both.
class ZVAccessorizedMessageCell : public ZVAvatarMessageCell {
public:
    ZVAccessorizedMessageCell(std::weak_ptr<ZVConversationCells> cells,
                              ZVMessageViewClass viewClass, QString reuseIdentifier,
                              ZVMessageAccessoryClass topAccessory,
                              ZVMessageAccessoryClass bottomAccessory);
    ~ZVAccessorizedMessageCell() override;

    const std::shared_ptr<ZVMessageAccessoryView>& topAccessory() const { return topAccessory_; }
    const std::shared_ptr<ZVMessageAccessoryView>& bottomAccessory() const {
        return bottomAccessory_;
    }

    void setMessage(const std::shared_ptr<Message>& message) override;
    void setMessageInterval(double interval) override;
    void setBackgroundColor(const QColor& color) override;
    // The message's part of the row, without the strips.
    QRectF contentRect() const override;

protected:
    void setUp() override;
    QRectF layoutAccessories(const QRectF& rect) override;
    // Strips under the top accessory (the new-messages marker).
    virtual qreal markerHeight() const { return 0; }

private:
    ZVMessageAccessoryClass topClass_;
    ZVMessageAccessoryClass bottomClass_;
    std::shared_ptr<ZVMessageAccessoryView> topAccessory_;
    std::shared_ptr<ZVMessageAccessoryView> bottomAccessory_;
};
