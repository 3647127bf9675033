#pragma once

#include "platform/ui/standins/AlertController.h"

namespace platform {

// An input alert's text field: takes typed and composed text while it is the first responder,
// Backspace removes the last character; secure entry shows bullets.
class AlertFieldView : public View {
public:
    explicit AlertFieldView(std::shared_ptr<AlertTextField> field);

    bool canBecomeFirstResponder() const override { return true; }
    bool textInput(const TextInput& input) override;
    bool keyPressed(const KeyPress& key) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    std::shared_ptr<AlertTextField> field_;
};

}  // namespace platform
