#pragma once

#include "platform/ui/controls/Button.h"
#include "platform/ui/standins/AlertController.h"

namespace platform {

// The card of an alert or action sheet as the overlay presenter draws it: title and message, the
// text fields, then a button per action (the cancel button last; none in a popover, where a tap
// outside cancels).
class AlertCardView : public View {
public:
    static constexpr qreal kAlertWidth = 270;
    static constexpr qreal kPopoverWidth = 320;
    static constexpr qreal kButtonHeight = 44;
    static constexpr qreal kFieldHeight = 30;
    static constexpr qreal kPadding = 16;

    AlertCardView(const std::shared_ptr<AlertController>& alert, qreal width);

    // The button of each shown action, in order, with the action's index.
    const std::vector<std::pair<std::shared_ptr<Button>, int>>& buttons() const { return buttons_; }
    const std::vector<std::shared_ptr<View>>& fields() const { return fields_; }

    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    qreal textHeight(qreal width) const;

    std::weak_ptr<AlertController> alert_;
    std::vector<std::pair<std::shared_ptr<Button>, int>> buttons_;
    std::vector<std::shared_ptr<View>> fields_;
};

}  // namespace platform
