#pragma once

#include "platform/ui/view/View.h"

namespace platform {

// Shows a picture of a view taken earlier: what a flip turns away from or towards.
class SnapshotView : public View {
public:
    SnapshotView(const QRectF& frame, QImage picture) : View(frame), picture_(std::move(picture)) {}

    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    QImage picture_;
};

}  // namespace platform
