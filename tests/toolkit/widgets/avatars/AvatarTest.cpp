#include "ZelvoKit/ZelvoApi/images/ZVCachedImage.h"
#include "ZelvoKit/ZelvoApi/images/ZVImageCache.h"
#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/Hook.h"
#include "platform/ui/controls/ActivityIndicator.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/Window.h"
#include "tests/ZelvoKit/model/RepositoryTestSupport.h"
#include "tests/support/TestEnvironment.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/widgets/avatars/ZVAvatarManager.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

#include <QtCore/QBuffer>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using platform::resolveColor;

namespace {

const QString kFox = u"7a1e0c4d-2b3f-4e5a-8c6d-9e0f1a2b3c4d"_s;
const QString kChannel = u"1c2d3e4f-5a6b-4c7d-8e9f-0a1b2c3d4e5f"_s;
const QString kOwl = u"8b2f1d5e-3c4a-4f6b-9d7e-0f1a2b3c4d5e"_s;

QJsonObject avatarUrls(const QString& url) {
    return {{u"size_50"_s, url}, {u"size_100"_s, url}, {u"size_700"_s, url}};
}

class Avatars : public modeltest::SignedInTest {
protected:
    void SetUp() override {
        SignedInTest::SetUp();
        ZVAvatarManager::createInstance();
        manager = ZVAvatarManager::instance();
        window->setRootView(root);
    }
    void TearDown() override {
        root->removeFromSuperview();
        ZVAvatarManager::releaseInstance();
        SignedInTest::TearDown();
    }
    std::shared_ptr<Contact> contact(const QString& id, const QString& name, const QString& url) {
        QJsonObject fields{{u"account_id"_s, id}, {u"display_name"_s, name}};
        if (!url.isNull()) {
            fields.insert(u"avatar_urls"_s, avatarUrls(url));
        }
        EXPECT_EQ(applyLocally(session_, {modeltest::streamRecord(u"contact"_s, fields)}), nullptr);
        return session_->contactFromId(id);
    }
    std::shared_ptr<Hook> hook(const QString& key, const QString& url) {
        EXPECT_EQ(
            applyLocally(session_, {modeltest::streamRecord(
                                       u"hook"_s, {{u"hook_key"_s, key},
                                                   {u"conversation_id"_s, kChannel},
                                                   {u"account_id"_s, kFox},
                                                   {u"hook_url"_s, u"https://hooks.example/1"_s},
                                                   {u"is_active"_s, true},
                                                   {u"hook_name"_s, u"Builds"_s},
                                                   {u"avatar_urls"_s, avatarUrls(url)}})}),
            nullptr);
        return session_->hookFromId(key);
    }
    std::shared_ptr<ZVAvatarView> shownView(int size = ZVAvatarManager::kMedium) {
        auto view = std::make_shared<ZVAvatarView>();
        view->setSize(size);
        root->addSubview(view);
        return view;
    }
    // A picture of one colour stored on the service; its URL.
    QString storedPicture(const QColor& colour) {
        QImage image(64, 64, QImage::Format_ARGB32);
        image.fill(colour);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return emulator.storeFile(u"picture.png"_s, png, zvemu::ServiceEmulator::Access::Session,
                                  "image/png");
    }

    std::shared_ptr<ZVAvatarManager> manager;
    std::shared_ptr<platform::Window> window = platform::Window::make();
    std::shared_ptr<platform::View> root = platform::View::make(QRectF(0, 0, 320, 480));
};

}  // namespace

