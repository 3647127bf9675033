#include "ZelvoKit/model/StartUp.h"

#include "ZelvoKit/ZelvoApi/StartUp.h"

void ZVStartUpModel() {
    ZVStartUpApi();
}
