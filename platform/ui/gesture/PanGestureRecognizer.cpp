#include "platform/ui/gesture/PanGestureRecognizer.h"

#include "platform/ui/view/View.h"

#include <QtCore/QLineF>

namespace platform {

namespace {

QPointF windowVectorIn(const View* view, QPointF vector) {
    if (view == nullptr) {
        return vector;
    }
    const QTransform toView = view->transformToWindow().inverted();
    return toView.map(vector) - toView.map(QPointF(0, 0));
}

}  // namespace

QPointF PanGestureRecognizer::translationInView(const View* view) const {
    return windowVectorIn(view, locationInView(nullptr) - start_);
}

void PanGestureRecognizer::setTranslation(QPointF translation, const View* view) {
    const QTransform toWindow = view != nullptr ? view->transformToWindow() : QTransform();
    const QPointF inWindow = toWindow.map(translation) - toWindow.map(QPointF(0, 0));
    start_ = locationInView(nullptr) - inWindow;
}

QPointF PanGestureRecognizer::velocityInView(const View* view) const {
    return windowVectorIn(view, velocity_);
}

void PanGestureRecognizer::record(const TouchEvent& event) {
    samples_.push_back({event.timestamp, locationInView(nullptr)});
    while (samples_.size() > 2 && samples_.back().time - samples_.front().time > kVelocityWindow) {
        samples_.pop_front();
    }
    const Sample& first = samples_.front();
    const Sample& last = samples_.back();
    if (last.time > first.time) {
        velocity_ = (last.location - first.location) / (last.time - first.time);
    }
}

void PanGestureRecognizer::touchesBegan(const TouchSet& touches, const TouchEvent& event) {
    GestureRecognizer::touchesBegan(touches, event);
    if (state() == State::Possible) {
        start_ = locationInView(nullptr);
        samples_.clear();
        velocity_ = {};
        record(event);
    }
}

void PanGestureRecognizer::touchesMoved(const TouchSet&, const TouchEvent& event) {
    record(event);
    if (state() == State::Possible) {
        if (QLineF(start_, locationInView(nullptr)).length() > kMinimumDistance) {
            setState(State::Began);
        }
    } else if (state() == State::Began || state() == State::Changed) {
        setState(State::Changed);
    }
}

void PanGestureRecognizer::touchesEnded(const TouchSet& touches, const TouchEvent& event) {
    GestureRecognizer::touchesEnded(touches, event);
    if (state() == State::Possible) {
        setState(State::Failed);
    } else if (state() == State::Began || state() == State::Changed) {
        setState(State::Ended);
    }
}

void PanGestureRecognizer::reset() {
    samples_.clear();
    velocity_ = {};
}

}  // namespace platform
