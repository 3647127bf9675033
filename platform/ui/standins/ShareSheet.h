#pragma once

#include "platform/ui/standins/AlertController.h"

#include <QtCore/QList>
#include <QtCore/QVariant>

namespace platform {

// The share sheet: offers what can be done with some items (URLs or texts) and tells its
// completion which activity the user chose. Here the activities are copying the items to the
// pasteboard and opening a web link with the desktop's browser; the sheet is an action sheet with
// one choice per activity and "Cancel". Main thread only.
class ShareSheet : public std::enable_shared_from_this<ShareSheet> {
public:
    static const QString kCopyActivity;
    static const QString kOpenActivity;

    // The chosen activity's type, or a null string and false when the sheet was cancelled.
    using Completion = std::function<void(const QString& activityType, bool completed)>;

    explicit ShareSheet(QList<QVariant> items) : items_(std::move(items)) {}
    static std::shared_ptr<ShareSheet> make(QList<QVariant> items) {
        return std::make_shared<ShareSheet>(std::move(items));
    }

    const QList<QVariant>& items() const { return items_; }
    void setCompletion(Completion completion) { completion_ = std::move(completion); }
    void setSourceView(const std::shared_ptr<View>& view) { sourceView_ = view; }
    void setSourceRect(const QRectF& rect) { sourceRect_ = rect; }

    // The activity types offered for the items, in order: copying when there is a text or URL,
    // opening when there is a web link.
    QStringList activityTypes() const;
    // False when nothing can be shared or `from` is in no window.
    bool present(View& from, bool animated, std::function<void()> shown = {});
    // The action sheet while it is shown.
    std::shared_ptr<AlertController> sheet() const { return sheet_; }

private:
    QStringList texts() const;
    QUrl webLink() const;
    bool perform(const QString& activityType);
    void complete(const QString& activityType, bool completed);

    QList<QVariant> items_;
    Completion completion_;
    std::weak_ptr<View> sourceView_;
    QRectF sourceRect_;
    std::shared_ptr<AlertController> sheet_;
};

}  // namespace platform
