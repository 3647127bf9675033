#include "platform/ui/standins/ShareSheet.h"

#include "platform/ui/standins/input/Pasteboard.h"

#include <QtCore/QUrl>
#include <QtGui/QDesktopServices>

namespace platform {

const QString ShareSheet::kCopyActivity = QStringLiteral("copyToPasteboard");
const QString ShareSheet::kOpenActivity = QStringLiteral("openInBrowser");

namespace {

QString titleOf(const QString& activityType) {
    return activityType == ShareSheet::kCopyActivity ? QStringLiteral("Copy")
                                                     : QStringLiteral("Open in Browser");
}

bool isWebLink(const QUrl& url) {
    return url.isValid() &&
           (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

}  // namespace

QStringList ShareSheet::texts() const {
    QStringList result;
    for (const QVariant& item : items_) {
        if (item.typeId() == QMetaType::QUrl) {
            result.append(item.toUrl().toString());
        } else if (item.typeId() == QMetaType::QString) {
            result.append(item.toString());
        }
    }
    return result;
}

QUrl ShareSheet::webLink() const {
    for (const QVariant& item : items_) {
        if (item.typeId() == QMetaType::QUrl && isWebLink(item.toUrl())) {
            return item.toUrl();
        }
    }
    return {};
}

QStringList ShareSheet::activityTypes() const {
    QStringList types;
    if (!texts().isEmpty()) {
        types.append(kCopyActivity);
    }
    if (!webLink().isEmpty()) {
        types.append(kOpenActivity);
    }
    return types;
}

bool ShareSheet::present(View& from, bool animated, std::function<void()> shown) {
    const QStringList types = activityTypes();
    if (types.isEmpty() || sheet_) {
        return false;
    }
    sheet_ = AlertController::make(QString(), QString(), AlertStyle::ActionSheet);
    // The sheet keeps the share sheet alive until a choice ends it.
    for (const QString& type : types) {
        sheet_->addAction(AlertAction::make(titleOf(type), AlertActionStyle::Default,
                                            [self = shared_from_this(), type](AlertAction&) {
                                                self->complete(type, self->perform(type));
                                            }));
    }
    sheet_->addAction(AlertAction::make(
        QStringLiteral("Cancel"), AlertActionStyle::Cancel,
        [self = shared_from_this()](AlertAction&) { self->complete(QString(), false); }));
    sheet_->setSourceView(sourceView_.lock());
    sheet_->setSourceRect(sourceRect_);
    if (!sheet_->present(from, animated, std::move(shown))) {
        sheet_.reset();
        return false;
    }
    return true;
}

bool ShareSheet::perform(const QString& activityType) {
    if (activityType == kCopyActivity) {
        Pasteboard::general()->setString(texts().join(QLatin1Char('\n')));
        return true;
    }
    return QDesktopServices::openUrl(webLink());
}

void ShareSheet::complete(const QString& activityType, bool completed) {
    // The actions' handlers hold this sheet; let them go once it has ended.
    const auto keep = shared_from_this();
    sheet_.reset();
    if (completion_) {
        std::exchange(completion_, nullptr)(activityType, completed);
    }
}

}  // namespace platform
