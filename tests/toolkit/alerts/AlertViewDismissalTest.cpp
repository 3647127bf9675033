#include "AlertStage.h"

#include "ZelvoKit/support/base/ZVError.h"
#include "platform/ui/controls/Button.h"
#include "toolkit/alerts/ZVAlertButton.h"
#include "toolkit/alerts/ZVConfirmationAlertView.h"
#include "toolkit/richtext/ZVRichText.h"

#include <gtest/gtest.h>

namespace {

struct Shown {
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    std::shared_ptr<ZVAlertView> alert;
    explicit Shown(AlertStage& stage) {
        alert = ZVAlertView::make("Title", "Message", delegate, "Cancel", {"Go", "Stop"});
        alert->show();
        stage.settle();
    }
    QPointF button(int index) const {
        return AlertStage::middleOf(*alert->buttonViews()[static_cast<std::size_t>(index)]);
    }
};

TEST(AlertViewDismissal, EveryWayOutTellsTheDelegateOnceInItsOrderWithHiding) {
    AlertStage stage;
    struct Case {
        const char* name;
        std::function<void(AlertStage&, Shown&)> act;
        std::vector<int> heard;
        // Whether the card was still the current one when the delegate heard of it.
        bool heardWhileShowing;
        bool staysShowing;
    };
    const Case cases[] = {
        {"lift on a button", [](AlertStage& s, Shown& c) { s.tap(c.button(1)); }, {1}, true, false},
        {"slide from a button to another",
         [](AlertStage& s, Shown& c) { s.drag(c.button(0), c.button(2)); },
         {2},
         true,
         false},
        {"lift off the buttons",
         [](AlertStage& s, Shown& c) {
             s.drag(c.button(0), AlertStage::middleOf(*c.alert->titleBackground()));
         },
         {-1},
         true,
         false},
        {"close button",
         [](AlertStage&, Shown& c) { c.alert->cancelTapped(); },
         {-1},
         false,
         false},
        {"overlay",
         [](AlertStage& s, Shown&) {
             s.tap({5, 5});
         },
         {-1},
         true,
         false},
        {"disabled button",
         [](AlertStage& s, Shown& c) {
             c.alert->setButton(1, false);
             s.tap(c.button(1));
         },
         {},
         false,
         true},
        {"hide", [](AlertStage&, Shown& c) { c.alert->hide(); }, {}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Shown shown(stage);
        c.act(stage, shown);
        EXPECT_EQ(shown.delegate->indexes(), c.heard);
        for (const auto& heard : shown.delegate->heard) {
            EXPECT_EQ(heard.wasCurrent, c.heardWhileShowing);
        }
        EXPECT_EQ(ZVAlertView::alertViewShowing(), c.staysShowing);
        stage.settle();
        EXPECT_EQ(shown.alert->superview() != nullptr, c.staysShowing);
        EXPECT_EQ(shown.delegate->heard.size(), c.heard.size());
        if (c.staysShowing) {
            shown.alert->hide();
            stage.settle();
        }
    }
    EXPECT_EQ(AlertStage::manager().overlay(), nullptr);
}

TEST(AlertViewDismissal, ACardShownFromTheCallbackStaysOnScreen) {
    AlertStage stage;
    Shown first(stage);
    std::shared_ptr<ZVAlertView> next;
    first.delegate->also = [&](ZVAlertView&, int) {
        next = ZVAlertView::make("Next", "Shown from the callback", {}, QString(), {"OK"});
        next->show();
    };
    stage.tap(first.button(1));
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(AlertStage::manager().currentAlertView(), next);
    stage.settle();
    EXPECT_NE(next->superview(), nullptr);
    EXPECT_EQ(first.alert->superview(), nullptr);
    EXPECT_NE(AlertStage::manager().overlay(), nullptr);
}

TEST(AlertViewDismissal, SetButtonEnabledOutsideTheButtonsChangesNothing) {
    AlertStage stage;
    Shown shown(stage);
    for (int index : {-1, 3, 100}) {
        shown.alert->setButton(index, false);
    }
    for (const auto& button : shown.alert->buttonViews()) {
        EXPECT_TRUE(button->isEnabled());
    }
}

TEST(AlertViewDismissal, ConfirmationRunsItsActionOnlyThroughTheConfirmButton) {
    AlertStage stage;
    struct Case {
        const char* name;
        int button;
        int runs;
    };
    for (const Case& c : {Case{"cancel", 0, 0}, Case{"confirm", 1, 1}}) {
        SCOPED_TRACE(c.name);
        int runs = 0;
        auto alert = ZVAlertView::showConfirmationWithTitle("Leave?", "Leave <b>Team</b>", "Leave",
                                                            [&] { ++runs; });
        EXPECT_EQ(alert->buttons(), (QStringList{"Cancel", "Leave"}));
        EXPECT_EQ(alert->defaultButtonIndex(), 1);
        stage.settle();
        stage.tap(AlertStage::middleOf(*alert->buttonViews()[static_cast<std::size_t>(c.button)]));
        EXPECT_EQ(runs, c.runs);
        stage.settle();
    }
}

TEST(AlertViewDismissal, PlainTextMessagesShowAsTyped) {
    AlertStage stage;
    const QString typed = QStringLiteral("<b>not bold</b> & a@b.c");
    auto alert = ZVAlertView::showMessage(typed, "Sent to");
    EXPECT_EQ(alert->textLabel()->attributedText().string(), typed);
    EXPECT_EQ(alert->buttons(), QStringList{"OK"});
    EXPECT_EQ(alert->delegate(), nullptr);

    // A message set as markup that does not parse shows as the text it is.
    alert->setMessage(QStringLiteral("<b>open"));
    EXPECT_EQ(alert->textLabel()->attributedText().string(), QStringLiteral("<b>open"));
}

TEST(AlertViewDismissal, ErrorsShowTheirTextUnderTheGivenTitleOrRequestFailed) {
    AlertStage stage;
    const ZVError error(QStringLiteral("Test"), 7,
                        QJsonObject{{QStringLiteral("error_message"), QStringLiteral("<Nope>")}});
    const std::pair<QString, QString> titles[] = {{QString(), "Request failed"},
                                                  {"Upload", "Upload"}};
    for (const auto& [given, shown] : titles) {
        auto alert = ZVAlertView::showError(error, given);
        EXPECT_EQ(alert->title(), shown);
        EXPECT_EQ(alert->textLabel()->attributedText().string(), error.localizedDescription());
    }
}

}  // namespace
