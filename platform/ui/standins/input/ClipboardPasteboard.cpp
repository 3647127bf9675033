#include "platform/ui/standins/input/ClipboardPasteboard.h"

#include <QtCore/QMimeData>
#include <QtGui/QClipboard>
#include <QtGui/QGuiApplication>

namespace platform {

namespace {

const QString kPlainTextMimeType = QStringLiteral("text/plain");
const QString kPrivateMimePrefix = QStringLiteral("application/x-pasteboard-");

}  // namespace

ClipboardPasteboard::ClipboardPasteboard() {
    // Copies made by other programs count as changes too.
    changed_ = QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged,
                                [this] { ++changeCount_; });
}

ClipboardPasteboard::~ClipboardPasteboard() {
    QObject::disconnect(changed_);
}

QString ClipboardPasteboard::mimeTypeForType(const QString& type) {
    if (type == kPlainTextType) {
        return kPlainTextMimeType;
    }
    return kPrivateMimePrefix + type;
}

QString ClipboardPasteboard::typeForMimeType(const QString& mimeType) {
    if (mimeType == kPlainTextMimeType) {
        return kPlainTextType;
    }
    if (mimeType.startsWith(kPrivateMimePrefix) && mimeType.size() > kPrivateMimePrefix.size()) {
        return mimeType.mid(kPrivateMimePrefix.size());
    }
    return {};
}

PasteboardItem ClipboardPasteboard::item() const {
    PasteboardItem result;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (data == nullptr) {
        return result;
    }
    for (const QString& mimeType : data->formats()) {
        const QString type = typeForMimeType(mimeType);
        if (!type.isNull()) {
            result.insert(type, data->data(mimeType));
        }
    }
    // Other programs offer text under their own charsets; QMimeData knows how to read those.
    if (!result.contains(kPlainTextType) && data->hasText()) {
        result.insert(kPlainTextType, data->text().toUtf8());
    }
    return result;
}

void ClipboardPasteboard::setItem(const PasteboardItem& item) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (item.isEmpty()) {
        clipboard->clear();
        return;
    }
    auto data = std::make_unique<QMimeData>();
    for (auto entry = item.constBegin(); entry != item.constEnd(); ++entry) {
        if (entry.key() == kPlainTextType) {
            data->setText(QString::fromUtf8(entry.value()));
        } else {
            data->setData(mimeTypeForType(entry.key()), entry.value());
        }
    }
    // The clipboard takes ownership.
    clipboard->setMimeData(data.release());
}

}  // namespace platform
