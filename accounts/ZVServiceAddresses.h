#pragma once

#include <QtCore/QString>

// The service operator's addresses the account screens write to or open. They belong to a
// deployment, not to the code: a build for another operator installs its own at start-up. Main
// thread only.
struct ZVServiceAddresses {
    // Abuse reports are posted into the one-to-one conversation with this address.
    QString abuseReport = QStringLiteral("abuse@zelvo.com");
    // Support requests and diagnostic logs go to the one-to-one conversation with this address.
    QString support = QStringLiteral("support@zelvo.com");
    // The application's page in the application store, opened through the URL handler.
    QString store = QStringLiteral("https://apps.zelvo.com/store/zelvo");

    static ZVServiceAddresses& shared();
    // Back to the defaults (tests).
    static void reset();
};
