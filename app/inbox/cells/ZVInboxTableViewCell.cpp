#include "app/inbox/cells/ZVInboxTableViewCell.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/model/search/ZVContactMatch.h"
#include "app/inbox/decorators/ZVContactDecorator.h"
#include "app/inbox/decorators/ZVConversationMatchDecorator.h"
#include "app/inbox/decorators/ZVMessageDecorator.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/gesture/PanGestureRecognizer.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/ViewLayout.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/ZVUnreadBadge.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

#include <array>

using namespace Qt::Literals::StringLiterals;

// Hears the decorator and the pan recognizer for the cell, which owns it: they hold it weakly
// and may outlive neither.
class ZVInboxTableViewCell::Relay : public ZVInboxItemDecoratorDelegate,
                                    public platform::GestureRecognizerDelegate {
public:
    explicit Relay(ZVInboxTableViewCell& cell) : cell_(cell) {}
    void update() override { cell_.update(); }
    bool gestureRecognizerShouldBegin(platform::GestureRecognizer& recognizer) override {
        return cell_.shouldBegin(recognizer);
    }
    bool gestureRecognizerShouldReceiveTouch(platform::GestureRecognizer& recognizer,
                                             const platform::Touch& touch) override {
        return cell_.shouldReceiveTouch(recognizer, touch);
    }

private:
    ZVInboxTableViewCell& cell_;
};

namespace {

// The decorator kinds, tried in this order; the first that takes the item wins.
struct DecoratorKind {
    bool (*accepts)(const ZVInboxRowItem&);
    std::unique_ptr<ZVInboxItemDecorator> (*make)();
};

template <class D>
DecoratorKind kindOf() {
    return {&D::acceptsItem, [] { return std::unique_ptr<ZVInboxItemDecorator>(new D); }};
}

const std::array<DecoratorKind, 4>& decoratorKinds() {
    static const std::array<DecoratorKind, 4> kinds{
        kindOf<ZVConversationDecorator>(), kindOf<ZVConversationMatchDecorator>(),
        kindOf<ZVContactDecorator>(), kindOf<ZVMessageDecorator>()};
    return kinds;
}

int kindFor(const ZVInboxRowItem& item) {
    for (std::size_t index = 0; index < decoratorKinds().size(); ++index) {
        if (decoratorKinds()[index].accepts(item)) {
            return static_cast<int>(index);
        }
    }
    return -1;
}

QColor named(const QString& name) {
    return platform::resolveColor(colorWithName(name));
}

std::shared_ptr<platform::ImageView> hiddenIcon(const QString& imageName) {
    auto icon = platform::View::make<platform::ImageView>(platform::Images::named(imageName));
    icon->sizeToFit();
    icon->setHidden(true);
    return icon;
}

}  // namespace

ZVInboxTableViewCell::ZVInboxTableViewCell(Style style, QString reuseIdentifier)
    : ZVAvatarCell(style, std::move(reuseIdentifier)),
      relay_(std::make_shared<Relay>(*this)),
      timestampLabel_(platform::View::make<platform::Label>()) {
    setSeparatorExcludesAvatar(true);
    const QColor gray = platform::resolveColor(ZVColors::gray());
    detailTextLabel()->setTextColor(gray);
    timestampLabel_->setTextColor(gray);
    timestampLabel_->setHighlightedTextColor(detailTextLabel()->highlightedTextColor());
    contentView()->addSubview(timestampLabel_);

    pan_ = std::make_shared<platform::PanGestureRecognizer>(
        [this](platform::GestureRecognizer& recognizer) { cellPan(recognizer); });
    pan_->setDelegate(relay_);
    contentView()->addGestureRecognizer(pan_);

    unreadBadge_ = platform::View::make<ZVUnreadBadge>();
    failedIcon_ = hiddenIcon(u"icon-dashboard-failed"_s);
    editIcon_ = hiddenIcon(u"icon-dashboard-continuemessage"_s);
    muteIcon_ = hiddenIcon(u"icon-dashboard-mute"_s);
    muteIcon_->setAlpha(kMuteIconAlpha);
    star_ = hiddenIcon(u"icon-star"_s);
    email_ = hiddenIcon(u"icon-email-avatar"_s);
    mentionIndicator_ = platform::View::make<platform::Label>();
    mentionIndicator_->setText(u"@"_s);
    ZVTextStyles::styleLabel(*mentionIndicator_, kMentionStyle);
    mentionIndicator_->setTextColor(platform::resolveColor(ZVColors::orange()));
    mentionIndicator_->sizeToFit();
    mentionIndicator_->setHidden(true);
    for (const auto& view : ViewList{unreadBadge_, failedIcon_, editIcon_, muteIcon_, star_, email_,
                                     mentionIndicator_}) {
        contentView()->addSubview(view);
    }

    setAvatarSize(kAvatarSize);
    ZVTextStyles::styleLabel(*detailTextLabel(), kDetailStyle);
    ZVTextStyles::styleLabel(*timestampLabel_, kTimestampStyle);
    textLabel()->setFrame(QRectF(0, 0, 0, kTitleHeight));
}

