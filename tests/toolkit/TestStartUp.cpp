#include "toolkit/StartUp.h"

namespace zvtest {

void startUpLibraries() {
    ZVStartUpToolkit();
}

}  // namespace zvtest
