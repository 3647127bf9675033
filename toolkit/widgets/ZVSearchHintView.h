#pragma once

#include "platform/ui/view/View.h"

#include <memory>

namespace platform {
class ActivityIndicator;
class Label;
}  // namespace platform

// The one-line strip under a search list: a search runs, it found nothing, or older
// conversations hold more.
class ZVSearchHintView : public platform::View {
public:
    enum State { kNone = 0, kNoResults = 1, kSearching = 2, kMoreInOlder = 3 };

    static constexpr qreal kInitialWidth = 100;
    static constexpr qreal kInitialHeight = 40;
    static constexpr qreal kHeight = 30;
    static constexpr qreal kTallHeight = 40;
    static constexpr int kLabelStyle = 13;
    static constexpr double kBackgroundWhite = 0.95;

    ZVSearchHintView();
    ~ZVSearchHintView() override;

    const QString& searchText() const { return searchText_; }
    void setSearchText(const QString& text);
    int state() const { return state_; }
    // Only a new state changes anything.
    void setState(int state);
    qreal height() const;
    void setShowActivity(bool show);
    void updateLabel();

    const std::shared_ptr<platform::Label>& label() const { return label_; }
    const std::shared_ptr<platform::ActivityIndicator>& activityIndicator() const {
        return activityIndicator_;
    }

    void layoutSubviews() override;

private:
    std::shared_ptr<platform::Label> label_;
    std::shared_ptr<platform::ActivityIndicator> activityIndicator_;
    QString searchText_;
    int state_ = kNone;
};
