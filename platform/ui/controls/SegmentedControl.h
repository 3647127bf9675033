#pragma once

#include "platform/ui/view/Control.h"

#include <QtCore/QStringList>
#include <QtGui/QColor>

#include <vector>

namespace platform {

// A row of equally wide titled segments, at most one selected. Lifting a finger on an enabled
// segment selects it and sends value-changed when the selection changed; selecting in code sends
// nothing. Subclasses draw their own look and may pick segments differently.
class SegmentedControl : public Control {
public:
    static constexpr int kNoSegment = -1;
    static constexpr qreal kDefaultHeight = 29;
    static constexpr qreal kTitleFontSize = 13;

    SegmentedControl();
    explicit SegmentedControl(const QStringList& titles);

    int numberOfSegments() const { return static_cast<int>(segments_.size()); }
    // `index` is clamped to 0 ... numberOfSegments(). The selection stays on its segment.
    void insertSegment(const QString& title, int index);
    void removeSegment(int index);
    void removeAllSegments();
    QString titleForSegment(int index) const;
    void setTitle(const QString& title, int index);
    bool isEnabledForSegment(int index) const;
    void setEnabledForSegment(bool enabled, int index);

    int selectedSegmentIndex() const { return selected_; }
    // An index outside the segments selects none.
    virtual void setSelectedSegmentIndex(int index);

    QColor tintColor() const { return tint_; }
    void setTintColor(const QColor& color);

    QRectF rectForSegment(int index) const;
    // The segment under `point` (bounds coordinates), or kNoSegment.
    int segmentAt(QPointF point) const;

    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;
    QSizeF sizeThatFits(QSizeF size) const override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    struct Segment {
        QString title;
        bool enabled = true;
    };
    std::vector<Segment> segments_;
    int selected_ = kNoSegment;
    QColor tint_;
};

}  // namespace platform
