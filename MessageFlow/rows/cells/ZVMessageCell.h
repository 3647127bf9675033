#pragma once

#include "MessageFlow/views/ZVMessageViewCell.h"
#include "MessageFlow/views/ZVMessageViewClass.h"
#include "platform/foundation/ScopedTimer.h"
#include "toolkit/tables/ZVSelectionCell.h"
#include "toolkit/tables/ZVTableViewCell.h"

#include <memory>

class Message;
class ZVConversationCells;
class ZVFileView;
class ZVMessageView;
class ZVRichMessageRepresentation;
namespace platform {
class ActivityIndicator;
class ImageView;
class Label;
}  // namespace platform

// One row of a message list: a message view between the row's margins, with the edit mark, the
// sending spinner and, on demand, the time of a grouped message. Subclasses add the avatar and
// header, the accessory strips and the new-messages marker. Made only through make(), which
// builds the parts that need the cell's own handle. Main thread only.
class ZVMessageCell : public ZVTableViewCell,
                      public ZVMessageViewCell,
                      public ZVSelectionTextSource,
                      public ZVSelectionQuoteTarget {
public:
    static constexpr qreal kTopMargin = 4;
    static constexpr qreal kGroupedBottomMargin = 4;
    static constexpr qreal kBottomMargin = 11;
    static constexpr qreal kEditIconGap = 5;
    static constexpr qreal kEditIconTop = 8;
    static constexpr qreal kTimeGap = 5;
    static constexpr int kSmallTimeStyle = 20;
    static constexpr int kLargeTimeStyle = 13;
    static constexpr qreal kSpinnerScale = 0.5;
    static constexpr platform::TimeInterval kTimeShownFor = 3.0;
    static constexpr platform::TimeInterval kSelectionRetryDelay = 1.0;
    static inline const QString kEditIconName = QStringLiteral("icon-edit");

    template <class T, class... Args>
    static std::shared_ptr<T> make(Args&&... args) {
        auto cell = std::make_shared<T>(std::forward<Args>(args)...);
        static_cast<ZVMessageCell&>(*cell).setUp();
        return cell;
    }

    ZVMessageCell(std::weak_ptr<ZVConversationCells> cells, ZVMessageViewClass viewClass,
                  QString reuseIdentifier);
    ~ZVMessageCell() override;

    // --- measures, without a cell ---
    // The message view's width in a row of the model.
    static qreal contentWidth(const ZVConversationCells& cells, int messageType);
    // The row's margins around the message view: none for rows that show nothing.
    static qreal heightWithMessage(const std::shared_ptr<Message>& message,
                                   const ZVConversationCells& cells, bool groupedWithNext,
                                   bool groupedWithPrevious);

    // --- configuration, in this order, for every row shown ---
    virtual void setAvatarSize(int /*size*/) {}
    void setGroupedWithNext(bool grouped);
    virtual void setGroupedWithPrevious(bool grouped);
    virtual void setMessage(const std::shared_ptr<Message>& message);
    virtual void setMessageInterval(double /*interval*/) {}

    // --- reading ---
    std::shared_ptr<ZVConversationCells> conversationCells() const { return cells_.lock(); }
    const std::shared_ptr<ZVMessageView>& messageView() const { return messageView_; }
    ZVMessageViewClass messageViewClass() const { return viewClass_; }
    std::shared_ptr<Message> message() const;
    std::shared_ptr<ZVFileView> highlightedFile() const;
    std::int64_t messageNumber() const;
    // The message view's top within the cell: what stays put when strips come in above it.
    qreal contentOffset() const;
    bool groupedWithNext() const { return groupedWithNext_; }
    bool groupedWithPrevious() const { return groupedWithPrevious_; }
    bool isTaskOrPin() const { return isTaskOrPin_; }
    const std::shared_ptr<platform::ImageView>& editIcon() const { return editIcon_; }
    const std::shared_ptr<platform::Label>& timeLabel() const { return timeLabel_; }
    const std::shared_ptr<platform::ActivityIndicator>& activityIndicator() const {
        return activityIndicator_;
    }
    void setShowTime(bool show);
    // Does nothing: the marker is chosen per row by the model.
    void updateIsNew() {}

    // --- the message view's cell ---
    const ZVMessageViewCells* cells() const override;
    void toggleExpand() override;
    void notifyCellHeightChangeAnimated(bool animated) override;

    // --- actions of the strips and the selection mode ---
    void resendMessage();
    void deleteMessage();
    void loadMoreMessagesAbove(bool top);
    // A collapsed message is expanded first and selected a moment later.
    void beginSelection();
    platform::AttributedString getText() override;
    void quoteText(const QString& text) override;

    virtual void setBackgroundColor(const QColor& color);
    void setHighlighted(bool highlighted, bool animated) override;
    using ZVTableViewCell::setHighlighted;
    QPainterPath highlightShape() const override;
    void prepareForReuse() override;
    void layoutSubviews() override;

protected:
    // Builds what needs the cell's handle; make() calls it once.
    virtual void setUp();
    std::weak_ptr<ZVMessageCell> weakCell();
    std::shared_ptr<ZVRichMessageRepresentation> model() const;
    // Takes the strips off the row and returns the rest.
    virtual QRectF layoutAccessories(const QRectF& rect) { return rect; }
    // Places the parts in the message's rectangle; returns what the message view got.
    virtual QRectF layoutWithRect(const QRectF& rect);
    virtual bool canShowEditIcon() const;
    virtual void updateEditIcon();

private:
    void updateSpinner(const Message& message);

    std::weak_ptr<ZVConversationCells> cells_;
    ZVMessageViewClass viewClass_;
    std::shared_ptr<ZVMessageView> messageView_;
    std::shared_ptr<platform::ImageView> editIcon_;
    std::shared_ptr<platform::Label> timeLabel_;
    std::shared_ptr<platform::ActivityIndicator> activityIndicator_;
    bool isTaskOrPin_ = false;
    bool groupedWithNext_ = false;
    bool groupedWithPrevious_ = false;
    platform::ScopedTimer hideTimeTimer_;
    platform::ScopedTimer selectionRetry_;
};
