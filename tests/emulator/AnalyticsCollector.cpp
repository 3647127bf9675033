#include "tests/emulator/AnalyticsCollector.h"

#include "platform/net/Compression.h"

#include <QtCore/QUrlQuery>

#include <httplib.h>

AnalyticsCollector::AnalyticsCollector() = default;

AnalyticsCollector::~AnalyticsCollector() {
    stop();
}

QMap<QString, QString> AnalyticsCollector::decodeHit(const QByteArray& line) {
    QMap<QString, QString> hit;
    for (const QByteArray& pair : line.split('&')) {
        if (pair.isEmpty()) {
            continue;
        }
        const qsizetype equals = pair.indexOf('=');
        auto decode = [](QByteArray text) {
            text.replace('+', ' ');
            return QString::fromUtf8(QByteArray::fromPercentEncoding(text));
        };
        if (equals < 0) {
            hit.insert(decode(pair), QString(QLatin1String("")));
        } else {
            hit.insert(decode(pair.left(equals)), decode(pair.mid(equals + 1)));
        }
    }
    return hit;
}

bool AnalyticsCollector::start() {
    server_ = std::make_unique<httplib::Server>();
    server_->set_keep_alive_max_count(1);
    auto handle = [this](const httplib::Request& request, httplib::Response& response) {
        Request recorded;
        recorded.method = QByteArray::fromStdString(request.method);
        for (const auto& [name, value] : request.headers) {
            recorded.headers.insert(QByteArray::fromStdString(name).toLower(),
                                    QByteArray::fromStdString(value));
        }
        recorded.rawBody = QByteArray::fromStdString(request.body);
        if (recorded.method == "GET") {
            const std::string& target = request.target;
            const auto mark = target.find('?');
            recorded.payload = mark == std::string::npos
                                   ? QByteArray()
                                   : QByteArray::fromStdString(target.substr(mark + 1));
        } else {
            // The HTTP layer may have inflated the body already, by its Content-Encoding.
            const QByteArray encoding = recorded.headers.value("content-encoding");
            std::optional<QByteArray> body;
            if (encoding == "gzip") {
                body = platform::inflate(recorded.rawBody, platform::CompressionFormat::Gzip);
            } else if (encoding == "deflate") {
                body = platform::inflate(recorded.rawBody, platform::CompressionFormat::Zlib);
            }
            recorded.payload = body.value_or(recorded.rawBody);
        }
        for (const QByteArray& line : recorded.payload.split('\n')) {
            if (!line.isEmpty()) {
                recorded.hits.append(decodeHit(line));
            }
        }
        {
            std::lock_guard guard(lock_);
            requests_.append(recorded);
        }
        response.status = status_.load();
        response.set_content("", "text/plain");
    };
    server_->Get("/collect", handle);
    server_->Post("/collect", handle);
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) {
        server_.reset();
        return false;
    }
    thread_ = std::thread([server = server_.get()] { server->listen_after_bind(); });
    while (!server_->is_running()) {
        std::this_thread::yield();
    }
    return true;
}

void AnalyticsCollector::stop() {
    if (!server_) {
        return;
    }
    server_->stop();
    if (thread_.joinable()) {
        thread_.join();
    }
    server_.reset();
}

QString AnalyticsCollector::collectUrl() const {
    return QStringLiteral("http://127.0.0.1:%1/collect").arg(port_);
}

QList<AnalyticsCollector::Request> AnalyticsCollector::requests() const {
    std::lock_guard guard(lock_);
    return requests_;
}

std::size_t AnalyticsCollector::requestCount() const {
    std::lock_guard guard(lock_);
    return static_cast<std::size_t>(requests_.size());
}

QList<QMap<QString, QString>> AnalyticsCollector::hits() const {
    std::lock_guard guard(lock_);
    QList<QMap<QString, QString>> all;
    for (const auto& request : requests_) {
        all += request.hits;
    }
    return all;
}
