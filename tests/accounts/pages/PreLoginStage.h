#pragma once

#include "accounts/pages/ZVBorderedTextField.h"
#include "accounts/pages/ZVContainerView.h"
#include "accounts/pages/ZVPreLoginViewController.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/standins/input/FakeKeyboard.h"
#include "platform/ui/view/Window.h"
#include "toolkit/style/ZVTextStyles.h"

#include <memory>

namespace prelogintest {

// A window of the given device showing a pre-login screen, with a keyboard of known height.
struct PreLoginStage {
    std::shared_ptr<platform::FakeKeyboard> keyboard = std::make_shared<platform::FakeKeyboard>();
    std::shared_ptr<platform::Window> window;
    std::shared_ptr<ZVPreLoginViewController> screen = std::make_shared<ZVPreLoginViewController>();

    explicit PreLoginStage(platform::DeviceProfile profile = platform::DeviceProfile::phone()) {
        platform::Keyboard::setShared(keyboard);
        window = platform::Window::make(profile);
        window->setRootViewController(screen);
        settle();
    }
    ~PreLoginStage() {
        window->setRootViewController(nullptr);
        platform::Keyboard::setShared(nullptr);
    }
    static void wait(double seconds) { platform::Scheduler::main().advance(seconds); }
    void settle() {
        wait(1);
        window->updateNow();
    }
    std::shared_ptr<ZVContainerView> page() const { return screen->container(); }
};

inline platform::AttributedString styled(const QString& text, int style = 2) {
    return platform::AttributedString(text, ZVTextStyles::attributesForStyle(style));
}

// What a user's edit does: the page is asked, and the field takes it when the page agrees.
inline bool edit(platform::TextField& field, platform::TextRange range, const QString& text) {
    if (!field.delegate()->textFieldShouldChangeCharacters(field, range, text)) {
        return false;
    }
    QString current = field.text();
    current.replace(range.location, range.length, text);
    field.setText(current);
    field.setSelectedRange({range.location + int(text.size()), 0});
    return true;
}

// Types `text` at the end of the field, one character at a time.
inline void typeAtEnd(platform::TextField& field, const QString& text) {
    for (const QChar c : text) {
        edit(field, {int(field.text().size()), 0}, QString(c));
    }
}

}  // namespace prelogintest
