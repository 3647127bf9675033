#pragma once

#include "accounts/signin/ZVGoogleLoginViewController.h"

// The same sign-in through the other identity provider's page.
class ZVMicrosoftLoginViewController : public ZVGoogleLoginViewController {
public:
    static constexpr QLatin1StringView kPagePath{"authenticate/microsoft"};

    ZVMicrosoftLoginViewController();
};
