#pragma once

#include "platform/foundation/Scheduler.h"
#include "platform/ui/view/View.h"

#include <memory>

class Message;
class ZVEmailPage;
namespace platform {
class ImageView;
class Label;
}  // namespace platform

// The card the bottom editor shows in place of its text while an HTML e-mail is being forwarded:
// icon, subject, sender and time. A tap opens the e-mail in a page of its own.
class ZVClipboardMessageView : public platform::View {
public:
    static constexpr qreal kHorizontalInset = 13;
    static constexpr qreal kVerticalInset = 5;
    static constexpr qreal kIconGap = 5;
    static constexpr qreal kInitialWidth = 100;
    static constexpr int kSubjectStyle = 14;
    static constexpr int kDetailStyle = 20;
    // Lets the highlight show before the page covers the card.
    static constexpr platform::TimeInterval kShowDelay = 0.1;
    static constexpr qreal kHighlightWhite = 0.9;
    static inline const QString kIconName = QStringLiteral("icon-html-email");

    // `message`: an HTML e-mail (type 21).
    explicit ZVClipboardMessageView(std::shared_ptr<Message> message);
    ~ZVClipboardMessageView() override;

    const std::shared_ptr<Message>& message() const { return message_; }
    const std::shared_ptr<platform::Label>& subjectLabel() const { return subject_; }
    const std::shared_ptr<platform::Label>& senderLabel() const { return senderName_; }
    const std::shared_ptr<platform::Label>& timestampLabel() const { return timestamp_; }
    const std::shared_ptr<platform::ImageView>& iconView() const { return icon_; }
    // The page last opened; null before the first tap.
    const std::shared_ptr<ZVEmailPage>& emailPage() const { return page_; }

    // Pushes a page with the e-mail onto the right-hand navigation.
    void showMessage();
    void setHighlighted(bool highlighted);

    void touchesBegan(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesEnded(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesCancelled(const platform::TouchSet& touches,
                          const platform::TouchEvent& event) override;
    void layoutSubviews() override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    std::shared_ptr<platform::ImageView> icon_;
    std::shared_ptr<platform::Label> subject_;
    std::shared_ptr<platform::Label> senderName_;
    std::shared_ptr<platform::Label> timestamp_;
    std::shared_ptr<Message> message_;
    std::shared_ptr<ZVEmailPage> page_;
    platform::TimerHandle showTimer_;
};
