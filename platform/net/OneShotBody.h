#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QIODevice>
#include <QtNetwork/QNetworkRequest>

#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace platform {

// A request body that the transport reads once and can never rewind.
//
// QtNetwork sends a request again, unasked, when its connection closes before any byte of the
// answer (a kept-alive connection that the server had just closed, say), rewinding the body to
// do so. The server may have acted on the first copy already, and most calls carry nothing that
// would let it spot the second. Given a body it cannot rewind, the transport reports the request
// as failed instead (-1005), and the caller decides, as for any lost connection, whether to send
// it again: a request reaches the server at most once per send.
//
// Reads what `source` holds, from where it stands; owns it. Read-only.
class OneShotBody : public QIODevice {
public:
    explicit OneShotBody(std::unique_ptr<QIODevice> source);
    ~OneShotBody() override;

    // Over a copy of `bytes`, opened.
    static std::unique_ptr<OneShotBody> fromBytes(const QByteArray& bytes);

    bool isSequential() const override { return true; }
    // The transport rewinds a body only to send it again.
    bool reset() override { return false; }
    qint64 bytesAvailable() const override;
    bool atEnd() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    std::unique_ptr<QIODevice> source_;
};

// Sends `body`, `length` bytes long, with `request`; the reply owns the body from here. The
// length is announced, so that the transport streams the body rather than keeping a copy it
// could send again.
QNetworkReply* sendOnce(QNetworkAccessManager& manager, QNetworkRequest request,
                        const QByteArray& method, std::unique_ptr<OneShotBody> body, qint64 length);

}  // namespace platform
