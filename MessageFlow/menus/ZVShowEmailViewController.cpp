#include "MessageFlow/menus/ZVShowEmailViewController.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "platform/ui/view/DeviceProfile.h"
#include "toolkit/richtext/email/ZVEmailPage.h"

ZVShowEmailViewController::ZVShowEmailViewController(const std::shared_ptr<Message>& message)
    : page_(std::make_shared<ZVEmailPage>(
          QRectF(QPointF(0, 0), platform::DeviceProfile::phone().size))) {
    if (!message) {
        return;
    }
    // Relative links and images in the mail resolve against the service.
    page_->loadBody(message->cleanedHtml(), ZVApi::api().baseURL());
    QString title = message->subject();
    if (title.isEmpty()) {
        auto conversation = message->conversation();
        if (!conversation) {
            // A message read from the store alone does not know its conversation yet.
            if (const auto session =
                    std::dynamic_pointer_cast<ZVRepositorySession>(message->session())) {
                conversation = session->conversationFromId(message->conversationId());
            }
        }
        if (conversation) {
            title = conversation->topicText();
        }
    }
    setTitle(title);
}

ZVShowEmailViewController::~ZVShowEmailViewController() = default;

void ZVShowEmailViewController::loadView() {
    setView(page_->webView());
}
