#include "tests/accounts/people/PeopleTestSupport.h"
#include "tests/toolkit/screens/FakeCoordinator.h"

#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "accounts/people/ZVContactAvatarView.h"
#include "accounts/people/ZVContactProfileViewController.h"
#include "accounts/people/ZVMyAvatarCell.h"
#include "platform/foundation/Application.h"
#include "platform/ui/controllers/PopoverPresentation.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "toolkit/dialogs/ZVHeaderCell.h"
#include "toolkit/dialogs/ZVLabelCell.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

class ContactProfile : public peopletest::PeopleTest {
protected:
    void SetUp() override {
        PeopleTest::SetUp();
        ASSERT_TRUE(deliver(session_, {modeltest::streamRecord(
                                           u"org_header"_s, {{u"organisation_id"_s, u"org-7"_s},
                                                             {u"organisation_name"_s, u"Acme"_s}}),
                                       contact(1, u"Full Fran"_s, u"fran@example.com"_s,
                                               {{u"zelvo_address"_s, u"fran"_s},
                                                {u"phone_nr"_s, u"+1 555 0100"_s},
                                                {u"organisation_id"_s, u"org-7"_s}}),
                                       contact(2, u"Plain Pat"_s, u"pat@example.com"_s),
                                       contact(3, u"Mail Only"_s, u"mail@outside.example"_s,
                                               {{u"mk_account_status"_s, u"email"_s}})}));
    }
    void TearDown() override {
        platform::Application::shared().setUserInterfaceIdiom(platform::UserInterfaceIdiom::Phone);
        PeopleTest::TearDown();
    }
    // The profile's rows: headers as "# title", label rows by their text.
    static QStringList rows(const ZVContactProfileViewController& profile) {
        QStringList shown;
        for (int i = 1; i < profile.count(); ++i) {
            const auto cell = std::get<std::shared_ptr<ZVDialogCell>>(profile[i]);
            if (const auto* header = dynamic_cast<ZVHeaderCell*>(cell.get())) {
                shown << u"# "_s + const_cast<ZVHeaderCell*>(header)->textLabel()->text();
            } else if (const auto* label = dynamic_cast<ZVLabelCell*>(cell.get())) {
                shown << label->labelText();
            }
        }
        return shown;
    }
};

// Fields show only when the contact has them, in order, after the header.
TEST_F(ContactProfile, ListsTheFieldsTheContactHas) {
    const auto full = ZVContactProfileViewController::make(session_->contactFromId(personId(1)));
    EXPECT_TRUE(std::holds_alternative<std::shared_ptr<ZVDialogCell>>((*full)[0]));
    EXPECT_EQ(rows(*full).mid(0, 1), QStringList{u"# USERNAME"_s});
    EXPECT_EQ(rows(*full).mid(2),
              (QStringList{u"# EMAIL"_s, u"fran@example.com"_s, u"# PHONE NUMBER"_s,
                           u"+1 555 0100"_s, u"# ORGANIZATION"_s, u"Acme"_s}));
    const auto plain = ZVContactProfileViewController::make(session_->contactFromId(personId(2)));
    EXPECT_EQ(rows(*plain), (QStringList{u"# EMAIL"_s, u"pat@example.com"_s}));
}

// Headers: a service user's shows when last seen; the user's own and an e-mail-only person's have
// no second line. The menu header is 250 x 240 in the person's colour, with a 100-point avatar.
TEST_F(ContactProfile, HeadersShowLastSeenForOtherServiceUsersOnly) {
    struct Case {
        std::shared_ptr<Contact> contact;
        bool lastSeen;
    };
    const Case cases[] = {{session_->contactFromId(personId(2)), true},
                          {session_->localContact(), false},
                          {session_->contactFromId(personId(3)), false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.contact->displayName().toStdString());
        const auto header = platform::View::make<ZVContactAvatarView>(c.contact);
        header->layoutIfNeeded();
        EXPECT_EQ(header->frame().size(), QSizeF(250, 240));
        EXPECT_EQ(header->avatar()->frame().size(), QSizeF(100, 100));
        EXPECT_DOUBLE_EQ(header->avatar()->frame().top(), 50);
        EXPECT_EQ(header->name()->text(), c.contact->displayName());
        EXPECT_EQ(!header->lastSeen()->isHidden(), c.lastSeen);
        EXPECT_FALSE(header->requiresInset());
        const auto cell = std::make_shared<ZVMyAvatarCell>(c.contact);
        EXPECT_DOUBLE_EQ(cell->height(), 240);
        EXPECT_EQ(cell->detailTextLabel()->isHidden(), !c.contact->isZelvoContact());
    }
    // The user's own header cell shows the address, not when last seen.
    const auto own = std::make_shared<ZVMyAvatarCell>(session_->localContact());
    EXPECT_EQ(own->detailTextLabel()->text(), session_->localContact()->friendlyEmail());
}

// A phone covers the screen with the profile and its back arrow closes it; a tablet shows a
// popover pointing at the row.
TEST_F(ContactProfile, PresentedModallyOnAPhoneAsAPopoverOnATablet) {
    for (const bool tablet : {false, true}) {
        SCOPED_TRACE(tablet ? "tablet" : "phone");
        platform::Application::shared().setUserInterfaceIdiom(
            tablet ? platform::UserInterfaceIdiom::Pad : platform::UserInterfaceIdiom::Phone);
        const auto coordinator = FakeCoordinator::install();
        coordinator->shownWindow->updateNow();
        auto anchor = platform::View::make<platform::View>(QRectF(10, 20, 100, 60));
        coordinator->left->topViewController()->view()->addSubview(anchor);
        const auto profile = ZVContactProfileViewController::showForContact(
            session_->contactFromId(personId(2)), anchor.get());
        wait(1);
        ASSERT_EQ(coordinator->left->presentedViewController(), profile);
        EXPECT_EQ(profile->modalPresentationStyle(),
                  tablet ? platform::ViewController::ModalPresentationStyle::Popover
                         : platform::ViewController::ModalPresentationStyle::FullScreen);
        if (tablet) {
            EXPECT_EQ(profile->popoverPresentationController().sourceRect(), anchor->frame());
        }
        profile->navigateBack();
        wait(1);
        EXPECT_FALSE(coordinator->left->presentedViewController());
    }
}

}  // namespace
