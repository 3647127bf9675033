#pragma once

#include <QtCore/QString>

// The service operator's addresses the account screens write to. They belong to a deployment, not
// to the code: a build for another operator installs its own at start-up. Main thread only.
struct ZVServiceAddresses {
    // Abuse reports are posted into the one-to-one conversation with this address.
    QString abuseReport = QStringLiteral("abuse@zelvo.com");

    static ZVServiceAddresses& shared();
    // Back to the defaults (tests).
    static void reset();
};
