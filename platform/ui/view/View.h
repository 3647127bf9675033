#pragma once

#include "platform/ui/view/Layer.h"
#include "platform/ui/view/Responder.h"

#include <QtCore/QRectF>
#include <QtGui/QImage>
#include <QtGui/QTransform>

#include <memory>
#include <vector>

class QPainter;

namespace platform {

class GestureRecognizer;
class Window;

// What a view tells the controller that manages it (the one given to setController), so that the
// controller can run its layout and appearance steps around the view's.
class ViewOwner {
public:
    virtual ~ViewOwner() = default;
    virtual void ownedViewWillLayout() {}
    virtual void ownedViewDidLayout() {}
    virtual void ownedViewWillMoveToWindow(Window* /*window*/) {}
    virtual void ownedViewDidMoveToWindow(Window* /*window*/) {}
};

// A rectangle of the screen that draws itself and holds subviews. Geometry is in points: `frame`
// in the superview's coordinates (derived from centre, bounds size and transform), `bounds` in the
// view's own. Views are shared objects; a superview owns its subviews, a subview refers back
// weakly.
class View : public Responder, public std::enable_shared_from_this<View> {
public:
    View();
    explicit View(const QRectF& frame);
    ~View() override;
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    template <typename T = View, typename... Args>
    static std::shared_ptr<T> make(Args&&... args) {
        return std::make_shared<T>(std::forward<Args>(args)...);
    }

    Layer& layer() { return layer_; }
    const Layer& layer() const { return layer_; }

    // --- geometry ---
    QRectF frame() const;
    // Overridable, as views that lay out on a new frame do.
    virtual void setFrame(const QRectF& frame);
    QRectF bounds() const { return layer_.bounds(); }
    void setBounds(const QRectF& bounds) { layer_.setBounds(bounds); }
    QPointF center() const { return layer_.position(); }
    void setCenter(QPointF center) { layer_.setPosition(center); }
    // The affine part of the layer's transform.
    QTransform transform() const;
    void setTransform(const QTransform& transform);

    // --- appearance ---
    qreal alpha() const { return layer_.opacity(); }
    void setAlpha(qreal alpha) { layer_.setOpacity(alpha); }
    bool isHidden() const { return layer_.isHidden(); }
    virtual void setHidden(bool hidden) { layer_.setHidden(hidden); }
    QColor backgroundColor() const { return layer_.backgroundColor(); }
    void setBackgroundColor(const QColor& color) { layer_.setBackgroundColor(color); }
    bool clipsToBounds() const { return layer_.masksToBounds(); }
    void setClipsToBounds(bool clips) { layer_.setMasksToBounds(clips); }
    bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
    void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    // --- hierarchy ---
    View* superview() const { return superview_; }
    const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
    Window* window() const;
    void addSubview(const std::shared_ptr<View>& view);
    void insertSubview(const std::shared_ptr<View>& view, std::size_t index);
    void insertSubviewAbove(const std::shared_ptr<View>& view, const View* sibling);
    void insertSubviewBelow(const std::shared_ptr<View>& view, const View* sibling);
    void removeFromSuperview();
    void bringSubviewToFront(const View* view);
    void sendSubviewToBack(const View* view);
    bool isDescendantOf(const View* view) const;
    View* viewWithTag(int tag);

    // --- layout ---
    void setNeedsLayout();
    bool needsLayout() const { return needsLayout_; }
    // Lays out now whatever in this subtree was marked, top down.
    void layoutIfNeeded();
    virtual void layoutSubviews() {}
    virtual QSizeF sizeThatFits(QSizeF size) const;
    void sizeToFit();

    // --- drawing ---
    // Draws the view's own content in its bounds' coordinates; the background is already drawn.
    virtual void drawRect(QPainter& painter, const QRectF& rect);
    void setNeedsDisplay();
    // The view and its subviews as they show now, at `scale` pixels per point (0: the window's
    // scale, else 2).
    QImage snapshot(qreal scale = 0) const;

    // --- coordinates ---
    // Maps a point of this view into the superview's coordinates.
    QTransform transformToSuperview() const;
    QTransform transformToWindow() const;
    // `view` null means the window (or the topmost ancestor when there is none).
    QPointF convertPointTo(QPointF point, const View* view) const;
    QPointF convertPointFrom(QPointF point, const View* view) const;
    QRectF convertRectTo(const QRectF& rect, const View* view) const;
    QRectF convertRectFrom(const QRectF& rect, const View* view) const;
    QPointF convertFromWindow(QPointF point) const { return convertPointFrom(point, nullptr); }

    // --- touches ---
    // The deepest visible, interactive view under `point` (in this view's coordinates).
    virtual View* hitTest(QPointF point, const TouchEvent* event);
    virtual bool pointInside(QPointF point, const TouchEvent* event) const;
    void addGestureRecognizer(const std::shared_ptr<GestureRecognizer>& recognizer);
    void removeGestureRecognizer(const GestureRecognizer* recognizer);
    const std::vector<std::shared_ptr<GestureRecognizer>>& gestureRecognizers() const {
        return gestureRecognizers_;
    }
    // Asked before a recognizer that watches this view's touches begins.
    virtual bool gestureRecognizerShouldBegin(GestureRecognizer& recognizer);

    // Makes the first responder resign when it is this view or one inside it (the text input
    // being edited, so the keyboard goes); `force` overrides a responder that refuses. True when
    // no first responder is left inside.
    bool endEditing(bool force);

    // The responder after this view: its controller when one is set, else the superview.
    Responder* nextResponder() const override;
    Window* responderWindow() const override { return window(); }
    void setController(std::weak_ptr<Responder> controller) { controller_ = std::move(controller); }
    Responder* controller() const { return controller_.lock().get(); }

    // The root of a window answers itself.
    virtual Window* asWindow() { return nullptr; }
    virtual const Window* asWindow() const { return nullptr; }

protected:
    virtual void willMoveToSuperview(View* /*newSuperview*/) {}
    virtual void didMoveToSuperview() {}
    virtual void willMoveToWindow(Window* /*newWindow*/) {}
    virtual void didMoveToWindow() {}
    virtual void didAddSubview(View* /*subview*/) {}
    virtual void willRemoveSubview(View* /*subview*/) {}

private:
    void attach(const std::shared_ptr<View>& view, std::size_t index);
    void detachFromSuperview();
    void notifyWillMoveToWindow(Window* window);
    void notifyDidMoveToWindow();
    std::shared_ptr<ViewOwner> owner() const;

    Layer layer_;
    View* superview_ = nullptr;
    std::vector<std::shared_ptr<View>> subviews_;
    std::vector<std::shared_ptr<GestureRecognizer>> gestureRecognizers_;
    std::weak_ptr<Responder> controller_;
    bool userInteractionEnabled_ = true;
    bool needsLayout_ = false;
    int tag_ = 0;
};

}  // namespace platform
