#pragma once

#include <functional>

// Whether the pasteboard holds a whole copied message. The message editor registers the real
// question at start-up; until it has, there never is one.
class ZVClipboardMessageProbe {
public:
    ZVClipboardMessageProbe() = delete;

    static bool isInClipboard();
    // An empty function goes back to answering no.
    static void setProbe(std::function<bool()> probe);
};