TEST(AvatarLocalIds, FromTheContactsUrl) {
    const struct {
        const char* url;
        const char* id;
    } cases[] = {
        {"/avatar/ab/cd.png", "ab_cd.png"},
        {"_avatar_ab_cd.png", "ab_cd.png"},
        {"/avatar/ab/cd", "ab_cd.jpg"},
        {"https://cdn.example/x/y.gif", "https:__cdn.example_x_y.gif"},
        {"/pictures/me", "_pictures_me.jpg"},
        {"", "null"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ZVAvatarManager::localIdForContactUrl(QString::fromLatin1(c.url)),
                  QString::fromLatin1(c.id))
            << c.url;
    }
    EXPECT_EQ(ZVAvatarManager::localIdForContactUrl(QString()), u"null"_s);
    const qreal sides[] = {0, 30, 40, 100};
    for (int size = 0; size < 4; ++size) {
        EXPECT_EQ(ZVAvatarView::pointsForSize(size), sides[size]);
    }
}

TEST_F(Avatars, ContactsAndHooksFindTheirCacheAndEntry) {
    const auto fox = contact(kFox, u"Red Fox"_s, u"/avatar/fox/1"_s);
    const auto twin = contact(kOwl, u"Owl"_s, u"/avatar_fox_1"_s);
    ASSERT_TRUE(fox && twin);

    const struct {
        int size;
        const std::shared_ptr<ZVImageCache>& cache;
    } classes[] = {{2, manager->cacheForSize(0)},
                   {1, manager->cacheForSize(1)},
                   {3, manager->cacheForSize(3)},
                   {0, manager->cacheForSize(2)}};
    EXPECT_NE(manager->cacheForSize(1), manager->cacheForSize(2));
    EXPECT_NE(manager->cacheForSize(3), manager->cacheForSize(2));
    for (const auto& c : classes) {
        SCOPED_TRACE(c.size);
        const auto picture = manager->avatarForContact(*fox, c.size);
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->localId(), u"fox_1.jpg"_s);
        EXPECT_EQ(c.cache->imageWithLocalId(u"fox_1.jpg"_s), picture);
        EXPECT_EQ(manager->avatarForContact(*twin, c.size), picture) << "one file for both";
        // Classes 0 and 2 share the entry made first, here at 40 points.
        const qreal side = ZVAvatarManager::sizeForSize(c.size == 0 ? 2 : c.size);
        EXPECT_EQ(picture->forcedSize(), QSizeF(side, side));
    }
    EXPECT_EQ(manager->cacheForSize(1)->relativePath(), u"Avatars"_s);
    EXPECT_EQ(manager->cacheForSize(3)->queueName(), u"ZVAvatarCache.queue"_s);

    const auto builds = hook(u"hook-1"_s, u"https://hooks.example/a/b.png"_s);
    ASSERT_TRUE(builds);
    const auto hookPicture = manager->avatarForHook(*builds, 3);
    EXPECT_EQ(hookPicture->localId(), builds->smallAvatarUrl()) << "the URL as it is";
    EXPECT_EQ(manager->cacheForSize(2)->imageWithLocalId(builds->smallAvatarUrl()), hookPicture);
}

TEST_F(Avatars, InitialsOnATintWhenThereIsNoPicture) {
    const auto fox = contact(kFox, u"Red Fox"_s, QString());
    for (const int size : {1, 3}) {
        SCOPED_TRACE(size);
        const auto view = shownView(size);
        view->setContact(fox);
        ASSERT_TRUE(view->avatar());
        EXPECT_EQ(view->avatar()->localId(), u"null"_s);
        EXPECT_EQ(view->type(), ZVAvatarView::kContact);
        EXPECT_TRUE(view->image()->isHidden());
        EXPECT_FALSE(view->nameLabel()->isHidden());
        EXPECT_EQ(view->nameLabel()->text(), fox->initials());
        const platform::Color colour = colorFromGUID(kFox);
        EXPECT_EQ(view->nameLabel()->textColor(), resolveColor(colour));
        const QColor tint =
            resolveColor(colorByBlendingWithColor(colorWithWhite(1), colorWithAlpha(colour, 0.1)));
        EXPECT_EQ(view->backgroundColor(), tint);
        EXPECT_EQ(view->nameLabel()->backgroundColor(), tint);
        if (size == 3) {
            EXPECT_EQ(view->layer().borderWidth(), 3) << "the white ring";
            EXPECT_EQ(view->layer().borderColor(), QColor(Qt::white));
        } else {
            EXPECT_EQ(view->layer().borderWidth(), 1);
            EXPECT_EQ(view->layer().borderColor(), resolveColor(colorWithName(u"avatar_border"_s)));
        }

        // Rendered: the tint inside the circle, nothing outside it.
        view->layoutIfNeeded();
        const QImage shot = view->snapshot(1);
        const int side = shot.width();
        EXPECT_EQ(side, static_cast<int>(ZVAvatarView::pointsForSize(size)));
        EXPECT_EQ(shot.pixelColor(side / 2, side - 6 - (size == 3 ? 3 : 0)), tint);
        EXPECT_EQ(shot.pixelColor(0, 0).alpha(), 0);
    }
}

