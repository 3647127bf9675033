#include "accounts/settings/ZVAccountProfileViewController.h"

#include "tests/accounts/settings/SettingsTestSupport.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/model/Contact.h"
#include "accounts/people/ZVMyAvatarCell.h"
#include "accounts/signin/claim/ZVClaimIdViewController.h"
#include "files/pickers/ZVFilePicker.h"
#include "files/pickers/ZVImagePreviewer.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/controls/TextField.h"
#include "tests/emulator/AccountRecords.h"
#include "tests/platform/media/FakeMediaSupport.h"
#include "tests/support/ImageBytes.h"
#include "tests/support/TestEnvironment.h"
#include "tests/toolkit/screens/AnalyticsCapture.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/dialogs/ZVOptionCell.h"
#include "toolkit/dialogs/ZVTextFieldCell.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtGui/QImage>

using namespace Qt::StringLiterals;

namespace settingstest {
namespace {

const QString kProfileConfigure = u"account/configure"_s;

// Anna's own profile, pushed on the inbox side; her contact record changes as the service would
// send it, and a fake camera and photo library stand in for the device's.
class AccountProfileTest : public SettingsTest {
protected:
    void SetUp() override {
        SettingsTest::SetUp();
        library = zvtest::makeTempDir(u"profile-library"_s);
        camera = zvtest::makeTempDir(u"profile-camera"_s);
        mediatest::useFakeMedia(library, camera);
    }
    void TearDown() override {
        if (const auto open = ZVFilePicker::current()) {
            open->dismiss();
        }
        screen.reset();
        mediatest::dropFakeMedia();
        SettingsTest::TearDown();
    }

    QString annaId() { return account(shelltest::kAnna); }
    // Anna's contact record with the fields replaced, delivered on the stream.
    bool ownRecordArrives(const QJsonObject& fields) {
        QJsonObject record = zvemu::contactRecord(*emulator.account(annaId()));
        for (auto it = fields.begin(); it != fields.end(); ++it) {
            record.insert(it.key(), it.value());
        }
        emulator.appendEvent(annaId(), record);
        return waitForStreamEnd(session);
    }
    void open() {
        screen = platform::ViewController::make<ZVAccountProfileViewController>(session);
        push(screen);
    }
    // Labels and header titles in order, with "|" after a row that ends its group.
    QStringList rows() const {
        QStringList shown;
        for (const QString& text : rowTexts(*screen)) {
            shown << text;
        }
        for (int i = 0; i < screen->count(); ++i) {
            const auto* cell = std::get_if<std::shared_ptr<ZVDialogCell>>(&(*screen)[i]);
            if (cell && std::dynamic_pointer_cast<ZVLabelCell>(*cell) && (*cell)->endsGroup()) {
                shown[i] += u" |"_s;
            }
        }
        return shown;
    }
    // The bodies of the configuration calls, as compact JSON without the envelope, sorted: calls
    // sent together may arrive in either order.
    std::string configureCalls() {
        calls(kProfileConfigure);
        QStringList bodies;
        for (const auto& request : emulator.requests(kProfileConfigure)) {
            QJsonObject body = request.body;
            body.remove(u"ticket"_s);
            body.remove(u"api_version"_s);
            bodies << QString::fromUtf8(QJsonDocument(body).toJson(QJsonDocument::Compact));
        }
        bodies.sort();
        return bodies.join(u' ').toStdString();
    }
    static QStringList optionTitles(const ZVActionMenu& menu) {
        QStringList titles;
        for (const auto& action : menu.actions()) {
            titles << action->title();
        }
        return titles;
    }
    // The user's choice in the shown menu.
    void choose(ZVActionMenu& menu, const QString& title) {
        for (int i = 0; i < menu.actionCount(); ++i) {
            if (menu.actions()[static_cast<std::size_t>(i)]->title() == title) {
                menu.invokeActionIndex(i, false);
                settle();
                return;
            }
        }
        ADD_FAILURE() << "no option " << title.toStdString();
    }
    std::shared_ptr<ZVActionMenu> tapAvatar() {
        screen->changeAvatar();
        settle();
        const auto menu = screen->avatarMenu();
        EXPECT_TRUE(menu);
        return menu;
    }

