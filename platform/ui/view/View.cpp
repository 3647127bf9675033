#include "platform/ui/view/View.h"

#include "platform/ui/gesture/GestureRecognizer.h"
#include "platform/ui/view/ViewRenderer.h"
#include "platform/ui/view/Window.h"

#include <QtGui/QPainter>

#include <algorithm>

namespace platform {

namespace {

// Views this transparent take no touches.
constexpr qreal kMinimumHitAlpha = 0.01;
constexpr qreal kDefaultSnapshotScale = 2;

}  // namespace

View::View() : layer_(*this) {}

View::View(const QRectF& frame) : View() {
    setFrame(frame);
}

View::~View() {
    for (const auto& subview : subviews_) {
        subview->superview_ = nullptr;
    }
    for (const auto& recognizer : gestureRecognizers_) {
        recognizer->setView(nullptr);
    }
}

QRectF View::frame() const {
    const QRectF bounds = layer_.bounds();
    const QRectF centred(-bounds.width() / 2, -bounds.height() / 2, bounds.width(),
                         bounds.height());
    const LayerTransform& transform = layer_.transform();
    const QRectF shape =
        transform.isIdentity() ? centred : transform.toQTransform().mapRect(centred);
    return shape.translated(layer_.position());
}

void View::setFrame(const QRectF& frame) {
    setCenter(frame.center());
    setBounds(QRectF(bounds().topLeft(), frame.size()));
}

QTransform View::transform() const {
    return layer_.transform().toQTransform();
}

void View::setTransform(const QTransform& transform) {
    layer_.setTransform(LayerTransform::fromAffine(transform));
}

Window* View::window() const {
    const View* view = this;
    while (view->superview_ != nullptr) {
        view = view->superview_;
    }
    return const_cast<View*>(view)->asWindow();
}

void View::addSubview(const std::shared_ptr<View>& view) {
    insertSubview(view, subviews_.size());
}

void View::insertSubview(const std::shared_ptr<View>& view, std::size_t index) {
    if (!view || view.get() == this) {
        return;
    }
    attach(view, index);
}

void View::insertSubviewAbove(const std::shared_ptr<View>& view, const View* sibling) {
    const auto it = std::find_if(subviews_.begin(), subviews_.end(),
                                 [&](const auto& s) { return s.get() == sibling; });
    const std::size_t index = it == subviews_.end()
                                  ? subviews_.size()
                                  : static_cast<std::size_t>(it - subviews_.begin()) + 1;
    insertSubview(view, index);
}

void View::insertSubviewBelow(const std::shared_ptr<View>& view, const View* sibling) {
    const auto it = std::find_if(subviews_.begin(), subviews_.end(),
                                 [&](const auto& s) { return s.get() == sibling; });
    const std::size_t index =
        it == subviews_.end() ? 0 : static_cast<std::size_t>(it - subviews_.begin());
    insertSubview(view, index);
}

void View::attach(const std::shared_ptr<View>& view, std::size_t index) {
    const std::shared_ptr<View> keep = view;
    Window* oldWindow = view->window();
    Window* newWindow = window();
    const bool movesWindow = oldWindow != newWindow;
    if (movesWindow) {
        view->notifyWillMoveToWindow(newWindow);
    }
    const bool sameSuperview = view->superview_ == this;
    if (!sameSuperview) {
        view->willMoveToSuperview(this);
    }
    if (sameSuperview) {
        const auto it = std::find(subviews_.begin(), subviews_.end(), view);
        const auto oldIndex = static_cast<std::size_t>(it - subviews_.begin());
        subviews_.erase(it);
        if (oldIndex < index) {
            --index;
        }
    } else {
        view->detachFromSuperview();
    }
    index = std::min(index, subviews_.size());
    subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), view);
    view->superview_ = this;
    if (!sameSuperview) {
        didAddSubview(view.get());
        view->didMoveToSuperview();
    }
    if (movesWindow) {
        view->notifyDidMoveToWindow();
    }
    view->setNeedsLayout();
    setNeedsDisplay();
}