TEST_F(Avatars, TypesShowTheirIcons) {
    const QColor logo = resolveColor(ZVColors::logo());
    const struct {
        int type;
        const char* icon;
        qreal alpha;
        QColor background;
        QColor border;
    } types[] = {
        {ZVAvatarView::kPin, "icon-avatar-pin", 1, logo, logo},
        {ZVAvatarView::kFadedPin, "icon-avatar-pin", 0.5, logo, logo},
        {ZVAvatarView::kTaskCompleted, "icon-avatar-task-completed", 1, logo, logo},
        {ZVAvatarView::kTaskCompletedToo, "icon-avatar-task-completed", 1, logo, logo},
        {ZVAvatarView::kSystemMessage, "icon-avatar-systemmessage", 1, logo, logo},
        {ZVAvatarView::kNew, "icon-avatar-new", 1, logo, logo},
        {ZVAvatarView::kTeam, "icon-team", 1, resolveColor(ZVColors::background()),
         resolveColor(ZVColors::border())},
    };
    for (const int size : {2, 3}) {
        for (const auto& t : types) {
            SCOPED_TRACE(testing::Message() << "size " << size << ", type " << t.type);
            const auto view = shownView(size);
            view->setType(t.type);
            const QImage icon = platform::Images::named(QString::fromLatin1(t.icon));
            ASSERT_FALSE(icon.isNull());
            EXPECT_EQ(view->image()->image(), icon);
            EXPECT_FALSE(view->image()->isHidden());
            EXPECT_TRUE(view->nameLabel()->isHidden());
            EXPECT_EQ(view->image()->alpha(), t.alpha);
            EXPECT_EQ(view->backgroundColor(), t.background);
            EXPECT_EQ(view->layer().borderColor(), size == 3 ? QColor(Qt::white) : t.border);
            EXPECT_EQ(view->layer().borderWidth(), size == 3 ? 3 : 1);
        }
    }
    const auto view = shownView();
    view->setBackgroundColor(Qt::red);
    EXPECT_NE(view->backgroundColor(), QColor(Qt::red)) << "the view keeps its own colour";
}

TEST_F(Avatars, AHookShowsItsIconUntilThePictureArrives) {
    const auto builds = hook(u"hook-2"_s, storedPicture(Qt::green));
    const auto view = shownView();
    view->setHook(builds);
    ASSERT_TRUE(view->avatar());
    ASSERT_TRUE(view->avatar()->loading());
    EXPECT_TRUE(view->isObservingLoading());
    EXPECT_EQ(view->image()->image(), platform::Images::named(u"icon-avatar-hook"_s));
    EXPECT_EQ(view->backgroundColor(), QColor(Qt::white));

    ASSERT_TRUE(scheduler().runUntil([&] { return !view->avatar()->loading(); }));
    EXPECT_FALSE(view->isObservingLoading());
    const QImage shown = view->image()->image();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown, view->avatar()->image());
    EXPECT_EQ(platform::Images::pointSize(shown), QSizeF(40, 40));
    EXPECT_EQ(view->layer().borderWidth(), 0);
}

