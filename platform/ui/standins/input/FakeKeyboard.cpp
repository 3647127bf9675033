#include "platform/ui/standins/input/FakeKeyboard.h"

namespace platform {

QRectF FakeKeyboard::frameFor(const KeyboardRequest& request) {
    requests_.push_back(request);
    const QRectF& screen = request.screen;
    return {screen.left(), screen.bottom() - height_, screen.width(), height_};
}

}  // namespace platform
