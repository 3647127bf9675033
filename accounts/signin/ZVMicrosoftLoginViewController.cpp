#include "accounts/signin/ZVMicrosoftLoginViewController.h"

ZVMicrosoftLoginViewController::ZVMicrosoftLoginViewController()
    : ZVGoogleLoginViewController(QString(kPagePath), QStringLiteral("Sign in with Microsoft")) {}
