#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QList>
#include <QtCore/QMap>
#include <QtCore/QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

namespace httplib {
class Server;
}

// The analytics collection endpoint on loopback: records every request to "/collect", inflates
// compressed bodies, splits the payload into hits and answers with a chosen status.
class AnalyticsCollector {
public:
    struct Request {
        QByteArray method;
        QMap<QByteArray, QByteArray> headers;
        // The body as the HTTP layer handed it over.
        QByteArray rawBody;
        // GET: the query; POST: the body, inflated per its Content-Encoding.
        QByteArray payload;
        // One hit per payload line, decoded from form encoding.
        QList<QMap<QString, QString>> hits;
    };

    AnalyticsCollector();
    ~AnalyticsCollector();
    AnalyticsCollector(const AnalyticsCollector&) = delete;
    AnalyticsCollector& operator=(const AnalyticsCollector&) = delete;

    bool start();
    void stop();
    // "http://127.0.0.1:<port>/collect"
    QString collectUrl() const;

    void setStatus(int status) { status_.store(status); }
    QList<Request> requests() const;
    std::size_t requestCount() const;
    // Every hit received, in order.
    QList<QMap<QString, QString>> hits() const;

    static QMap<QString, QString> decodeHit(const QByteArray& line);

private:
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    std::atomic<int> status_{200};
    mutable std::mutex lock_;
    QList<Request> requests_;
};
