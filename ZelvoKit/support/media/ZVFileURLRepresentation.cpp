#include "ZelvoKit/support/media/ZVFileURLRepresentation.h"

#include "ZelvoKit/support/media/ImageUtils.h"
#include "ZelvoKit/support/media/ZVAssetsLibraryURLRepresentation.h"
#include "platform/foundation/Format.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>

namespace {

ZVErrorPtr fileError(int code, const QString& text) {
    return ZVError::errorWithDomain(ZVFileURLRepresentation::FileReadingDomain, code,
                                    {{ZVError::LocalizedDescriptionKey, text}});
}

}  // namespace

std::shared_ptr<ZVFileURLRepresentation> ZVFileURLRepresentation::create(const QUrl& url) {
    std::shared_ptr<ZVFileURLRepresentation> representation(new ZVFileURLRepresentation());
    representation->load(url);
    return representation;
}

void ZVFileURLRepresentation::load(const QUrl& url) {
    const QString path = url.toLocalFile();
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (path.isEmpty() || !info.exists()) {
        handleError(fileError(
            FileReadNoSuchFile,
            platform::format(u"The file “%@” couldn’t be opened because there is no such file.",
                             name)));
        return;
    }
    // A folder or a file that cannot be read would otherwise leave its handlers waiting forever.
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        const int code =
            info.isFile() && !info.isReadable() ? FileReadNoPermission : FileReadUnknown;
        handleError(fileError(
            code, platform::format(u"The file “%@” couldn’t be opened: %@", name,
                                   info.isFile() ? file.errorString()
                                                 : QStringLiteral("it is not a regular file"))));
        return;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        handleError(fileError(
            FileReadUnknown,
            platform::format(u"The file “%@” couldn’t be read: %@", name, file.errorString())));
        return;
    }

    setFileSize(info.size());
    setFileName(name);
    setData(bytes);
    if (!hasPictureExtension(name))
        return;
    const QImage image = decodeImage(bytes);
    if (image.isNull())
        return;
    setImageSize(QSizeF(image.size()));
    setThumbnail(makeThumbnail(image, ScreenScale()));
    if (needsReducedCopy(imageSize())) {
        auto reduced = ZVAssetsLibraryURLRepresentation::createWithImage(image, name);
        if (reduced->data())
            setResized(std::move(reduced));
    }
}
