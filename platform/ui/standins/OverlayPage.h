#pragma once

#include "platform/ui/view/View.h"

#include <functional>

namespace platform {

// A page of the stand-ins that covers the whole window (the image picker, a document's preview):
// a bar under the status bar with the page's title and one button at its right, and a notice in
// the middle when there is nothing else to show.
class OverlayPage : public View {
public:
    static constexpr qreal kBarHeight = 44;
    static constexpr qreal kButtonWidth = 90;

    // Fills `windowBounds`, its bar under a status bar of `statusBarHeight`.
    OverlayPage(const QRectF& windowBounds, qreal statusBarHeight, QString title,
                const QString& buttonTitle, std::function<void()> buttonAction);

    // The room under the bar.
    QRectF contentArea() const;
    std::shared_ptr<View> button() const { return button_; }
    void setNotice(QString notice);

    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    QString title_;
    QString notice_;
    qreal top_;
    std::shared_ptr<View> button_;
};

}  // namespace platform
