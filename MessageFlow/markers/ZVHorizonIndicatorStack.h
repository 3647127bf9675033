#pragma once

#include "MessageFlow/markers/ZVHorizonIndicatorView.h"
#include "platform/foundation/ScopedTimer.h"

#include <vector>

// The markers of the members who have read up to one message, shown as one label listing their
// names, or "All" when every other member (at least two) has. A tap on it tells who has seen the
// message and who got it by e-mail.
class ZVHorizonIndicatorStack : public ZVHorizonIndicatorView {
public:
    static constexpr qsizetype kNameListLimit = 25;
    static constexpr platform::TimeInterval kHintDelay = 0.1;
    static inline const QString kAllText = QStringLiteral("All");
    static inline const QString kSeenByTitle = QStringLiteral("Seen by:");
    static inline const QString kEmailsSentTitle = QStringLiteral("Emails sent to:");

    ZVHorizonIndicatorStack();
    ~ZVHorizonIndicatorStack() override;

    const std::vector<std::shared_ptr<ZVHorizonIndicatorView>>& indicators() const {
        return indicators_;
    }
    qsizetype count() const { return static_cast<qsizetype>(indicators_.size()); }
    bool showAll() const { return showAll_; }
    void setShowAll(bool showAll) { showAll_ = showAll; }

    // Takes the marker off the table into the stack; a marker already there is ignored.
    void addIndicator(const std::shared_ptr<ZVHorizonIndicatorView>& indicator);
    // Puts the member's marker back on the table where the stack stands; null when the member is
    // not in the stack.
    std::shared_ptr<ZVHorizonIndicatorView> extractForUser(const QString& accountId);
    void updateLabel();
    // The alert's text: who has seen the message, then who got it by e-mail.
    QString hintText() const;
    void showHint();

protected:
    void tapped() override;

private:
    std::vector<std::shared_ptr<ZVHorizonIndicatorView>> indicators_;
    bool showAll_ = false;
    platform::ScopedTimer hintTimer_;
};
