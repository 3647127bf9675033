#pragma once

#include "platform/ui/view/Window.h"

// A 100 × 100 point window at scale 1 with a white root view: one pixel is one point, so tests
// can read pixels at view coordinates.
struct SmallWindow {
    std::shared_ptr<platform::Window> window =
        platform::Window::make({platform::DeviceProfile::Idiom::Phone, {100, 100}, 1, 20});
    std::shared_ptr<platform::View> root = platform::View::make(window->bounds());

    SmallWindow() {
        root->setBackgroundColor(Qt::white);
        window->setRootView(root);
    }
};
