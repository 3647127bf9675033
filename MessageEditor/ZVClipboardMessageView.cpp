#include "MessageEditor/ZVClipboardMessageView.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "app/shell/ZVGlobals.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/resources/Images.h"
#include "toolkit/richtext/email/ZVEmailPage.h"
#include "toolkit/screens/ZVViewController.h"
#include "toolkit/style/ViewLayout.h"
#include "toolkit/style/ZVTextStyles.h"

#include <QtGui/QPainter>

using namespace Qt::Literals::StringLiterals;

namespace {

std::shared_ptr<platform::Label> clipCardLabel(int style, const QString& text) {
    auto label = platform::View::make<platform::Label>();
    ZVTextStyles::styleLabel(*label, style);
    label->setText(text);
    label->setUserInteractionEnabled(false);
    label->sizeToFit();
    return label;
}

}  // namespace

ZVClipboardMessageView::ZVClipboardMessageView(std::shared_ptr<Message> message)
    : message_(std::move(message)) {
    setBackgroundColor(Qt::white);
    const auto session = std::dynamic_pointer_cast<ZVRepositorySession>(message_->session());
    const auto poster = session ? session->contactFromId(message_->accountId()) : nullptr;
    icon_ = platform::View::make<platform::ImageView>(platform::Images::named(kIconName));
    icon_->setUserInteractionEnabled(false);
    subject_ = clipCardLabel(kSubjectStyle, message_->subject());
    senderName_ = clipCardLabel(
        kDetailStyle,
        poster ? u"%1 - %2"_s.arg(poster->displayName(), poster->email()) : QString());
    timestamp_ = clipCardLabel(kDetailStyle,
                               ZVLocalization::formatDateAndTime(message_->postedTime(), true));
    for (const std::shared_ptr<platform::View>& view :
         {std::static_pointer_cast<platform::View>(icon_),
          std::static_pointer_cast<platform::View>(subject_),
          std::static_pointer_cast<platform::View>(senderName_),
          std::static_pointer_cast<platform::View>(timestamp_)}) {
        addSubview(view);
    }
    setFrame(QRectF(0, 0, kInitialWidth, icon_->frame().height() + 2 * kVerticalInset));
}

ZVClipboardMessageView::~ZVClipboardMessageView() {
    showTimer_.cancel();
}

void ZVClipboardMessageView::showMessage() {
    ZVGlobals* globals = ZVGlobals::globals();
    const auto navigation = globals ? globals->rightNavigationController() : nullptr;
    if (!navigation) {
        return;
    }
    // The shared e-mail page: scripts off, links to the URL handler, no other navigation.
    page_ = std::make_shared<ZVEmailPage>(navigation->view()->bounds());
    page_->loadBody(message_->cleanedHtml(), ZVApi::api().baseURL());
    auto screen = std::make_shared<ZVViewController>();
    screen->setView(page_->webView());
    QString title = message_->subject();
    if (title.isEmpty()) {
        if (const auto conversation = message_->conversation()) {
            title = conversation->topicText();
        }
    }
    screen->setTitle(title);
    navigation->pushViewController(screen, true);
}

void ZVClipboardMessageView::setHighlighted(bool highlighted) {
    setBackgroundColor(highlighted
                           ? QColor::fromRgbF(kHighlightWhite, kHighlightWhite, kHighlightWhite, 1)
                           : QColor(Qt::white));
}

void ZVClipboardMessageView::touchesBegan(const platform::TouchSet&, const platform::TouchEvent&) {
    setHighlighted(true);
}

void ZVClipboardMessageView::touchesEnded(const platform::TouchSet&, const platform::TouchEvent&) {
    setHighlighted(false);
    const std::weak_ptr<View> weak = weak_from_this();
    showTimer_ = platform::Scheduler::main().after(kShowDelay, [this, weak] {
        if (weak.lock()) {
            showMessage();
        }
    });
}

void ZVClipboardMessageView::touchesCancelled(const platform::TouchSet&,
                                              const platform::TouchEvent&) {
    setHighlighted(false);
}

void ZVClipboardMessageView::layoutSubviews() {
    View::layoutSubviews();
    const QRectF inner =
        bounds().adjusted(kHorizontalInset, kVerticalInset, -kHorizontalInset, -kVerticalInset);
    const QSizeF iconSize = icon_->frame().size();
    icon_->setFrame(QRectF(inner.left(), inner.center().y() - iconSize.height() / 2,
                           iconSize.width(), iconSize.height()));
    const qreal textLeft = inner.left() + iconSize.width() + kIconGap;
    const qreal textWidth = std::max<qreal>(0, inner.right() - textLeft);
    const qreal subjectHeight = subject_->frame().height();
    const qreal timeHeight = timestamp_->frame().height();
    subject_->setFrame(QRectF(textLeft, inner.top(), textWidth, subjectHeight));
    timestamp_->setFrame(QRectF(textLeft, inner.bottom() - timeHeight, textWidth, timeHeight));
    const qreal between = inner.height() - subjectHeight - timeHeight;
    const qreal senderHeight = senderName_->frame().height();
    senderName_->setFrame(QRectF(textLeft,
                                 inner.top() + subjectHeight + (between - senderHeight) / 2,
                                 textWidth, senderHeight));
}

void ZVClipboardMessageView::drawRect(QPainter& painter, const QRectF& rect) {
    View::drawRect(painter, rect);
    drawSeparator(painter, bounds(), true, false);
}
