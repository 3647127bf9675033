#pragma once

// What a program installs at start-up, and who installs it. Nothing registers itself from a static
// initializer: the linker drops an object file of a static library that nothing refers to, and its
// registrations with it. A program therefore starts in two stages, before it makes ZVApi::api().
//
// 1. The start-up function of the highest library it links. Each one first calls those of the
//    libraries below it, registers only its own library's hooks, and may be called again:
//
//      platform::startUpSecurity()  the keychain backend: the desktop's keychain where one
//                                   answers, else the owner-only file; chosen once and logged
//      ZVStartUpSupport()   the error localiser: service error ids become the user's words
//                           (ZVError::setErrorLocalizer, from ZVLocalization)
//      ZVStartUpApi()       the two above, and how account confirmation links sign in
//                           (ZVURLHandler::setAccountConfirmation)
//      ZVStartUpModel()     the entities of an account's store, in ZVDataModel::shared()
//      ZVStartUpMarkup()    how the shared markup syntax is forgotten between tests, and the
//                           model's markup services (ZVMarkupServices)
//
//      ZAStartUp()          the analytics library's thread and shared state (ZVStartUpSupport
//                           calls it, for the event tracker)
//
//    The UI half follows the same pattern: platform::startUpUi() (the view layer),
//    ZVStartUpToolkitStyle() (text styles and colours) and ZVStartUpToolkitRichText() (the text
//    appearance the shared services draw names with).
//
// 2. The shell itself, which no library may link, installs what the libraries ask of the layers
//    above them:
//
//      ZVApi::setApplicationId()        the first element of the User-Agent
//      ZVApi::setSessionClass()         the repository session class, one per account
//      ZVApi::api()                     made only after the two above
//      setOnSessionStart(), setOnSessionEnd(), setDefaultErrorHandler() on ZVApi::api(); the
//                                       sign-in screen sets setOnLoginError() while it shows
//      the representation class of messages, the URL handler class
//      ZVRichText::setURLHandler()      opens links and share menus of rich text
//      an observer of the "ZelvoFatalError" notification
//      platform::Application::shared().setDelegate()  the application's life-cycle events
//
//    ZVApi answers the file transfers' delegate itself, when it makes them.
//
// A test program calls its library's start-up function through zvtest::startUpLibraries()
// (tests/support/TestEnvironment.h); tests/startup links a program exactly as the shell does and
// checks what stage 1 installs.

#include "ZelvoKit/markup/StartUp.h"
#include "ZelvoKit/model/StartUp.h"
