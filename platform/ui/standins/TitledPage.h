#pragma once

#include "platform/ui/view/View.h"

#include <functional>

namespace platform {

// The view of a stand-in's full-screen page (the image picker, a document's preview): a bar under
// the window's status bar with the page's title and one button at its right, and a notice in the
// middle when there is nothing else to show.
class TitledPage : public View {
public:
    static constexpr qreal kBarHeight = 44;
    static constexpr qreal kButtonWidth = 90;

    TitledPage(QString title, const QString& buttonTitle, std::function<void()> buttonAction);

    // The room under the bar.
    QRectF contentArea() const;
    std::shared_ptr<View> button() const { return button_; }
    // A view that fills the room under the bar.
    void setContentView(const std::shared_ptr<View>& view);
    void setNotice(QString notice);

    void layoutSubviews() override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    // The bar's bottom: under the status bar of the window the page is in.
    qreal top() const;

    QString title_;
    QString notice_;
    std::shared_ptr<View> button_;
    std::shared_ptr<View> content_;
};

}  // namespace platform
