#include "MessageFlow/pages/StartUp.h"

#include "MessageFlow/pages/ZVConversationPageSet.h"

void ZVStartUpPages() {
    ZVAppServices::shared().makeConversationPages = &ZVConversationPageSet::make;
}
