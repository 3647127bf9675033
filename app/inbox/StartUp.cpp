#include "app/inbox/StartUp.h"

#include "app/inbox/menus/ZVSessionMenu.h"
#include "app/shell/ZVAppServices.h"

void ZVStartUpInbox() {
    ZVAppServices& services = ZVAppServices::shared();
    services.makeSessionMenu = [] { return platform::View::make<ZVSessionMenu>(); };
}
