#pragma once

#include "ZelvoKit/support/media/ZVURLRepresentation.h"

#include <QtCore/QUrl>

// A local file ("file" URL), read whole when made: it is loaded or failed from the start, so its
// handlers run at once. Main thread.
class ZVFileURLRepresentation : public ZVURLRepresentation {
public:
    // Failures of reading the file, with the platform's numbers.
    static constexpr QLatin1StringView FileReadingDomain{"FileReading"};
    enum FileReadingCode : int {
        FileReadUnknown = 256,
        FileReadNoPermission = 257,
        FileReadNoSuchFile = 260,
    };

    static std::shared_ptr<ZVFileURLRepresentation> create(const QUrl& url);

private:
    ZVFileURLRepresentation() = default;
    void load(const QUrl& url);
};
