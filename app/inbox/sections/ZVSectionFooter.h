#pragma once

#include "platform/ui/table/TableViewCell.h"

#include <memory>

class ZVInboxItem;
namespace platform {
class ActivityIndicator;
class Button;
}  // namespace platform

// The "SHOW MORE" row that ends a label's section while the label has more conversations; it
// names how many of them are unread, and shows a spinner while a page is on its way.
class ZVSectionFooter : public platform::TableViewCell {
public:
    static constexpr qreal kWidth = 100;
    static constexpr qreal kHeight = 40;
    static constexpr qreal kIndicatorGap = 5;
    static inline const QString kTitle = QStringLiteral("SHOW MORE");

    explicit ZVSectionFooter(const std::shared_ptr<ZVInboxItem>& item);
    ~ZVSectionFooter() override;

    std::shared_ptr<ZVInboxItem> item() const { return item_.lock(); }
    std::int64_t unreadCount() const { return unreadCount_; }
    void setUnreadCount(std::int64_t count);
    bool loading() const { return activityIndicator_ != nullptr; }
    void setLoading(bool loading);
    // Asks the label for its next page.
    void showMore();

    const std::shared_ptr<platform::Button>& button() const { return button_; }
    const std::shared_ptr<platform::ActivityIndicator>& activityIndicator() const {
        return activityIndicator_;
    }

    void setBackgroundColor(const QColor& color);
    void layoutSubviews() override;

private:
    std::weak_ptr<ZVInboxItem> item_;
    std::shared_ptr<platform::Button> button_;
    std::int64_t unreadCount_ = 0;
    std::shared_ptr<platform::View> separatorLine_;
    std::shared_ptr<platform::ActivityIndicator> activityIndicator_;
};