TEST_F(Avatars, AContactChangeReloadsOnlyTheViewsShowingIt) {
    ZVAvatarManager::addSession(session_);
    const auto fox = contact(kFox, u"Red Fox"_s, u"/avatar/fox"_s);
    const auto owl = contact(kOwl, u"Owl"_s, u"/avatar/owl"_s);
    const auto foxView = shownView();
    const auto owlView = shownView();
    foxView->setContact(fox);
    owlView->setContact(owl);
    EXPECT_EQ(manager->avatarViews().size(), 2u);
    const auto owlPicture = owlView->avatar();

    // The fox gets a new picture from the service.
    ASSERT_EQ(applyLocally(session_,
                           {modeltest::streamRecord(
                               u"contact"_s, {{u"account_id"_s, kFox},
                                              {u"hook_url"_s, u"https://hooks.example/1"_s},
                                              {u"is_active"_s, true},
                                              {u"avatar_urls"_s, avatarUrls(u"/avatar/fox2"_s)}})}),
              nullptr);
    EXPECT_EQ(foxView->avatar()->localId(), u"fox2.jpg"_s);
    EXPECT_EQ(owlView->avatar(), owlPicture);

    // Only the named contact is shown again: the owl would find a new entry if it were.
    manager->cacheForSize(2)->removeImage(u"owl.jpg"_s);
    manager->sessionContactsChanged(session_, {kFox});
    EXPECT_EQ(owlView->avatar(), owlPicture);
    manager->sessionContactsChanged(session_, {kOwl});
    EXPECT_NE(owlView->avatar(), owlPicture);

    // A removed view is forgotten and drops what it showed.
    owlView->removeFromSuperview();
    EXPECT_EQ(owlView->type(), ZVAvatarView::kPlaceholder);
    EXPECT_FALSE(owlView->contact());
    EXPECT_EQ(manager->avatarViews().size(), 1u);
}

TEST_F(Avatars, AFailedDeleteRestoresTheViewAndAReusedRowIsLeftAlone) {
    const QString me = accountId(u"anna@example.com"_s);
    const auto self = session_->contactFromId(me);
    ASSERT_TRUE(self);
    const auto owl = contact(kOwl, u"Owl"_s, QString());
    const auto view = shownView();
    view->setContact(self);
    const QColor before = view->backgroundColor();

    emulator.scriptAnswer(u"avatar/delete"_s, zvemu::Reply::error(500, u"internal"_s));
    view->deleteAvatar();
    ASSERT_TRUE(view->activity());
    EXPECT_TRUE(view->activity()->isAnimating());
    EXPECT_TRUE(view->image()->isHidden());
    ASSERT_TRUE(settle([&] { return !view->activity(); }));
    EXPECT_EQ(view->contact(), self);
    EXPECT_EQ(view->backgroundColor(), before);

    // The row shows someone else before the answer comes: it keeps showing them.
    view->deleteAvatar();
    view->setContact(owl);
    ASSERT_TRUE(settle([&] { return !view->activity(); })) << "the spinner goes";
    EXPECT_EQ(view->contact(), owl);
    EXPECT_EQ(view->nameLabel()->text(), owl->initials());
}

TEST_F(Avatars, TouchingAChangeableAvatarDarkensTheWholeCircle) {
    const auto view = shownView(3);
    view->setCanChange(true);
    ASSERT_TRUE(view->canChange());
    view->layoutIfNeeded();
    EXPECT_EQ(view->overlay()->frame(), QRectF(0, 75, 100, 25));
    EXPECT_EQ(view->changeLabel()->text(), u"Change"_s);
    EXPECT_EQ(view->changeLabel()->center(), QPointF(50, 87.5));

    const QPointF at = view->convertPointTo(QPointF(50, 50), nullptr);
    window->sendTouch(1, platform::TouchPhase::Began, at);
    EXPECT_TRUE(view->isHighlighted());
    EXPECT_EQ(view->overlay()->frame(), QRectF(0, 0, 100, 100));
    window->sendTouch(1, platform::TouchPhase::Ended, at);
    EXPECT_FALSE(view->isHighlighted());
    EXPECT_EQ(view->overlay()->frame(), QRectF(0, 75, 100, 25));

    view->setCanChange(false);
    EXPECT_FALSE(view->canChange());
    EXPECT_FALSE(view->overlay());
}

