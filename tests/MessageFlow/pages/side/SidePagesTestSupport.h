#pragma once

#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/view/Window.h"
#include "tests/MessageFlow/views/MessageViewsTestSupport.h"
#include "toolkit/tables/ZVTableView.h"

#include <memory>

namespace sidetest {

using namespace Qt::Literals::StringLiterals;

// The display model's conversation, with a page shown in a phone window.
class SidePagesTest : public viewstest::MessageViewsTest {
protected:
    static constexpr qreal kPhoneWidth = 375;
    static constexpr qreal kPhoneHeight = 667;

    void TearDown() override {
        if (root) {
            root->removeFromSuperview();
        }
        root.reset();
        window.reset();
        viewstest::MessageViewsTest::TearDown();
    }

    // Puts the page's view in a window, `height` points high, laid out.
    void show(platform::ViewController& page, qreal height = kPhoneHeight) {
        window = platform::Window::make();
        root = platform::View::make(window->bounds());
        window->setRootView(root);
        page.view()->setFrame(QRectF(0, 0, kPhoneWidth, height));
        root->addSubview(page.view());
        page.viewWillLayoutSubviews();
        window->updateNow();
    }

    // A message of the user's own, which the user may edit.
    std::shared_ptr<Message> ownMessage(std::int64_t nr, const QString& text,
                                        QJsonObject fields = {}) {
        fields.insert(u"account_id"_s, self);
        return message(nr, u"text"_s, u"<msg>%1</msg>"_s.arg(text), fields);
    }
    std::shared_ptr<Message> pin(std::int64_t nr, const QString& text, double weight) {
        return ownMessage(nr, text, {{u"tags"_s, QJsonArray{u"pin"_s}}, {u"pin_weight"_s, weight}});
    }

    std::shared_ptr<platform::Window> window;
    std::shared_ptr<platform::View> root;
};

}  // namespace sidetest
