#pragma once

#include "platform/ui/view/View.h"
#include "toolkit/richtext/message/ZVRichMessageRepresentation.h"

#include <memory>

class Message;
class ZVFileView;
class ZVMessageViewCell;
class ZVMessageViewCells;

namespace platform {
class Button;
}

// The body of one message row: the base draws nothing but the "SHOW MORE"/"SHOW LESS" button of
// an expandable message, in a strip at the bottom. Subclasses draw the text, files and status
// lines above it. A row's height comes from the class's heightForMessage() without a view, and
// always equals what layoutWithRect() places for the same width. Main thread only.
class ZVMessageView : public platform::View, public ZVMessageUpdating {
public:
    enum ExpandState { kNotExpandable = 0, kCollapsed = 1, kExpanded = 2 };

    static constexpr int kButtonStyle = 10;
    static inline const QString kShowMoreTitle = QStringLiteral("SHOW MORE");
    static inline const QString kShowLessTitle = QStringLiteral("SHOW LESS");

    explicit ZVMessageView(std::weak_ptr<ZVMessageViewCell> cell);
    ~ZVMessageView() override;

    std::shared_ptr<Message> message() const { return message_.lock(); }
    virtual void setMessage(const std::shared_ptr<Message>& message);
    // Shows the same message again (its display model changed on its own).
    void updateMessage() override;
    std::shared_ptr<ZVMessageViewCell> cell() const { return cell_.lock(); }
    int expandState() const { return expandState_; }
    void setExpandState(int state);
    bool showFilePreviews() const { return showFilePreviews_; }
    void setShowFilePreviews(bool show) { showFilePreviews_ = show; }
    const std::shared_ptr<platform::Button>& expandButton() const { return expandButton_; }

    void layoutSubviews() override;
    // Places the content in `rect`; returns what is left of it for the text.
    virtual QRectF layoutWithRect(const QRectF& rect);
    // The file view under the user's finger, else null.
    virtual std::shared_ptr<ZVFileView> highlightedFile() const { return nullptr; }
    virtual bool showsExpandButton() const { return false; }

    // The row height for a message at a width: the button's strip when the class shows it.
    static qreal heightForMessage(const std::shared_ptr<Message>& message, qreal width,
                                  const ZVMessageViewCells& cells);
    // The state a cell gives a view for the message's display model.
    static int expandStateOf(const ZVRichMessageRepresentation& model);

protected:
    std::shared_ptr<ZVRichMessageRepresentation> model() const;
    const ZVMessageViewCells* cells() const;
    // The expand button's strip, for classes that show it.
    static qreal expandButtonHeight(const std::shared_ptr<Message>& message);

private:
    std::weak_ptr<Message> message_;
    std::weak_ptr<ZVMessageViewCell> cell_;
    std::shared_ptr<platform::Button> expandButton_;
    bool showFilePreviews_ = false;
    int expandState_ = kNotExpandable;
};
