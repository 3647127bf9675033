#include "platform/ui/host/WindowHost.h"

#include "platform/ui/scroll/ScrollView.h"
#include "platform/ui/view/ViewRenderer.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QInputMethod>
#include <QtGui/QInputMethodEvent>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtGui/QRegion>
#include <QtGui/QTouchEvent>
#include <QtGui/QWheelEvent>

#include <algorithm>

namespace platform {

namespace {

// Touch points get ids above the mouse's so that both can be down at once.
constexpr int kFirstTouchPointId = WindowHost::kMouseTouch + 1;

TouchPhase phaseOf(QEventPoint::State state) {
    switch (state) {
        case QEventPoint::State::Pressed:
            return TouchPhase::Began;
        case QEventPoint::State::Released:
            return TouchPhase::Ended;
        case QEventPoint::State::Stationary:
            return TouchPhase::Stationary;
        default:
            return TouchPhase::Moved;
    }
}

}  // namespace

WindowHost::WindowHost(std::shared_ptr<Window> window, QWidget* parent)
    : QWidget(parent), window_(std::move(window)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_AcceptTouchEvents);
    setAttribute(Qt::WA_InputMethodEnabled);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    setFixedSize(window_->profile().size.toSize());
    observer_ = window_->addDisplayObserver([this] {
        placeNativeChildren();
        update();
        // The cursor may have moved or another input taken over: the input method asks again.
        if (hasFocus()) {
            QGuiApplication::inputMethod()->update(Qt::ImQueryAll);
        }
    });
}

WindowHost::~WindowHost() {
    window_->removeDisplayObserver(observer_);
}

void WindowHost::attachNativeChild(const std::shared_ptr<View>& view, QWidget* widget) {
    widget->setParent(this);
    children_.push_back({view, widget});
    placeNativeChildren();
}

void WindowHost::detachNativeChild(QWidget* widget) {
    children_.erase(std::remove_if(children_.begin(), children_.end(),
                                   [&](const NativeChild& c) { return c.widget == widget; }),
                    children_.end());
}

bool WindowHost::isShowing(const View& view) const {
    if (view.window() != window_.get()) {
        return false;
    }
    for (const View* v = &view; v != nullptr; v = v->superview()) {
        if (v->isHidden() || v->alpha() <= 0) {
            return false;
        }
    }
    return true;
}

void WindowHost::placeNativeChildren() {
    children_.erase(std::remove_if(children_.begin(), children_.end(),
                                   [](const NativeChild& c) { return c.widget.isNull(); }),
                    children_.end());
    for (const NativeChild& child : children_) {
        const auto view = child.view.lock();
        if (!view || !isShowing(*view)) {
            child.widget->hide();
            continue;
        }
        child.widget->setGeometry(view->convertRectTo(view->bounds(), nullptr).toAlignedRect());
        child.widget->show();
    }
}

void WindowHost::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    window_->layoutIfNeeded();
    for (const QRect& area : QRegion(rect()) - ViewRenderer::opaquePixels(*window_, 1)) {
        painter.fillRect(area, Qt::black);
    }
    window_->render(painter);
}

void WindowHost::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeNativeChildren();
}

void WindowHost::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        window_->sendTouch(kMouseTouch, TouchPhase::Began, event->position());
    }
}

void WindowHost::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) != 0) {
        window_->sendTouch(kMouseTouch, TouchPhase::Moved, event->position());
    }
}

void WindowHost::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        window_->sendTouch(kMouseTouch, TouchPhase::Ended, event->position());
    }
}

void WindowHost::wheelEvent(QWheelEvent* event) {
    QPointF delta = event->pixelDelta();
    if (delta.isNull()) {
        delta = QPointF(event->angleDelta()) * (kWheelNotchDistance / kWheelNotchAngle);
    }
    // The wheel turned away from the user shows what lies above: the content moves down.
    delta = -delta;
    if (delta.isNull()) {
        return;
    }
    for (View* view = window_->hitTest(event->position(), nullptr); view;
         view = view->superview()) {
        if (auto* scroll = dynamic_cast<ScrollView*>(view);
            scroll && scroll->scrollByWheel(delta)) {
            event->accept();
            return;
        }
    }
    event->ignore();
}

bool WindowHost::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            touchEvent(static_cast<QTouchEvent*>(event));
            return true;
        case QEvent::TouchCancel:
            for (const QEventPoint& point : static_cast<QTouchEvent*>(event)->points()) {
                window_->sendTouch(kFirstTouchPointId + point.id(), TouchPhase::Cancelled,
                                   point.position());
            }
            return true;
        default:
            return QWidget::event(event);
    }
}

void WindowHost::touchEvent(QTouchEvent* event) {
    for (const QEventPoint& point : event->points()) {
        const TouchPhase phase = phaseOf(point.state());
        if (phase != TouchPhase::Stationary) {
            window_->sendTouch(kFirstTouchPointId + point.id(), phase, point.position());
        }
    }
    event->accept();
}

void WindowHost::keyPressEvent(QKeyEvent* event) {
    if (!window_->sendKey({event->key(), event->modifiers(), event->text()})) {
        QWidget::keyPressEvent(event);
    }
}

void WindowHost::inputMethodEvent(QInputMethodEvent* event) {
    window_->sendTextInput({event->preeditString(), event->commitString(),
                            event->replacementStart(), event->replacementLength()});
    event->accept();
}

QVariant WindowHost::inputMethodQuery(Qt::InputMethodQuery query) const {
    const Responder* responder = window_->firstResponder();
    if (query == Qt::ImEnabled) {
        return responder != nullptr;
    }
    if (responder != nullptr) {
        if (QVariant answer = responder->inputMethodQuery(query); answer.isValid()) {
            return answer;
        }
    }
    return QWidget::inputMethodQuery(query);
}

}  // namespace platform
