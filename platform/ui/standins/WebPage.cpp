#include "platform/ui/standins/WebPage.h"

#include "platform/foundation/SharedSlot.h"
#include "platform/ui/standins/EngineWebPage.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonValue>

#include <cmath>

namespace platform {

namespace {

// A string as a script literal: the id comes from callers, never pasted into the script as is.
QString scriptLiteral(const QString& text) {
    const QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}

}  // namespace

std::shared_ptr<WebPage> WebPage::create() {
    if (const Factory& factory = sharedSlot<Factory>()) {
        return factory();
    }
    return std::make_shared<EngineWebPage>();
}

void WebPage::setFactory(Factory factory) {
    sharedSlot<Factory>() = std::move(factory);
}

void WebPage::elementValue(const QString& elementId, StringResult result) {
    const QString script =
        QStringLiteral(
            "(function () { var e = document.getElementById(%1);"
            " return e && e.value !== undefined && e.value !== null ? String(e.value)"
            " : null; })()")
            .arg(scriptLiteral(elementId));
    evaluateScript(script, [result = std::move(result)](const QVariant& value) {
        if (result) {
            result(value.typeId() == QMetaType::QString ? value.toString() : QString());
        }
    });
}

void WebPage::measureContentHeight(double width, HeightResult result) {
    // Lays the document out at the width for the measurement alone and puts its own width back,
    // so a page shown at another width is left as it was.
    // The content's own extent: the root's scroll height would never be less than the viewport.
    const QString script =
        QStringLiteral(
            "(function () { var root = document.documentElement; if (!root) return 0;"
            " var saved = root.style.width; root.style.width = '%1px';"
            " var height = root.getBoundingClientRect().height;"
            " var body = document.body;"
            " if (body) { height = Math.max(height, body.getBoundingClientRect().bottom"
            " + window.scrollY + parseFloat(getComputedStyle(body).marginBottom || 0)); }"
            " root.style.width = saved; return height; })()")
            .arg(width);
    evaluateScript(script, [result = std::move(result)](const QVariant& value) {
        if (result) {
            result(value.isValid() ? std::ceil(value.toDouble()) : 0.0);
        }
    });
}

bool WebPage::askShouldStart(const QUrl& url, WebNavigationType type) {
    const auto current = delegate();
    return !current || current->shouldStartLoad(*this, url, type);
}

}  // namespace platform