ZVInboxTableViewCell::~ZVInboxTableViewCell() {
    resumeHeldChanges();
    if (decorator_) {
        decorator_->setItem({});
    }
}

std::shared_ptr<ZVInboxTableViewCell> ZVInboxTableViewCell::self() {
    return std::static_pointer_cast<ZVInboxTableViewCell>(shared_from_this());
}

// --- the item ---

void ZVInboxTableViewCell::setItem(const ZVInboxRowItem& item) {
    if (std::holds_alternative<std::monostate>(item)) {
        if (decorator_) {
            decorator_->setItem({});
        }
        return;
    }
    // A row handed another item mid-drag gives back what it held.
    resumeHeldChanges();
    const int kind = kindFor(item);
    if (!decorator_ || decoratorKind_ != kind) {
        if (decorator_) {
            decorator_->setItem({});
            decorator_->setDelegate({});
        }
        decorator_ = kind >= 0 ? decoratorKinds()[kind].make() : nullptr;
        decoratorKind_ = kind;
        if (decorator_) {
            decorator_->setDelegate(relay_);
        }
    }
    if (decorator_) {
        decorator_->setItem(item);
    }
    if (const auto& avatar = avatarView()) {
        if (const auto* match = std::get_if<std::shared_ptr<ZVContactMatch>>(&item)) {
            avatar->setContact(*match ? (*match)->contact() : nullptr);
        } else {
            avatar->setConversation(conversationOfRowItem(item));
        }
    }
    update();
}

ZVInboxRowItem ZVInboxTableViewCell::item() const {
    return decorator_ ? decorator_->item() : ZVInboxRowItem{};
}

std::shared_ptr<Conversation> ZVInboxTableViewCell::conversation() const {
    if (decoratorKind_ != 0 || !decorator_) {
        return nullptr;
    }
    return static_cast<const ZVConversationDecorator&>(*decorator_).conversation();
}

QString ZVInboxTableViewCell::conversationId() const {
    return decoratorKind_ == 0 && decorator_ ? decorator_->guid() : QString();
}

bool ZVInboxTableViewCell::isUnread() const {
    return decorator_ && decorator_->unreadCount() > 0;
}

void ZVInboxTableViewCell::update() {
    needUpdate_ = false;
    deferredUpdate_.cancel();
    ZVInboxItemDecorator* decorator = decorator_.get();
    const ZVInboxItemDecorator neutral;
    const ZVInboxItemDecorator& d = decorator ? *decorator : neutral;

    const auto& title = textLabel();
    ZVTextStyles::styleLabel(*title, d.isUnread() ? kTitleStyleUnread : kTitleStyleRead);
    title->setAttributedText(d.title());
    detailTextLabel()->setAttributedText(d.detailTitle());

    const QString timestamp = d.timestamp();
    if (!timestamp.isNull()) {
        timestampLabel_->setText(timestamp);
    }
    timestampLabel_->setHidden(timestamp.isNull());
    setSelected(false);

    mentionIndicator_->setHidden(!d.isMention());
    failedIcon_->setHidden(!d.isFailed());
    const auto conversation = this->conversation();
    editIcon_->setHidden(!conversation || (conversation->pendingMessage().isEmpty() &&
                                           conversation->pendingFiles().empty()));
    muteIcon_->setHidden(!(d.isMuted() && d.unreadCount() < 1 && failedIcon_->isHidden()));

    if (d.isFailed()) {
        timestampLabel_->setTextColor(Qt::red);
        detailTextLabel()->setTextColor(named(u"messageComment"_s));
    } else {
        const QColor color = named(d.isUnread() ? u"messageUnread"_s : u"messageRead"_s);
        timestampLabel_->setTextColor(color);
        detailTextLabel()->setTextColor(color);
    }

    const bool hasAvatar = avatarView() != nullptr;
    email_->setHidden(!(d.isEmail() && hasAvatar));
    star_->setHidden(!(d.isStarred() && hasAvatar && email_->isHidden()));
    unreadBadge_->setNumber(static_cast<long>(d.unreadCount()));
    unreadBadge_->setGray(d.isMuted());
    setNeedsLayout();
}

