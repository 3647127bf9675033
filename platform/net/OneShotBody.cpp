#include "platform/net/OneShotBody.h"

#include <QtCore/QBuffer>
#include <QtNetwork/QNetworkAccessManager>
#include <QtNetwork/QNetworkReply>

namespace platform {

OneShotBody::OneShotBody(std::unique_ptr<QIODevice> source) : source_(std::move(source)) {
    if (source_ && source_->isReadable()) {
        open(QIODevice::ReadOnly);
    }
}

OneShotBody::~OneShotBody() = default;

std::unique_ptr<OneShotBody> OneShotBody::fromBytes(const QByteArray& bytes) {
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    return std::make_unique<OneShotBody>(std::move(buffer));
}

qint64 OneShotBody::bytesAvailable() const {
    return source_->bytesAvailable() + QIODevice::bytesAvailable();
}

bool OneShotBody::atEnd() const {
    return QIODevice::bytesAvailable() == 0 && source_->atEnd();
}

qint64 OneShotBody::readData(char* data, qint64 maxSize) {
    const qint64 read = source_->read(data, maxSize);
    // A sequential device says "no more, ever" with -1; 0 would mean "none yet".
    return read == 0 && source_->atEnd() ? -1 : read;
}

qint64 OneShotBody::writeData(const char*, qint64) {
    return -1;
}

QNetworkReply* sendOnce(QNetworkAccessManager& manager, QNetworkRequest request,
                        const QByteArray& method, std::unique_ptr<OneShotBody> body,
                        qint64 length) {
    request.setHeader(QNetworkRequest::ContentLengthHeader, length);
    request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
    QNetworkReply* reply = manager.sendCustomRequest(request, method, body.get());
    body.release()->setParent(reply);
    return reply;
}

}  // namespace platform
