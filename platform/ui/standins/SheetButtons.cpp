#include "platform/ui/standins/SheetButtons.h"

#include "platform/foundation/Scheduler.h"

namespace platform {

std::shared_ptr<Button> makeSheetButton(const QString& title, std::function<void()> action) {
    auto button = Button::make(Button::Type::System);
    button->setTitle(title, Button::Normal);
    if (action) {
        button->addTarget(Control::TouchUpInside, [action = std::move(action)](Control& control) {
            Scheduler::main().post([button = control.weak_from_this(), action] {
                if (button.lock()) {
                    action();
                }
            });
        });
    }
    return button;
}

void setSheetButtonFont(Button& button, qreal pointSize, bool bold) {
    FontDescription font;
    font.pointSize = pointSize;
    if (bold) {
        font.weight = FontDescription::kBoldWeight;
    }
    button.titleLabel()->setFont(font);
}

}  // namespace platform