    QString library;
    QString camera;
    std::shared_ptr<ZVAccountProfileViewController> screen;
};

// The rows, the e-mail group only with an address, the alternate addresses after the primary one
// (or the username row), and the last row of that group ending it.
TEST_F(AccountProfileTest, AddressRowsAndTheirGroup) {
    const QString work =
        emulator.addAccount(u"anna.work@example.com"_s, u"pw"_s, u"Anna W"_s).accountId;
    const QString home =
        emulator.addAccount(u"anna.home@example.com"_s, u"pw"_s, u"Anna H"_s).accountId;
    const QStringList head{u"(cell)"_s, u"# NAME"_s, u"(cell)"_s, u"# USERNAME"_s};
    const QStringList tail{u"# PHONE"_s, u"(cell)"_s, u"# PRIVACY"_s, u"(cell)"_s};
    const QString claim = u"Tap to claim your username="_s;
    const struct {
        const char* name;
        QString email;
        QStringList aliases;
        QStringList rows;
    } cases[] = {
        {"no address, no alias", QString(), {}, head + QStringList{claim + u" |"_s} + tail},
        {"an address, no alias",
         shelltest::kAnna,
         {},
         head +
             QStringList{claim + u" |"_s, u"# EMAIL ADDRESSES"_s,
                         shelltest::kAnna + u"=Primary |"_s} +
             tail},
        {"an address and two aliases",
         shelltest::kAnna,
         {work, home},
         head +
             QStringList{claim + u" |"_s, u"# EMAIL ADDRESSES"_s, shelltest::kAnna + u"=Primary"_s,
                         u"anna.work@example.com=Alternate"_s,
                         u"anna.home@example.com=Alternate |"_s} +
             tail},
        {"no address, one alias",
         QString(),
         {work},
         head + QStringList{claim, u"anna.work@example.com=Alternate |"_s} + tail},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(
            ownRecordArrives({{u"alias_account_ids"_s, QJsonArray::fromStringList(c.aliases)}}));
        // An account without an address (one made by a sign-in elsewhere).
        session->localContact()->setEmail(c.email.isNull() ? QString() : shelltest::kAnna);
        open();
        // Unknown contacts are asked for; their rows fill in as they arrive.
        ASSERT_TRUE(waitUntil([&] { return rows() == c.rows; }))
            << rows().join(u", "_s).toStdString();
        EXPECT_EQ(screen->aliasCellIndex(), c.email.isEmpty() ? 5 : 7);
        navigation()->popViewControllerAnimated(false);
        settle();
    }
}

// "Done" sends only what changed, once; "Cancel" puts the contact's values back. The privacy
// switch sends its own setting, and follows a change from elsewhere without sending it back.
TEST_F(AccountProfileTest, OnlyChangesAreSentAndReported) {
    AnalyticsCapture reports;
    ASSERT_TRUE(reports.started());
    open();
    const auto& name = screen->name()->textField();
    const auto& phone = screen->phone()->textField();
    EXPECT_EQ(screen->title(), u"Account profile"_s);
    EXPECT_EQ(phone->placeholder(), u"Mobile phone"_s);

    screen->setEditing(true, false);
    screen->commitEdit();
    EXPECT_EQ(configureCalls(), "");

    screen->setEditing(true, false);
    name->setText(u"Anna Smith"_s);
    phone->setText(u"+372 5555 1234"_s);
    screen->cancelEdit();
    EXPECT_EQ(name->text(), session->localContact()->displayName());
    EXPECT_TRUE(phone->text().isEmpty());
    EXPECT_EQ(configureCalls(), "");

    screen->setEditing(true, false);
    name->setText(u"Anna Smith"_s);
    screen->commitEdit();
    EXPECT_EQ(session->localContact()->displayName(), u"Anna Smith"_s);
    EXPECT_EQ(screen->avatar()->textLabel()->text(), u"Anna Smith"_s);
    screen->setEditing(true, false);
    phone->setText(u"+372 5555 1234"_s);
    screen->commitEdit();
    EXPECT_EQ(configureCalls(), R"({"display_name":"Anna Smith"} {"phone_nr":"+372 5555 1234"})");

    EXPECT_TRUE(screen->privacy()->checked());
    screen->privacy()->cellTapped();
    EXPECT_TRUE(session->profile()->isFullPrivacy());
    const std::string privacyOff =
        R"({"display_name":"Anna Smith"} {"is_full_privacy":true} {"phone_nr":"+372 5555 1234"})";
    EXPECT_EQ(configureCalls(), privacyOff);
    ASSERT_TRUE(ownRecordArrives({{u"is_full_privacy"_s, false}}));
    EXPECT_TRUE(screen->privacy()->checked());
    EXPECT_EQ(configureCalls(), privacyOff);

    const QString category = u"Account profile screen / "_s;
    const QStringList expected{category + u"Change name / "_s,
                               category + u"Change phone number / "_s};
    EXPECT_EQ(reports.events(2).join(u'\n').toStdString(), expected.join(u'\n').toStdString());
}

// The username row opens the claim screen a moment after the tap, only while there is no username.
TEST_F(AccountProfileTest, TheUsernameRowClaimsOnlyWithoutOne) {
    open();
    const auto depth = navigation()->viewControllers().size();
    const auto tapUsername = [&] {
        screen->didSelectRow(rowOfCell(*screen, screen->zelvoId()));
        scheduler().advance(ZVAccountProfileViewController::kClaimDelay / 2);
        EXPECT_EQ(navigation()->viewControllers().size(), depth) << "not at once";
        settle();
    };
    tapUsername();
    EXPECT_TRUE(std::dynamic_pointer_cast<ZVClaimIdViewController>(top()));
    navigation()->popToViewController(screen.get(), false);
    settle();

    emulator.updateAccount(annaId(), [](zvemu::Account& a) { a.zelvoAddress = u"anna"_s; });
    ASSERT_TRUE(ownRecordArrives({}));
    ASSERT_TRUE(waitUntil(
        [&] { return screen->zelvoId()->labelText() != u"Tap to claim your username"_s; }));
    EXPECT_EQ(screen->zelvoId()->labelText(), session->localContact()->friendlyZelvoId());
    tapUsername();
    EXPECT_EQ(top(), screen);
}

// A photo from the camera goes up as the avatar, a JPEG named "Avatar.jpg"; a film from the
// library is refused; "Delete" is offered once there is an avatar, and asks first.
TEST_F(AccountProfileTest, TheAvatarTakesPicturesOnly) {
    mediatest::writeMediaFile(camera, u"face.png"_s, zvtest::solidImageBytes({24, 16}, Qt::red));
    mediatest::writeMediaFile(library, u"clip.mp4"_s, "not really a film");
    open();
    EXPECT_TRUE(screen->avatar()->canChange());

    auto menu = tapAvatar();
    ASSERT_TRUE(menu);
    EXPECT_FALSE(optionTitles(*menu).contains(u"Delete"_s));
    choose(*menu, ZVFilePicker::kTakePhotoTitle);
    settle();
    auto picker = ZVFilePicker::current()->imagePickerController();
    ASSERT_TRUE(picker->takePicture());
    ASSERT_TRUE(waitUntil([&] { return calls(u"avatar/upload"_s) == 1; }));
    const auto upload = emulator.lastRequest(u"avatar/upload"_s);
    EXPECT_EQ(upload->header("Content-Disposition"), R"(attachment; filename="Avatar.jpg")");
    EXPECT_TRUE(upload->rawBody.startsWith("\xff\xd8"));
    EXPECT_EQ(QImage::fromData(upload->rawBody).size(), QSize(24, 16));

    menu = tapAvatar();
    choose(*menu, ZVFilePicker::kLibraryTitle);
    settle();
    picker = ZVFilePicker::current()->imagePickerController();
    ASSERT_TRUE(scheduler().runUntil([&] { return picker->items().size() == 1; }));
    ASSERT_TRUE(picker->pickItem(0));
    ASSERT_TRUE(
        waitUntil([&] { return card() && !std::dynamic_pointer_cast<ZVActionMenu>(card()); }));
    EXPECT_EQ(card()->title(), u"Profile photo"_s);
    EXPECT_EQ(calls(u"avatar/upload"_s), 1);
    ZVAlertViewManager::alertViewManager().setCurrentAlertView(nullptr);

    ASSERT_TRUE(ownRecordArrives(
        {{u"avatar_urls"_s, QJsonObject{{u"size_50"_s, emulator.baseUrl() + u"files/a/50"_s}}}}));
    ASSERT_FALSE(session->localContact()->smallAvatarURL().isEmpty());
    menu = tapAvatar();
    ASSERT_TRUE(optionTitles(*menu).contains(u"Delete"_s));
    choose(*menu, u"Delete"_s);
    ASSERT_TRUE(tapCardButton(u"Cancel"_s));
    EXPECT_EQ(calls(u"avatar/delete"_s), 0);
    menu = tapAvatar();
    choose(*menu, u"Delete"_s);
    EXPECT_EQ(card()->message(), u"Delete profile photo?"_s);
    ASSERT_TRUE(tapCardButton(u"Delete"_s));
    EXPECT_EQ(calls(u"avatar/delete"_s), 1);
}

// Once the account is signed out the screen writes nothing more, and it goes without harm.
TEST_F(AccountProfileTest, SignedOutTheScreenLetsGo) {
    open();
    const auto profile = session->profile();
    session->endSession(ZVApiSession::EndReason::Logout);
    ASSERT_TRUE(waitUntil([] { return ZVApi::api().loginStatus() != ZVApi::LoginStatusSignedIn; }));
    screen->privacy()->cellTapped();
    EXPECT_FALSE(profile->isFullPrivacy());
    EXPECT_EQ(calls(kProfileConfigure), 0);
    // The signed-out application shows its first screens; the profile's last holder lets it go.
    screen.reset();
    session.reset();
    settle();
}

}  // namespace
}  // namespace settingstest
