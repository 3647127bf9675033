#include "platform/ui/standins/input/Pasteboard.h"

#include "platform/foundation/SharedSlot.h"
#include "platform/ui/standins/input/ClipboardPasteboard.h"
#include "platform/ui/standins/input/MemoryPasteboard.h"

#include <QtCore/QCoreApplication>
#include <QtGui/QGuiApplication>

namespace platform {

const QString Pasteboard::kPlainTextType = QStringLiteral("public.plain-text");

std::shared_ptr<Pasteboard> Pasteboard::general() {
    return sharedService<Pasteboard>([]() -> std::shared_ptr<Pasteboard> {
        // Without a GUI application there is no system clipboard to reach.
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
            return std::make_shared<ClipboardPasteboard>();
        }
        return std::make_shared<MemoryPasteboard>();
    });
}

void Pasteboard::setGeneral(std::shared_ptr<Pasteboard> pasteboard) {
    sharedSlot<std::shared_ptr<Pasteboard>>() = std::move(pasteboard);
}

QString Pasteboard::string() const {
    const PasteboardItem current = item();
    const auto found = current.constFind(kPlainTextType);
    if (found == current.constEnd()) {
        return {};
    }
    // An empty text is still a text: keep it apart from "none".
    QString text = QString::fromUtf8(*found);
    if (text.isNull()) {
        text = QLatin1String("");
    }
    return text;
}

void Pasteboard::setString(const QString& text) {
    setItem({{kPlainTextType, text.toUtf8()}});
}

}  // namespace platform