void ZVInboxTableViewCell::updateAsync() {
    if (needUpdate_) {
        return;
    }
    needUpdate_ = true;
    deferredUpdate_ = platform::Scheduler::main().after(0, [this] { update(); });
}

// --- look ---

void ZVInboxTableViewCell::setColor(const QColor& color) {
    color_ = color;
    applyRowColor();
}

void ZVInboxTableViewCell::applyRowColor() {
    for (const auto& view :
         ViewList{textLabel(), detailTextLabel(), contentView(), timestampLabel_}) {
        view->setBackgroundColor(color_);
    }
    setBackgroundColor(color_);
}

void ZVInboxTableViewCell::setMentionVisible(bool visible) {
    mentionIndicator_->setHidden(!visible);
}

void ZVInboxTableViewCell::setHighlightColor(const QColor& color, double) {
    // A menu about the row shows its colour while it is open; an invalid one gives the row's own.
    const QColor shown = color.isValid() ? color : color_;
    for (const auto& view :
         ViewList{textLabel(), detailTextLabel(), contentView(), timestampLabel_}) {
        view->setBackgroundColor(shown);
    }
    setBackgroundColor(shown);
}

void ZVInboxTableViewCell::setHighlighted(bool highlighted, bool animated) {
    if (!keepHighlight_) {
        ZVAvatarCell::setHighlighted(highlighted, animated);
    }
}

void ZVInboxTableViewCell::setSelected(bool selected, bool) {
    setColor(selected ? QColor::fromRgbF(kSelectedWhite, kSelectedWhite, kSelectedWhite)
                      : QColor(Qt::white));
}

void ZVInboxTableViewCell::prepareForReuse() {
    resumeHeldChanges();
    ZVAvatarCell::prepareForReuse();
}

void ZVInboxTableViewCell::willMoveToWindow(platform::Window* newWindow) {
    if (newWindow == nullptr) {
        resumeHeldChanges();
    }
    ZVAvatarCell::willMoveToWindow(newWindow);
}

// --- layout ---

QRectF ZVInboxTableViewCell::layoutWithRect(const QRectF& rect) {
    const QRectF inner = ZVAvatarCell::layoutWithRect(rect);
    if (const auto& avatar = avatarView()) {
        const QRectF frame = avatar->frame();
        const QPointF mark(frame.right() - kBadgeMarkInsetX, frame.bottom() - kBadgeMarkInsetY);
        star_->setCenter(mark);
        email_->setCenter(mark);
        contentView()->bringSubviewToFront(star_.get());
        contentView()->bringSubviewToFront(email_.get());
    }
    unreadBadge_->setHidden(unreadBadge_->number() == 0);
    alignViews({textLabel(), mentionIndicator_, failedIcon_, editIcon_, muteIcon_, unreadBadge_},
               inner, kTitleLineFlags, textLabel());
    alignViews({detailTextLabel(), timestampLabel_}, inner, kDetailLineFlags, detailTextLabel());
    return inner;
}

void ZVInboxTableViewCell::layoutSubviews() {
    ZVAvatarCell::layoutSubviews();
    // A slid row returns once its action is over; while an icon shows, the drag holds it.
    if (!actionIcon_) {
        contentView()->setFrame(bounds());
    }
}
