#include "toolkit/StartUp.h"

#include "toolkit/richtext/StartUp.h"

void ZVStartUpToolkit() {
    static bool started = false;
    if (started) {
        return;
    }
    started = true;
    ZVStartUpToolkitRichText();
}
