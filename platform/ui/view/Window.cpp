#include "platform/ui/view/Window.h"

#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controllers/WindowControllers.h"
#include "platform/ui/view/ViewRenderer.h"

#include <QtGui/QPainter>
#include <QtGui/QRegion>

#include <algorithm>

namespace platform {

Window::Window(DeviceProfile profile)
    : profile_(profile), arena_([this](GestureRecognizer& r) { takeTouchesFromViews(r); }) {
    setFrame(QRectF(QPointF(0, 0), profile_.size));
}

Window::~Window() {
    // The controllers may still take their views out of the window: it must be whole then.
    rootViewController_.reset();
}

void Window::setProfile(const DeviceProfile& profile) {
    profile_ = profile;
    setFrame(QRectF(QPointF(0, 0), profile_.size));
}

void Window::setRootView(const std::shared_ptr<View>& view) {
    if (rootView_ == view) {
        return;
    }
    if (rootView_) {
        rootView_->removeFromSuperview();
    }
    rootView_ = view;
    if (rootView_) {
        rootView_->setFrame(bounds());
        insertSubview(rootView_, 0);
    }
}

void Window::setRootViewController(const std::shared_ptr<ViewController>& controller) {
    if (controller == rootViewController_) {
        return;
    }
    const auto old = rootViewController_;
    if (old) {
        old->beginAppearanceTransition(false, false);
    }
    rootViewController_ = controller;
    if (controller) {
        controller->beginAppearanceTransition(true, false);
    }
    setRootView(controller ? controller->view() : nullptr);
    if (old) {
        old->endAppearanceTransition();
    }
    if (controller) {
        controller->endAppearanceTransition();
        updateStatusBarAppearance(*this);
    }
}

void Window::layoutSubviews() {
    if (rootView_) {
        rootView_->setFrame(bounds());
    }
}

bool Window::makeFirstResponder(Responder* responder, bool force) {
    if (responder == firstResponder_) {
        return true;
    }
    Responder* old = firstResponder_;
    if (old != nullptr && !force && !old->canResignFirstResponder()) {
        return false;
    }
    firstResponder_ = responder;
    if (old != nullptr) {
        old->didResignFirstResponder();
    }
    if (responder != nullptr) {
        responder->didBecomeFirstResponder();
    }
    return true;
}

void Window::setNeedsUpdate() {
    if (updateScheduled_) {
        return;
    }
    updateScheduled_ = true;
    updateTimer_ = Scheduler::main().after(0, [this] { updateNow(); });
}

void Window::updateNow() {
    updateScheduled_ = false;
    layoutIfNeeded();
    const auto observers = displayObservers_;
    for (const auto& [id, observer] : observers) {
        observer();
    }
}

int Window::addDisplayObserver(std::function<void()> observer) {
    displayObservers_[++nextObserverId_] = std::move(observer);
    return nextObserverId_;
}

void Window::removeDisplayObserver(int id) {
    displayObservers_.erase(id);
}

QImage Window::render() {
    const QSize pixels = (profile_.size * profile_.scale).toSize();
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(profile_.scale);
    layoutIfNeeded();
    // Black below what the views leave uncovered only: an opaque screen paints the rest anyway.
    const QRegion uncovered =
        QRegion(image.rect()) - ViewRenderer::opaquePixels(*this, profile_.scale);
    const QRgb black = qRgb(0, 0, 0);
    for (const QRect& area : uncovered) {
        for (int y = area.top(); y <= area.bottom(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            std::fill(line + area.left(), line + area.right() + 1, black);
        }
    }
    QPainter painter(&image);
    render(painter);
    return image;
}

void Window::render(QPainter& painter) {
    layoutIfNeeded();
    painter.setRenderHints(ViewRenderer::kRenderHints);
    ViewRenderer::drawContents(*this, painter);
}

std::vector<std::shared_ptr<GestureRecognizer>> Window::recognizersFor(
    const std::shared_ptr<Touch>& touch, View* hit) {
    std::vector<std::shared_ptr<GestureRecognizer>> result;
    for (View* view = hit; view != nullptr; view = view->superview()) {
        for (const auto& recognizer : view->gestureRecognizers()) {
            const auto delegate = recognizer->delegate();
            if (recognizer->isEnabled() &&
                (!delegate || delegate->gestureRecognizerShouldReceiveTouch(*recognizer, *touch))) {
                result.push_back(recognizer);
            }
        }
    }
    return result;
}

void Window::sendTouch(int identifier, TouchPhase phase, QPointF location) {
    const TimeInterval now = Scheduler::main().now();
    std::shared_ptr<Touch> touch;
    if (phase == TouchPhase::Began) {
        if (activeTouches_.count(identifier) != 0) {
            return;
        }
        touch = std::make_shared<Touch>(identifier, location, now);
        View* hit = hitTest(location, nullptr);
        touch->view_ = hit != nullptr ? hit->weak_from_this() : weak_from_this();
        const bool first = activeTouches_.empty();
        activeTouches_[identifier] = touch;
        const auto recognizers = recognizersFor(touch, hit);
        for (const auto& recognizer : recognizers) {
            touch->recognizers_.push_back(recognizer);
        }
        arena_.join(recognizers, first);
    } else {
        const auto it = activeTouches_.find(identifier);
        if (it == activeTouches_.end()) {
            return;
        }
        touch = it->second;
        touch->moveTo(location, phase, now);
    }
    TouchEvent event{now, {}};
    for (const auto& [id, active] : activeTouches_) {
        event.allTouches.push_back(active);
    }
    const TouchSet touches{touch};
    arena_.beginDelivery();
    for (const auto& recognizer : touch->gestureRecognizers()) {
        if (!recognizer->isEnabled() || GestureRecognizer::isFinal(recognizer->state())) {
            continue;
        }
        deliverTouches(*recognizer, phase, touches, event);
    }
    deliverToView(touch, phase, event);
    if (phase == TouchPhase::Ended || phase == TouchPhase::Cancelled) {
        activeTouches_.erase(identifier);
    }
    arena_.endDelivery(!activeTouches_.empty());
}

void Window::deliverToView(const std::shared_ptr<Touch>& touch, TouchPhase phase,
                           const TouchEvent& event) {
    const auto view = touch->view();
    if (touch->takenFromView_ || !view) {
        return;
    }
    if (phase == TouchPhase::Began) {
        touch->viewBegan_ = true;
    }
    deliverTouches(*view, phase, {touch}, event);
}

void Window::takeTouchesFromViews(GestureRecognizer& recognizer) {
    const TimeInterval now = Scheduler::main().now();
    for (const auto& [id, touch] : std::map(activeTouches_)) {
        if (touch->takenFromView_) {
            continue;
        }
        const auto recognizers = touch->gestureRecognizers();
        const bool watched = std::any_of(recognizers.begin(), recognizers.end(),
                                         [&](const auto& r) { return r.get() == &recognizer; });
        if (!watched) {
            continue;
        }
        touch->takenFromView_ = true;
        if (const auto view = touch->view(); view && touch->viewBegan_) {
            view->touchesCancelled({touch}, TouchEvent{now, {touch}});
        }
    }
}

void Window::viewWillLeave(View& view) {
    if (auto* responderView = dynamic_cast<View*>(firstResponder_);
        responderView != nullptr && responderView->isDescendantOf(&view)) {
        // A responder that refuses to resign still cannot stay once it has left the window; it is
        // told, so that it stops editing.
        makeFirstResponder(nullptr, true);
    }
    for (const auto& [id, touch] : activeTouches_) {
        const auto touched = touch->view();
        if (touched && touched->isDescendantOf(&view)) {
            touch->takenFromView_ = true;
        }
    }
}

bool Window::sendKey(const KeyPress& key) {
    return firstResponder_ != nullptr && firstResponder_->keyPressed(key);
}

bool Window::sendTextInput(const TextInput& input) {
    return firstResponder_ != nullptr && firstResponder_->textInput(input);
}

}  // namespace platform
