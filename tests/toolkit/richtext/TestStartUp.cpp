#include "toolkit/richtext/StartUp.h"

namespace zvtest {

void startUpLibraries() {
    ZVStartUpToolkitRichText();
}

}  // namespace zvtest
