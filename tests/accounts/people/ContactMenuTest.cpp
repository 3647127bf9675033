#include "tests/accounts/people/PeopleMenuTestSupport.h"

#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "accounts/people/ZVContact.h"
#include "accounts/people/ZVContactCell.h"
#include "accounts/people/ZVContactListViewController.h"
#include "accounts/people/ZVContactMenu.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/alerts/ZVActionMenuButton.h"
#include "toolkit/alerts/ZVAlertInputView.h"
#include "toolkit/alerts/ZVAlertViewManager.h"
#include "toolkit/alerts/ZVConfirmationAlertView.h"
#include "toolkit/tables/ZVTableView.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// The contact list of an account with one contact whose name holds markup characters and an
// address-book person, and its menu opened on their rows.
class ContactMenu : public peopletest::PeopleMenuTest {
protected:
    void SetUp() override {
        PeopleMenuTest::SetUp();
        ASSERT_TRUE(deliver(session_, {contact(1, u"<Al & Bo>"_s, u"albo@example.com"_s)}));
        authorizeBook({person(u"Book"_s, u"Person"_s, {u"book@example.org"_s})});
        list = platform::ViewController::make<ZVContactListViewController>(session_);
        list->view()->setFrame(root->bounds());
        root->addSubview(list->view());
        window->updateNow();
    }
    void releaseScreen() override { list.reset(); }
    const ZVActionMenuHost& menuHost() const override { return *list->menu(); }
    // Opens the menu on the row of `name`.
    bool openOn(const QString& name) {
        window->updateNow();
        for (int row = 0; row < list->numberOfRows(); ++row) {
            const auto cell = list->tableView()->cellForRowAtIndexPath({0, row});
            const auto* contactRow = dynamic_cast<ZVContactCell*>(cell.get());
            if (contactRow && contactRow->contact()->name() == name) {
                list->menu()->showWithCell(cell);
                return true;
            }
        }
        return false;
    }

    std::shared_ptr<ZVContactListViewController> list;
};

// An account's contact can be renamed and removed; an address-book person only written to. Names
// in the texts are escaped, so markup characters show as typed.
TEST_F(ContactMenu, OptionsAndEscapedTexts) {
    ASSERT_TRUE(openOn(u"Book Person"_s));
    EXPECT_EQ(options(), QStringList{u"Open conversation"_s});
    choose(u"Open conversation"_s);
    EXPECT_EQ(coordinator->conversationRequests.last(), u"book@example.org"_s);

    ASSERT_TRUE(openOn(u"<Al & Bo>"_s));
    EXPECT_EQ(options(), (QStringList{u"Open conversation"_s, u"Rename"_s, u"Remove"_s}));
    EXPECT_EQ(option(u"Remove"_s)->confirmMessage(),
              u"Are you sure you want to remove &lt;Al &amp; Bo&gt; from your contact list?"_s);
    // No standard interface asked for: the menu points at nothing.
    EXPECT_FALSE(list->menu()->pointAtView());

    choose(u"Rename"_s);
    const auto card = std::dynamic_pointer_cast<ZVConfirmationAlertView>(
        ZVAlertViewManager::alertViewManager().currentAlertView());
    ASSERT_TRUE(card);
    EXPECT_EQ(card->title(), u"Rename contact"_s);
    EXPECT_EQ(card->message(), u"Please enter new name for \"&lt;Al &amp; Bo&gt;\""_s);
    std::shared_ptr<ZVAlertInputView> input;
    for (const auto& view : card->views()) {
        if (const auto field = std::dynamic_pointer_cast<ZVAlertInputView>(view)) {
            input = field;
        }
    }
    ASSERT_TRUE(input);
    EXPECT_EQ(input->text(), u"<Al & Bo>"_s);
    EXPECT_EQ(input->selectedRange().length, 9);
    input->setText(u"Alfred"_s);
    card->alertView(*card, ZVConfirmationAlertView::kConfirmIndex);
    const auto contact = session_->contactFromId(personId(1));
    EXPECT_EQ(contact->displayName(), u"Alfred"_s);

    ASSERT_TRUE(openOn(u"Alfred"_s) || openOn(u"<Al & Bo>"_s));
    choose(u"Remove"_s);
    EXPECT_TRUE(contact->isHiddenForAdd());
}

}  // namespace
