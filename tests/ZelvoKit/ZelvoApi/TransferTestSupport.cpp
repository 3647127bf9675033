#include "tests/ZelvoKit/ZelvoApi/TransferTestSupport.h"

#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "platform/foundation/Scheduler.h"
#include "platform/net/BackgroundUrlSessionTask.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QDir>
#include <QtCore/QDirIterator>
#include <QtCore/QFile>

#include <gtest/gtest.h>

namespace zvapitest {

namespace {
constexpr int kNetworkWaitMs = 10000;
}

QByteArray patternBytes(qsizetype size, quint32 seed) {
    QByteArray bytes;
    bytes.reserve(size);
    quint32 state = seed;
    while (bytes.size() < size) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes.append(static_cast<char>(state & 0xff));
    }
    return bytes;
}

QString writeTestFile(const QString& folder, const QString& name, const QByteArray& bytes) {
    const QString directory = zvtest::testRoot() + u'/' + folder;
    QDir().mkpath(directory);
    const QString path = directory + u'/' + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

QByteArray readTestFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList filesBelow(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files.append(QDir(folder).relativeFilePath(it.next()));
    }
    files.sort();
    return files;
}

bool waitUntil(const std::function<bool()>& condition) {
    return platform::Scheduler::main().runUntil(condition, kNetworkWaitMs);
}

void TransferRecorder::transferProgress(const std::shared_ptr<ZVFileTransferTask>&, float value) {
    progress.push_back(value);
}

void TransferRecorder::transferFailed(const std::shared_ptr<ZVFileTransferTask>& transfer,
                                      const ZVErrorPtr& error, const QByteArray&) {
    const bool running =
        transfer && transfer->task() &&
        transfer->task()->state() == platform::BackgroundUrlSessionTask::State::Running;
    failures.push_back({error, running});
}

void TransferRecorder::uploadCompleted(const std::shared_ptr<ZVFileTransferTask>&,
                                       ZVJsonParser& response) {
    uploads.append(response.extractString(u"files[0]/upload_url", QString()));
}

void TransferRecorder::downloadCompleted(const std::shared_ptr<ZVFileTransferTask>& transfer,
                                         const QUrl& fileUrl) {
    downloads.push_back(fileUrl);
    downloadTransfers.push_back(transfer.get());
}

}  // namespace zvapitest
