#include "MessageEditor/StartUp.h"

#include "MessageEditor/ZVClipboardMessage.h"
#include "MessageEditor/ZVMessageEditor.h"
#include "MessageFlow/rows/ZVConversationCells.h"
#include "ZelvoKit/model/Conversation.h"
#include "app/inbox/screen/ZVForwardViewController.h"
#include "toolkit/tables/ZVClipboardMessageProbe.h"

void ZVStartUpMessageEditor() {
    ZVClipboardMessageProbe::setProbe(&ZVClipboardMessage::isInClipboard);
    ZVForwardViewController::setForwarder([](const std::shared_ptr<Conversation>& conversation,
                                             const std::shared_ptr<Message>& message) {
        conversation->setForwardedMessage(std::make_shared<ZVClipboardMessage>(message));
    });
    ZVConversationComposer::setFactory([](const std::shared_ptr<Conversation>& conversation,
                                          const std::shared_ptr<ZVConversationCells>& cells) {
        return ZVMessageEditor::make(conversation, cells);
    });
}