TEST_F(Avatars, ConversationsShowTheirPartnerOrTheirInitials) {
    const QString me = accountId(u"anna@example.com"_s);
    const QString dialog = u"2d3e4f5a-6b7c-4d8e-9f0a-1b2c3d4e5f6a"_s;
    const QString group = u"3e4f5a6b-7c8d-4e9f-0a1b-2c3d4e5f6a7b"_s;
    ASSERT_EQ(
        applyLocally(session_,
                     {modeltest::streamRecord(u"conv"_s, {{u"conversation_id"_s, dialog},
                                                          {u"members"_s, QJsonArray{me, kFox}}}),
                      modeltest::streamRecord(u"conv"_s, {{u"conversation_id"_s, group},
                                                          {u"topic"_s, u"Launch plan"_s},
                                                          {u"members"_s, QJsonArray{me, kFox}}})}),
        nullptr);
    // The partner's record names the dialog after the conversations are known.
    ASSERT_EQ(applyLocally(session_,
                           {modeltest::streamRecord(
                               u"contact"_s, {{u"account_id"_s, kFox},
                                              {u"display_name"_s, u"Red Fox"_s},
                                              {u"dialog_id"_s, dialog},
                                              {u"avatar_urls"_s, avatarUrls(u"/avatar/fox"_s)}})}),
              nullptr);
    ASSERT_EQ(session_->conversationFromId(dialog)->dialogPartner(), kFox);
    const auto view = shownView();
    view->setConversation(session_->conversationFromId(dialog));
    EXPECT_EQ(view->type(), ZVAvatarView::kContact);
    EXPECT_EQ(view->contact(), session_->contactFromId(kFox));
    ASSERT_TRUE(view->avatar());
    EXPECT_EQ(view->avatar()->localId(), u"fox.jpg"_s);

    const auto launch = session_->conversationFromId(group);
    view->setConversation(launch);
    EXPECT_EQ(view->type(), ZVAvatarView::kConversation);
    EXPECT_FALSE(view->contact());
    EXPECT_FALSE(view->avatar()) << "no picture of the row's earlier contact";
    EXPECT_FALSE(view->nameLabel()->isHidden());
    EXPECT_EQ(view->nameLabel()->text(), launch->initials());
    EXPECT_EQ(view->nameLabel()->textColor(), resolveColor(colorFromGUID(group)));

    view->setPlaceholder(u"?"_s);
    EXPECT_EQ(view->type(), ZVAvatarView::kPlaceholder);
    EXPECT_FALSE(view->conversation());
    EXPECT_EQ(view->nameLabel()->text(), u"?"_s);
}

TEST_F(Avatars, AnUploadShowsThePictureAtOnce) {
    const auto self = session_->contactFromId(accountId(u"anna@example.com"_s));
    const auto view = shownView(3);
    view->setContact(self);
    const QString path = zvtest::makeTempDir() + u"/me.png"_s;
    QImage picture(64, 64, QImage::Format_ARGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(path));

    view->setContactAvatar(QUrl::fromLocalFile(path));
    EXPECT_FALSE(view->image()->isHidden());
    EXPECT_TRUE(view->nameLabel()->isHidden());
    EXPECT_EQ(platform::Images::pointSize(view->image()->image()), QSizeF(100, 100));
    ASSERT_TRUE(view->activity());
    // The upload travels by real HTTP; its answer takes the spinner away.
    ASSERT_TRUE(scheduler().runUntil([&] { return !view->activity(); }));
    EXPECT_EQ(view->contact(), self);
    EXPECT_FALSE(view->image()->isHidden());
}
