#include "platform/ui/view/Responder.h"

#include "platform/ui/view/Window.h"

namespace platform {

bool Responder::becomeFirstResponder() {
    Window* window = responderWindow();
    return window != nullptr && canBecomeFirstResponder() && window->makeFirstResponder(this);
}

bool Responder::resignFirstResponder() {
    Window* window = responderWindow();
    if (window == nullptr || window->firstResponder() != this) {
        return true;
    }
    return canResignFirstResponder() && window->makeFirstResponder(nullptr);
}

bool Responder::isFirstResponder() const {
    const Window* window = responderWindow();
    return window != nullptr && window->firstResponder() == this;
}

void Responder::touchesBegan(const TouchSet& touches, const TouchEvent& event) {
    if (Responder* next = nextResponder()) {
        next->touchesBegan(touches, event);
    }
}

void Responder::touchesMoved(const TouchSet& touches, const TouchEvent& event) {
    if (Responder* next = nextResponder()) {
        next->touchesMoved(touches, event);
    }
}

void Responder::touchesEnded(const TouchSet& touches, const TouchEvent& event) {
    if (Responder* next = nextResponder()) {
        next->touchesEnded(touches, event);
    }
}

void Responder::touchesCancelled(const TouchSet& touches, const TouchEvent& event) {
    if (Responder* next = nextResponder()) {
        next->touchesCancelled(touches, event);
    }
}

bool Responder::keyPressed(const KeyPress& key) {
    Responder* next = nextResponder();
    return next != nullptr && next->keyPressed(key);
}

bool Responder::textInput(const TextInput& input) {
    Responder* next = nextResponder();
    return next != nullptr && next->textInput(input);
}

bool Responder::canPerformAction(const QString& /*action*/, const void* /*sender*/) const {
    return false;
}

bool Responder::performAction(const QString& /*action*/, const void* /*sender*/) {
    return false;
}

}  // namespace platform
