#pragma once

#include "platform/ui/view/Window.h"

#include <QtCore/QPointer>
#include <QtGui/QTouchEvent>
#include <QtWidgets/QWidget>

#include <memory>
#include <vector>

namespace platform {

// Shows a window's view tree in a real top-level window: paints it with QPainter (raster, at the
// screen's pixel ratio), turns mouse and touch input into touches, and passes keys and input-method
// text (composition and commit) to the first responder. Native widgets (a web page) can be shown
// over a view, following the view's frame on every update.
class WindowHost : public QWidget {
public:
    // The touch that a mouse button drives; real touch points keep their own ids above it.
    static constexpr int kMouseTouch = 0;
    // Points the content moves for one notch of a mouse wheel (an angle of 15 degrees, 120 in
    // Qt's units); a touchpad's pixel deltas move it by their own amount.
    static constexpr qreal kWheelNotchDistance = 40;
    static constexpr qreal kWheelNotchAngle = 120;

    explicit WindowHost(std::shared_ptr<Window> window, QWidget* parent = nullptr);
    ~WindowHost() override;

    const std::shared_ptr<Window>& window() const { return window_; }

    // Shows `widget` as a child at `view`'s frame, for as long as the view lives and is shown.
    void attachNativeChild(const std::shared_ptr<View>& view, QWidget* widget);
    void detachNativeChild(QWidget* widget);
    // Moves the native children to their views' frames now (done on every update).
    void placeNativeChildren();

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Scrolls the innermost scroll view under the pointer that can still move that way.
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct NativeChild {
        std::weak_ptr<View> view;
        QPointer<QWidget> widget;
    };
    bool isShowing(const View& view) const;
    void touchEvent(QTouchEvent* event);

    std::shared_ptr<Window> window_;
    int observer_ = 0;
    std::vector<NativeChild> children_;
};

}  // namespace platform