void View::detachFromSuperview() {
    View* superview = superview_;
    if (superview == nullptr) {
        return;
    }
    superview->willRemoveSubview(this);
    auto& siblings = superview->subviews_;
    const auto it = std::find_if(siblings.begin(), siblings.end(),
                                 [&](const auto& s) { return s.get() == this; });
    superview_ = nullptr;
    superview->setNeedsDisplay();
    if (it != siblings.end()) {
        siblings.erase(it);
    }
}

void View::removeFromSuperview() {
    if (superview_ == nullptr) {
        return;
    }
    const std::shared_ptr<View> keep = shared_from_this();
    Window* oldWindow = window();
    if (oldWindow != nullptr) {
        notifyWillMoveToWindow(nullptr);
    }
    willMoveToSuperview(nullptr);
    detachFromSuperview();
    didMoveToSuperview();
    if (oldWindow != nullptr) {
        notifyDidMoveToWindow();
    }
}

void View::notifyWillMoveToWindow(Window* window) {
    if (Window* current = this->window(); current != nullptr && window != current) {
        current->viewWillLeave(*this);
    }
    willMoveToWindow(window);
    if (const auto owner = this->owner()) {
        owner->ownedViewWillMoveToWindow(window);
    }
    for (const auto& subview : std::vector(subviews_)) {
        subview->notifyWillMoveToWindow(window);
    }
}

void View::notifyDidMoveToWindow() {
    didMoveToWindow();
    if (const auto owner = this->owner()) {
        owner->ownedViewDidMoveToWindow(window());
    }
    for (const auto& subview : std::vector(subviews_)) {
        subview->notifyDidMoveToWindow();
    }
}

std::shared_ptr<ViewOwner> View::owner() const {
    return std::dynamic_pointer_cast<ViewOwner>(controller_.lock());
}

void View::bringSubviewToFront(const View* view) {
    const auto it = std::find_if(subviews_.begin(), subviews_.end(),
                                 [&](const auto& s) { return s.get() == view; });
    if (it != subviews_.end()) {
        std::rotate(it, it + 1, subviews_.end());
        setNeedsDisplay();
    }
}

void View::sendSubviewToBack(const View* view) {
    const auto it = std::find_if(subviews_.begin(), subviews_.end(),
                                 [&](const auto& s) { return s.get() == view; });
    if (it != subviews_.end()) {
        std::rotate(subviews_.begin(), it, it + 1);
        setNeedsDisplay();
    }
}

bool View::isDescendantOf(const View* view) const {
    for (const View* v = this; v != nullptr; v = v->superview_) {
        if (v == view) {
            return true;
        }
    }
    return false;
}

View* View::viewWithTag(int tag) {
    if (tag_ == tag) {
        return this;
    }
    for (const auto& subview : subviews_) {
        if (View* found = subview->viewWithTag(tag)) {
            return found;
        }
    }
    return nullptr;
}

void View::setNeedsLayout() {
    needsLayout_ = true;
    if (Window* w = window()) {
        w->setNeedsUpdate();
    }
}

void View::layoutIfNeeded() {
    if (needsLayout_) {
        needsLayout_ = false;
        const auto owner = this->owner();
        if (owner) {
            owner->ownedViewWillLayout();
        }
        layoutSubviews();
        if (owner) {
            owner->ownedViewDidLayout();
        }
    }
    for (const auto& subview : std::vector(subviews_)) {
        subview->layoutIfNeeded();
    }
}

QSizeF View::sizeThatFits(QSizeF) const {
    return bounds().size();
}

void View::sizeToFit() {
    const QSizeF size = sizeThatFits(bounds().size());
    const QRectF old = frame();
    setFrame(QRectF(old.topLeft(), size));
}

void View::drawRect(QPainter&, const QRectF&) {}

void View::setNeedsDisplay() {
    if (Window* w = window()) {
        w->setNeedsUpdate();
    }
}

