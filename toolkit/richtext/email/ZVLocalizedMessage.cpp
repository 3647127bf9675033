#include "toolkit/richtext/email/ZVLocalizedMessage.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "toolkit/richtext/email/ZVEmailPage.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

// Tells the message list to measure its rows again.
const QString kMessagesKey = u"messages"_s;

}  // namespace

ZVLocalizedMessage::~ZVLocalizedMessage() {
    if (page_) {
        page_->setOnFinishLoad({});
        page_->setOnContentHeight({});
    }
}

ZVMessageRepresentation::Factory ZVLocalizedMessage::factory() {
    return factoryOf<ZVLocalizedMessage>();
}

std::shared_ptr<platform::WebView> ZVLocalizedMessage::webView() {
    if (page_) {
        return page_->webView();
    }
    const std::shared_ptr<Message> owner = message();
    if (!owner || !owner->isOfType(Message::TypeHtmlEmail) || owner->isDeletedMessage()) {
        return nullptr;
    }
    page_ = std::make_shared<ZVEmailPage>(QRectF(0, 0, kDefaultWidth, kCollapsedHeight));
    // The page belongs to this model and is dropped with it, its handlers first.
    page_->setOnFinishLoad([this] {
        webViewState_ = kLoaded;
        updateMeasurement(page_->contentHeight());
    });
    page_->setOnContentHeight([this](double height) {
        if (webViewState_ == kLoaded) {
            updateMeasurement(height);
        }
    });
    page_->loadBody(owner->cleanedHtml(), ZVApi::api().baseURL());
    return page_->webView();
}

void ZVLocalizedMessage::updateMeasurement(double contentHeight) {
    if (contentHeight <= page_->webView()->frame().height()) {
        return;
    }
    webViewState_ = kMeasured;
    formattedHeight_ = std::ceil(contentHeight);
    touchRevision();
    const std::shared_ptr<Message> owner = message();
    const auto conversation = owner ? conversationOf(*owner) : nullptr;
    if (conversation) {
        // Last: an observer may drop this model.
        conversation->willChangeProperty(kMessagesKey);
        conversation->scheduleNotifyPropertyChanges();
    }
}

void ZVLocalizedMessage::refresh() {
    ZVRichMessageRepresentation::refresh();
    if (webViewState_ == kMeasured && page_) {
        formattedHeight_ = std::ceil(page_->contentHeight());
    }
}

double ZVLocalizedMessage::formattedHeightForWidth(double width) {
    const std::shared_ptr<Message> owner = message();
    if (!owner || !owner->isOfType(Message::TypeHtmlEmail)) {
        return ZVRichMessageRepresentation::formattedHeightForWidth(width);
    }
    if (owner->isDeleted()) {
        return 0;
    }
    formattedWidth_ = width;
    if (!expanded_ && !owner->isUnconsumed()) {
        expandable_ = true;
        return kCollapsedHeight;
    }
    expandable_ = false;
    return webViewState_ == kMeasured ? formattedHeight_ : kCollapsedHeight;
}
