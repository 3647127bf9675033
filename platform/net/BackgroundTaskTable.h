#pragma once

#include "platform/net/BackgroundUrlSessionTask.h"

#include <QtCore/QString>

#include <cstdint>
#include <vector>

namespace platform::detail {

// What a background session must know of a task to carry it on in a later process.
struct BackgroundTaskRecord {
    std::uint64_t identifier = 0;
    BackgroundUrlSessionTask::Kind kind = BackgroundUrlSessionTask::Kind::Download;
    // Without a body: an upload's body is its file.
    UrlRequest request;
    QString uploadFile;
    // Resumed (and to be carried on), or still suspended.
    bool running = false;
    TimeInterval startDate = 0;
    QByteArray validator;
};

// A background session's tasks as they are kept on disk, a JSON file replaced atomically. It holds
// the requests' headers, cookies included, so it is readable by its owner only.
struct BackgroundTaskTable {
    std::uint64_t nextIdentifier = 1;
    std::vector<BackgroundTaskRecord> records;

    // An empty table when there is no file; when the file cannot be read or understood, also
    // empty, with `error` saying why. Records that make no sense are left out.
    static BackgroundTaskTable read(const QString& path, QString* error);
    bool write(const QString& path, QString* error) const;
};

}  // namespace platform::detail
