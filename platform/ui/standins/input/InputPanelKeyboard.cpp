#include "platform/ui/standins/input/InputPanelKeyboard.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QInputMethod>

namespace platform {

QRectF InputPanelKeyboard::frameFor(const KeyboardRequest& request) {
    QInputMethod* method = QGuiApplication::inputMethod();
    if (method != nullptr) {
        method->show();
        const QRectF panel = method->keyboardRectangle();
        if (method->isVisible() && !panel.isEmpty()) {
            return panel;
        }
    }
    return {request.screen.left(), request.screen.bottom(), request.screen.width(), 0};
}

void InputPanelKeyboard::willHide() {
    if (QInputMethod* method = QGuiApplication::inputMethod()) {
        method->hide();
    }
}

}  // namespace platform