QImage View::snapshot(qreal scale) const {
    if (scale <= 0) {
        const Window* w = window();
        scale = w != nullptr ? w->scale() : kDefaultSnapshotScale;
    }
    const QRectF b = layer_.presentationBounds();
    QImage image(std::max(1, qCeil(b.width() * scale)), std::max(1, qCeil(b.height() * scale)),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(-b.topLeft());
    ViewRenderer::drawContents(*this, painter);
    return image;
}

QTransform View::transformToSuperview() const {
    const QPointF boundsCenter = layer_.bounds().center();
    const LayerTransform& t = layer_.transform();
    const QTransform own = t.isIdentity() ? QTransform() : t.toQTransform();
    return QTransform::fromTranslate(-boundsCenter.x(), -boundsCenter.y()) * own *
           QTransform::fromTranslate(layer_.position().x(), layer_.position().y());
}

QTransform View::transformToWindow() const {
    QTransform total;
    for (const View* v = this; v->superview_ != nullptr; v = v->superview_) {
        total = total * v->transformToSuperview();
    }
    return total;
}

QPointF View::convertPointTo(QPointF point, const View* view) const {
    const QPointF inWindow = transformToWindow().map(point);
    return view == nullptr ? inWindow : view->transformToWindow().inverted().map(inWindow);
}

QPointF View::convertPointFrom(QPointF point, const View* view) const {
    const QPointF inWindow = view == nullptr ? point : view->transformToWindow().map(point);
    return transformToWindow().inverted().map(inWindow);
}

QRectF View::convertRectTo(const QRectF& rect, const View* view) const {
    QTransform map = transformToWindow();
    if (view != nullptr) {
        map = map * view->transformToWindow().inverted();
    }
    return map.mapRect(rect);
}

QRectF View::convertRectFrom(const QRectF& rect, const View* view) const {
    QTransform map = view == nullptr ? QTransform() : view->transformToWindow();
    map = map * transformToWindow().inverted();
    return map.mapRect(rect);
}

View* View::hitTest(QPointF point, const TouchEvent* event) {
    if (isHidden() || !userInteractionEnabled_ || alpha() < kMinimumHitAlpha ||
        layer_.isInteractionBlocked() || !pointInside(point, event)) {
        return nullptr;
    }
    for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
        View* subview = it->get();
        const QPointF inSubview = subview->transformToSuperview().inverted().map(point);
        if (View* hit = subview->hitTest(inSubview, event)) {
            return hit;
        }
    }
    return this;
}

bool View::pointInside(QPointF point, const TouchEvent*) const {
    return bounds().contains(point);
}

void View::addGestureRecognizer(const std::shared_ptr<GestureRecognizer>& recognizer) {
    if (!recognizer) {
        return;
    }
    if (View* old = recognizer->view(); old != nullptr && old != this) {
        old->removeGestureRecognizer(recognizer.get());
    }
    if (std::find(gestureRecognizers_.begin(), gestureRecognizers_.end(), recognizer) ==
        gestureRecognizers_.end()) {
        gestureRecognizers_.push_back(recognizer);
    }
    recognizer->setView(this);
}

void View::removeGestureRecognizer(const GestureRecognizer* recognizer) {
    const auto it = std::find_if(gestureRecognizers_.begin(), gestureRecognizers_.end(),
                                 [&](const auto& r) { return r.get() == recognizer; });
    if (it != gestureRecognizers_.end()) {
        const auto removed = *it;
        gestureRecognizers_.erase(it);
        removed->setView(nullptr);
    }
}

bool View::gestureRecognizerShouldBegin(GestureRecognizer&) {
    return true;
}

Responder* View::nextResponder() const {
    if (auto controller = controller_.lock()) {
        return controller.get();
    }
    return superview_;
}

bool View::endEditing(bool force) {
    Window* window = this->window();
    if (window == nullptr) {
        return true;
    }
    const auto* editing = dynamic_cast<const View*>(window->firstResponder());
    if (editing == nullptr || !editing->isDescendantOf(this)) {
        return true;
    }
    return window->makeFirstResponder(nullptr, force);
}

}  // namespace platform
