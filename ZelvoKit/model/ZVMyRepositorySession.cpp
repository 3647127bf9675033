#include "ZelvoKit/model/ZVMyRepositorySession.h"

#include "ZelvoKit/model/ZVFileViewServices.h"

void ZVMyRepositorySession::notifyFileChanged(const std::shared_ptr<File>& file) {
    if (!file) {
        return;
    }
    // The first synchronisation brings every file of the account; of those the inbox shows only
    // the ones of each conversation's inbox message.
    if (eventHorizon() < 1) {
        const auto conversation = conversationFromId(file->conversationId());
        if (!conversation || conversation->inboxMessageNr() != file->messageNr()) {
            return;
        }
    }
    ZVFileViewServices::preloadPreviewForFile(file);
}
