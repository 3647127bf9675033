#pragma once

#include <QtCore/QString>

// Every test runs with:
//  - the main scheduler on a virtual clock that starts at Scheduler::defaultVirtualStart(), with no
//    work left over from the previous test;
//  - the platform's root folder (caches, preferences, application group...) in a fresh temporary
//    folder, removed after the test;
//  - every shared object reset (platform::resetSharedState()).
namespace zvtest {

// Each test program defines it, in its folder's TestStartUp.cpp, calling the start-up function of
// the library it tests, as the executable does; the shared main calls it once before any test.
void startUpLibraries();

// The current test's temporary root folder.
QString testRoot();
// A fresh, empty folder below the test's root.
QString makeTempDir(const QString& name = QStringLiteral("tmp"));
// The source tree (for fixtures and resources).
QString sourceDir();
// The path of the running test executable (for tests that run it again as a child process).
QString executablePath();

}  // namespace zvtest
