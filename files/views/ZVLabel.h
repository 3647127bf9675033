#pragma once

#include "platform/ui/controls/Label.h"

// A label that can fade its text out downwards, for a row whose text was cut.
class ZVLabel : public platform::Label {
public:
    bool truncated() const { return truncated_; }
    void setTruncated(bool truncated);

    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    bool truncated_ = false;
};
