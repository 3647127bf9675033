#pragma once

#include "platform/foundation/Scheduler.h"
#include "platform/ui/host/WindowHost.h"

#include <QtGui/QWindow>

// For fixtures whose tests run again in a real X window on a virtual X server.
class RealWindowSupport {
protected:
    // Real events need real time: this bounds how long the window system may take, it times
    // nothing the code does.
    static constexpr int kWindowSystemTimeoutMs = 10000;

    // Shows `host`, laying its window out, until the window system has exposed it.
    static bool showAndWaitUntilExposed(platform::WindowHost& host) {
        host.show();
        return platform::Scheduler::main().runUntil(
            [&] {
                host.window()->updateNow();
                return host.windowHandle()->isExposed();
            },
            kWindowSystemTimeoutMs);
    }
};
