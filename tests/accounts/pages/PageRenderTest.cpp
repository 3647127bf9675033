#include "platform/ui/controls/Button.h"
#include "platform/ui/text/AttributedText.h"
#include "tests/accounts/pages/PreLoginStage.h"

#include <QtCore/QDir>
#include <QtGui/QImage>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace prelogintest;

namespace {

QColor pixelAt(const QImage& image, QPointF point, qreal scale) {
    return image.pixelColor((point * scale).toPoint());
}

bool near(const QColor& a, const QColor& b, int tolerance = 12) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

TEST(PreLoginPageRendering, TheSignInPageDrawsItsBoxAndButtonOverTheBackground) {
    PreLoginStage stage;
    const auto page = stage.page();
    page->pushTextView(styled(u"Welcome back"_s, 4), 0);
    page->pushTextFieldWithPlaceholder(u"E-mail"_s);
    page->pushTextFieldWithPlaceholder(u"Password"_s);
    const auto button = page->pushButtonWithTitle(u"Sign in"_s, 0);
    stage.screen->commitPush();
    stage.settle();
    // The keyboard goes, so the whole page shows at the bottom.
    stage.screen->view()->endEditing(true);
    stage.settle();

    const qreal scale = stage.window->scale();
    const QImage image = stage.window->render();
    QDir().mkpath(u"snapshots"_s);
    image.save(u"snapshots/prelogin-sign-in-375.png"_s);

    const QRectF box = page->background()->convertRectTo(page->background()->bounds(), nullptr);
    // Inside the box, between the fields' left edge and the page's: white.
    EXPECT_TRUE(near(pixelAt(image, QPointF(box.left() + 8, box.top() + 8), scale), Qt::white));
    // Above the box, beside the title: the onboarding background's blue.
    const QColor beside = pixelAt(image, QPointF(10, box.top() - 60), scale);
    EXPECT_GT(beside.blue(), beside.red() + 60);
    // On the button, away from its title: the button's own colour, not the box's white.
    const QRectF pill = button->convertRectTo(button->bounds(), nullptr);
    const QColor onButton = pixelAt(image, QPointF(pill.left() + 12, pill.center().y()), scale);
    EXPECT_FALSE(near(onButton, Qt::white));
    EXPECT_TRUE(near(onButton, button->backgroundColor(), 40));
}

}  // namespace
