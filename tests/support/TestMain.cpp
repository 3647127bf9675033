#include "tests/support/TestEnvironment.h"

#include <QtCore/QCoreApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace zvtest {
void installTestEnvironment();
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Zelvo"));
    testing::InitGoogleMock(&argc, argv);
    zvtest::installTestEnvironment();
    return RUN_ALL_TESTS();
}
