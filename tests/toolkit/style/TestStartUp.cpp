#include "toolkit/style/StartUp.h"

namespace zvtest {

void startUpLibraries() {
    ZVStartUpToolkitStyle();
}

}  // namespace zvtest
