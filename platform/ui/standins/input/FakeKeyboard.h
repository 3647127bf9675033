#pragma once

#include "platform/ui/standins/input/Keyboard.h"

#include <vector>

namespace platform {

// A keyboard of a set height that tests install: it rises over the bottom of the screen as a
// phone's does, and keeps every request it was given.
class FakeKeyboard : public Keyboard {
public:
    static constexpr qreal kDefaultHeight = 216;

    qreal height() const { return height_; }
    // Taken by the next input that begins.
    void setHeight(qreal height) { height_ = height; }
    const std::vector<KeyboardRequest>& requests() const { return requests_; }

protected:
    QRectF frameFor(const KeyboardRequest& request) override;

private:
    qreal height_ = kDefaultHeight;
    std::vector<KeyboardRequest> requests_;
};

}  // namespace platform
