#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "accounts/signin/ZVGoogleLoginViewController.h"
#include "accounts/signin/ZVMicrosoftLoginViewController.h"
#include "tests/accounts/signin/LoginScreenTestSupport.h"

#include <QtCore/QFile>

using namespace Qt::StringLiterals;

namespace signintest {
namespace {

using PreLoginNavigationTest = LoginScreenTest;

QString errorLog() {
    ZVErrorLog::errorLog().flush();
    QFile file(ZVErrorLog::errorLog().logFilePath());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The screens of the stack, named by class.
QStringList stackOf(const platform::NavigationController& navigation) {
    QStringList names;
    for (const auto& controller : navigation.viewControllers()) {
        if (dynamic_cast<ZVMicrosoftLoginViewController*>(controller.get())) {
            names << u"microsoft"_s;
        } else if (dynamic_cast<ZVGoogleLoginViewController*>(controller.get())) {
            names << u"google"_s;
        } else if (dynamic_cast<ZVLoginViewController*>(controller.get())) {
            names << u"login"_s;
        } else {
            names << u"?"_s;
        }
    }
    return names;
}

TEST_F(PreLoginNavigationTest, PagesSwitchByNumberWithTheirBarAndTransition) {
    start();
    EXPECT_EQ(navigation->page(), 1);
    EXPECT_TRUE(navigation->isNavigationBarHidden());
    EXPECT_EQ(stackOf(*navigation), QStringList{u"login"_s});
    ZVErrorLog::errorLog().deleteLogFile();

    struct Step {
        const char* name;
        std::function<void()> act;
        int page;
        QStringList stack;
        bool barHidden;
        // The top screen stays the one it was: nothing new is made.
        bool sameTop;
    };
    const std::vector<Step> steps = {
        {"1 to 4: pushed with its bar",
         [this] { navigation->setPage(4); },
         4,
         {u"login"_s, u"google"_s},
         false,
         false},
        {"4 to 5: back to the root first",
         [this] { navigation->setPage(5); },
         5,
         {u"login"_s, u"microsoft"_s},
         false,
         false},
        {"the page shown again",
         [this] { navigation->setPage(5); },
         5,
         {u"login"_s, u"microsoft"_s},
         false,
         true},
        {"a page missing from the table",
         [this] { navigation->setPage(2); },
         5,
         {u"login"_s, u"microsoft"_s},
         false,
         true},
        {"the bar's back button",
         [this] { navigation->popViewControllerAnimated(true); },
         1,
         {u"login"_s},
         true,
         false},
        {"4 again, then back to 1",
         [this] {
             navigation->setPage(4);
             settle();
             navigation->setPage(1);
         },
         1,
         {u"login"_s},
         true,
         true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const auto topBefore = navigation->viewControllers().back();
        step.act();
        settle();
        EXPECT_EQ(navigation->page(), step.page);
        EXPECT_EQ(stackOf(*navigation), step.stack);
        EXPECT_EQ(navigation->isNavigationBarHidden(), step.barHidden);
        EXPECT_EQ(navigation->viewControllers().back() == topBefore, step.sameTop);
    }
    EXPECT_TRUE(errorLog().contains(u"ZVPreLoginNavigationController: no page 2"_s));
}

TEST_F(PreLoginNavigationTest, TheProviderButtonsOpenTheirPagesAndAResultClosesThem) {
    start();
    const auto welcome = screen().pages().front();
    std::vector<std::shared_ptr<platform::Button>> buttons;
    for (const auto& part : welcome->parts()) {
        if (auto button = std::dynamic_pointer_cast<platform::Button>(part)) {
            buttons.push_back(button);
        }
    }
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_EQ(buttons[1]->currentTitle(), u"Sign in with Google"_s);
    tap(buttons[2]);
    settle();
    EXPECT_EQ(stackOf(*navigation), (QStringList{u"login"_s, u"microsoft"_s}));
    tap(buttons[1]);
    settle();
    EXPECT_EQ(stackOf(*navigation), (QStringList{u"login"_s, u"google"_s}));

    // A web page that leaves by popping to the root returns to page 1 without its bar.
    navigation->popToRootViewControllerAnimated(false);
    settle();
    EXPECT_EQ(navigation->page(), 1);
    EXPECT_TRUE(navigation->isNavigationBarHidden());
}

}  // namespace
}  // namespace signintest
