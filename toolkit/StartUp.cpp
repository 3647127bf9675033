#include "toolkit/StartUp.h"

#include "ZelvoKit/ZelvoApi/StartUp.h"
#include "ZelvoKit/model/StartUp.h"
#include "toolkit/richtext/StartUp.h"

void ZVStartUpToolkit() {
    static bool started = false;
    if (started) {
        return;
    }
    started = true;
    ZVStartUpApi();
    ZVStartUpModel();
    ZVStartUpToolkitRichText();
}
