#include "tests/accounts/people/PeopleTestSupport.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"
#include "accounts/people/ZVContactAvatarView.h"
#include "accounts/people/ZVMemberCell.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/widgets/ZVBadge.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

#include <QtCore/QDir>
#include <QtCore/QJsonArray>
#include <QtGui/QImage>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

QColor peopleRenderPixel(const QImage& image, QPointF point, qreal scale) {
    return image.pixelColor((point * scale).toPoint());
}

bool peopleNearColor(const QColor& a, const QColor& b, int tolerance = 12) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

class PeopleRendering : public peopletest::PeopleTest {};

// A member row drawn offscreen: the admin badge and the e-mail indicator are painted where the
// layout put them, over a white row.
TEST_F(PeopleRendering, AMemberRowDrawsItsBadgeAndIndicator) {
    const QString id = u"c0000000-0000-4000-8000-000000000116"_s;
    ASSERT_TRUE(deliver(session_, {contact(1, u"Ada Admin"_s, u"ada@outside.example"_s,
                                           {{u"mk_account_status"_s, u"email"_s}}),
                                   modeltest::streamRecord(
                                       u"conv"_s, {{u"conversation_id"_s, id},
                                                   {u"topic"_s, u"Render"_s},
                                                   {u"members"_s, QJsonArray{self(), personId(1)}},
                                                   {u"admins"_s, QJsonArray{personId(1)}}})}));
    const auto conversation = session_->conversationFromId(id);
    const auto member = conversation->sortedMembers()->memberByAccountId(personId(1));
    ASSERT_TRUE(member && member->isAdmin());
    auto row = std::make_shared<ZVMemberCell>(platform::TableViewCell::Style::Subtitle, u"r"_s);
    row->setBackgroundColor(Qt::white);
    row->setFrame(QRectF(0, 0, 375, 60));
    row->setMember(member);
    root->setBackgroundColor(Qt::white);
    root->addSubview(row);
    window->updateNow();
    const QImage image = window->render();
    QDir().mkpath(u"snapshots"_s);
    image.save(u"snapshots/people-member-row.png"_s);
    const qreal scale = window->scale();

    ASSERT_FALSE(row->emailIndicator()->isHidden());
    const QRectF indicator =
        row->emailIndicator()->convertRectTo(row->emailIndicator()->bounds(), nullptr);
    EXPECT_FALSE(peopleNearColor(
        peopleRenderPixel(image, indicator.center() + QPointF(0, 3), scale), Qt::white));
    const QRectF badge = row->adminBadge()->convertRectTo(row->adminBadge()->bounds(), nullptr);
    EXPECT_GT(badge.left(), 200);
    // The badge's body, left of its text.
    EXPECT_FALSE(peopleNearColor(
        peopleRenderPixel(image, QPointF(badge.left() + 3, badge.center().y()), scale), Qt::white));
    // Between the name and the badge: the row's white.
    EXPECT_TRUE(peopleNearColor(
        peopleRenderPixel(image, QPointF(badge.left() - 8, badge.center().y()), scale), Qt::white));
}

// The menu header: the person's colour around a round avatar.
TEST_F(PeopleRendering, TheAvatarHeaderIsInThePersonsColour) {
    ASSERT_TRUE(deliver(session_, {contact(2, u"Cleo Colour"_s, u"cleo@example.com"_s)}));
    const auto contact = session_->contactFromId(personId(2));
    const auto header = platform::View::make<ZVContactAvatarView>(contact);
    root->addSubview(header);
    window->updateNow();
    const QImage image = window->render();
    image.save(u"snapshots/people-avatar-header.png"_s);
    const qreal scale = window->scale();
    const QColor own = platform::resolveColor(colorFromGUID(contact->accountId()));
    EXPECT_TRUE(peopleNearColor(peopleRenderPixel(image, QPointF(245, 5), scale), own));
    const QRectF avatar = header->avatar()->convertRectTo(header->avatar()->bounds(), nullptr);
    EXPECT_EQ(avatar.size(), QSizeF(100, 100));
    EXPECT_FALSE(peopleNearColor(peopleRenderPixel(image, avatar.center(), scale), own, 4));
}

}  // namespace
