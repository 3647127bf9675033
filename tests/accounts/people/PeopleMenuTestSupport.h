#pragma once

#include "tests/accounts/people/PeopleTestSupport.h"
#include "tests/toolkit/screens/FakeCoordinator.h"

#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/alerts/ZVActionMenuButton.h"
#include "toolkit/alerts/ZVActionMenuHost.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/alerts/ZVAlertViewManager.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <gtest/gtest.h>

#include <memory>

namespace peopletest {

// A people screen whose rows open an action menu, with a coordinator to take the requests its
// options make and the phone window as the alerts' key window.
class PeopleMenuTest : public PeopleTest {
protected:
    void SetUp() override {
        PeopleTest::SetUp();
        coordinator = FakeCoordinator::install();
        ZVAlertViewManager::alertViewManager().setKeyWindow(window);
    }
    void TearDown() override {
        if (const auto alert = ZVAlertViewManager::alertViewManager().currentAlertView()) {
            alert->hide();
        }
        releaseScreen();
        PeopleTest::TearDown();
        coordinator.reset();
    }
    // Lets the screen go before the account does.
    virtual void releaseScreen() = 0;
    // The host of the menu the test opens.
    virtual const ZVActionMenuHost& menuHost() const = 0;

    // The titles of the shown menu's options, separators left out.
    QStringList options() const {
        QStringList titles;
        if (const auto& menu = menuHost().menu()) {
            for (const auto& action : menu->actions()) {
                if (!action->isSeparator()) {
                    titles << action->title();
                }
            }
        }
        return titles;
    }
    std::shared_ptr<ZVActionMenuButton> option(const QString& title) const {
        if (const auto& menu = menuHost().menu()) {
            for (const auto& action : menu->actions()) {
                if (!action->isSeparator() && action->title() == title) {
                    return std::dynamic_pointer_cast<ZVActionMenuButton>(action);
                }
            }
        }
        return nullptr;
    }
    // Runs the option as a confirmed choice.
    void choose(const QString& title) {
        const auto chosen = option(title);
        ASSERT_TRUE(chosen);
        menuHost().menu()->doInvokeButtonAction(*chosen);
    }

    std::shared_ptr<FakeCoordinator> coordinator;
};

}  // namespace peopletest
