#pragma once

#include "platform/ui/standins/input/Pasteboard.h"

#include <QtCore/QMetaObject>

namespace platform {

// The desktop's clipboard as the general pasteboard. Plain text travels as "text/plain", so other
// programs read and write it; every other type travels under a MIME type of its own
// ("application/x-pasteboard-<type>"), so a private type survives a round trip unchanged.
// Needs a QGuiApplication.
class ClipboardPasteboard : public Pasteboard {
public:
    ClipboardPasteboard();
    ~ClipboardPasteboard() override;
    ClipboardPasteboard(const ClipboardPasteboard&) = delete;
    ClipboardPasteboard& operator=(const ClipboardPasteboard&) = delete;

    PasteboardItem item() const override;
    void setItem(const PasteboardItem& item) override;
    qint64 changeCount() const override { return changeCount_; }

    static QString mimeTypeForType(const QString& type);
    // The pasteboard type of a MIME type; null for a MIME type that carries none.
    static QString typeForMimeType(const QString& mimeType);

private:
    QMetaObject::Connection changed_;
    qint64 changeCount_ = 0;
};

}  // namespace platform
