#include "AlertStage.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "platform/ui/standins/AlertController.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/alerts/ZVActionMenuButton.h"

#include <gtest/gtest.h>

namespace {

// A menu pointing at a row-like view, with two primary options (the second asks first) and
// one secondary option, counting what runs.
struct MenuStage : AlertStage {
    std::shared_ptr<platform::View> row = platform::View::make(QRectF(0, 500, 375, 44));
    std::shared_ptr<ZVActionMenu> menu = ZVActionMenu::make();
    std::vector<QString> ran;
    int completions = 0;

    explicit MenuStage(bool screenReader = false) : AlertStage(size(), 2, screenReader) {
        root->addSubview(row);
        option("copy", "Copy text", false);
        option("delete", "Delete message", false, "The message goes for everyone.");
        option("forward", "Forward", true);
        menu->setPointAtView(row);
        menu->setOnCompletion([this] { ++completions; });
    }
    static QSizeF size() { return {375, 667}; }
    void option(const char* id, const char* title, bool secondary, const QString& ask = {}) {
        auto button = menu->addOption(id, title, secondary, ask);
        button->setAction([this, id] { ran.push_back(QString::fromLatin1(id)); });
    }
    QPointF rowOf(int tag) const { return middleOf(*menu->buttonByIndex(tag)); }
    std::shared_ptr<ZVAlertView> current() const { return manager().currentAlertView(); }
    QPointF currentButton(int index) const {
        return middleOf(*current()->buttonViews()[static_cast<std::size_t>(index)]);
    }
};

TEST(ActionMenu, OptionsCountTheSeparatorAndTheCardIsAColumnOfRows) {
    MenuStage stage;
    EXPECT_EQ(stage.menu->actionCount(), 4);
    EXPECT_EQ(stage.menu->buttonByIndex(3)->title(), QStringLiteral("Forward"));
    EXPECT_EQ(stage.menu->buttonByIndex(2), nullptr);  // the separator row
    EXPECT_TRUE(stage.menu->separator()->isSeparator());
    stage.menu->show();
    stage.settle();
    EXPECT_EQ(stage.menu->bounds().height(), 50 + 50 + 40);
    EXPECT_EQ(stage.menu->buttonByIndex(0)->frame(), QRectF(0, 0, 355, 50));
    EXPECT_EQ(stage.menu->separator()->frame(), QRectF(0, 100, 355, 40));
    EXPECT_NE(stage.menu->arrow(), nullptr);
}

TEST(ActionMenu, VerbIsTheTitlesFirstWord) {
    const std::pair<QString, QString> cases[] = {{"Delete message", "Delete"},
                                                 {"  Leave\tconversation ", "Leave"},
                                                 {"Archive", "Archive"},
                                                 {"", ""}};
    for (const auto& [title, verb] : cases) {
        EXPECT_EQ(ZVActionMenu::extractVerb(title), verb) << title.toStdString();
    }
}

TEST(ActionMenu, CardFormCompletesExactlyOnceWhateverWayItEnds) {
    struct Case {
        const char* name;
        std::function<void(MenuStage&)> act;
        std::vector<QString> ran;
    };
    const Case cases[] = {
        {"an option", [](MenuStage& s) { s.tap(s.rowOf(0)); }, {"copy"}},
        {"the overlay",
         [](MenuStage& s) {
             s.tap({5, 5});
         },
         {}},
        {"a finger that leaves the rows",
         [](MenuStage& s) { s.drag(s.rowOf(0), QPointF(5, 5)); },
         {}},
        {"a confirmed option",
         [](MenuStage& s) {
             s.tap(s.rowOf(1));
             ASSERT_NE(s.current(), s.menu);
             EXPECT_EQ(s.current()->title(), QStringLiteral("Are you sure?"));
             EXPECT_EQ(s.current()->buttons(), (QStringList{"Cancel", "Delete"}));
             EXPECT_EQ(s.current()->pointAtView(), s.row);
             EXPECT_EQ(s.completions, 0);
             s.settle();
             s.tap(s.currentButton(1));
         },
         {"delete"}},
        {"a cancelled confirmation",
         [](MenuStage& s) {
             s.tap(s.rowOf(1));
             s.settle();
             s.tap(s.currentButton(0));
         },
         {}},
        {"the overlay over a confirmation",
         [](MenuStage& s) {
             s.tap(s.rowOf(1));
             s.settle();
             s.tap({5, 5});
         },
         {}},
        {"an error card in the menu's place",
         [](MenuStage& s) {
             ZVAlertView::showMessage("Connection lost", QString());
             s.settle();
             s.tap(s.currentButton(0));
         },
         {}},
        {"an error card in the confirmation's place",
         [](MenuStage& s) {
             s.tap(s.rowOf(1));
             ZVAlertView::showMessage("Connection lost", QString());
             s.settle();
             s.tap(s.currentButton(0));
         },
         {}},
        {"the second page, then an option",
         [](MenuStage& s) {
             s.tap(AlertStage::middleOf(*s.menu->separator()));
             EXPECT_EQ(s.completions, 0);
             s.settle();
             EXPECT_TRUE(s.menu->secondaryState());
             s.tap(s.rowOf(3));
         },
         {"forward"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MenuStage stage;
        stage.menu->show();
        stage.settle();
        c.act(stage);
        stage.settle();
        EXPECT_EQ(stage.ran, c.ran);
        EXPECT_EQ(stage.completions, 1);
        EXPECT_FALSE(ZVAlertView::alertViewShowing());
    }
}

TEST(ActionMenu, NativeFormCompletesExactlyOnceWhateverWayItEnds) {
    using Choices = std::vector<QString>;
    struct Case {
        const char* name;
        Choices choices;
        std::vector<QString> ran;
    };
    const Case cases[] = {
        {"an option", {"Copy text"}, {"copy"}},
        {"cancel", {"Cancel"}, {}},
        {"a confirmed option", {"Delete message", "Delete message"}, {"delete"}},
        {"a cancelled confirmation", {"Delete message", "Cancel"}, {}},
        {"the second sheet's option", {"More...", "Forward"}, {"forward"}},
        {"the second sheet's cancel", {"More...", "Cancel"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MenuStage stage(true);
        stage.menu->show();
        stage.settle();
        EXPECT_TRUE(stage.menu->forceNativeWidgets());
        EXPECT_FALSE(ZVAlertView::alertViewShowing());
        for (const QString& choice : c.choices) {
            EXPECT_EQ(stage.completions, 0);
            ASSERT_TRUE(stage.choose(choice)) << choice.toStdString();
            stage.settle();
        }
        EXPECT_EQ(stage.ran, c.ran);
        EXPECT_EQ(stage.completions, 1);
        EXPECT_EQ(stage.nativeAlert(), nullptr);
    }
}

TEST(ActionMenu, NativeSheetsListEachPageWithMoreAndCancel) {
    MenuStage stage(true);
    stage.menu->show();
    EXPECT_EQ(stage.nativeTitles(),
              (QStringList{"Copy text", "Delete message", "More...", "Cancel"}));
    EXPECT_EQ(stage.nativeAlert()->style(), platform::AlertStyle::ActionSheet);
    EXPECT_EQ(stage.menu->moreButtonIndex(), 2);
    ASSERT_TRUE(stage.choose("More..."));
    stage.settle();
    EXPECT_EQ(stage.nativeTitles(), (QStringList{"Forward", "Cancel"}));
    EXPECT_EQ(stage.menu->moreButtonIndex(), -1);
    EXPECT_EQ(stage.menu->buttonByIndex(3)->actionSheetIndex(), 0);
    EXPECT_EQ(stage.menu->buttonByIndex(0)->actionSheetIndex(), -1);

    // The confirmation of a native menu is native too: the option's title and message.
    MenuStage other(true);
    other.menu->show();
    ASSERT_TRUE(other.choose("Delete message"));
    other.settle();
    ASSERT_NE(other.nativeAlert(), nullptr);
    EXPECT_EQ(other.nativeAlert()->style(), platform::AlertStyle::Alert);
    EXPECT_EQ(other.nativeAlert()->title(), QStringLiteral("Delete message"));
    EXPECT_EQ(other.nativeAlert()->message(), QStringLiteral("The message goes for everyone."));
    EXPECT_EQ(other.nativeTitles(), (QStringList{"Cancel", "Delete message"}));
}

TEST(ActionMenu, EitherTheScreenReaderOrTheAccountsFlagGivesTheNativeForm) {
    struct Case {
        const char* name;
        bool screenReader;
        bool flag;
        bool native;
    };
    const Case cases[] = {{"neither", false, false, false},
                          {"screen reader", true, false, true},
                          {"account flag", false, true, true},
                          {"both", true, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MenuStage stage(c.screenReader);
        auto session =
            std::make_shared<ZVApiSession>(std::make_shared<ZVUserCredentials>("a@example.com"));
        session->initWithProfiles(nullptr);
        // As the service's record names them: nothing goes out.
        QJsonArray flags;
        if (c.flag) {
            flags.append(QString(ZVUserProfile::StandardUiFlag));
        }
        ZVJsonParser record(QJsonObject{{QStringLiteral("client_flags"), flags}});
        session->profile()->updateSettings(record);
        ZVApi::api().setActiveSession(session);
        stage.menu->show();
        EXPECT_EQ(stage.nativeAlert() != nullptr, c.native);
        EXPECT_EQ(ZVAlertView::alertViewShowing(), !c.native);
        ZVApi::api().setActiveSession(nullptr);
        AlertStage::manager().setCurrentAlertView(nullptr);
        stage.settle();
    }
}

}  // namespace
