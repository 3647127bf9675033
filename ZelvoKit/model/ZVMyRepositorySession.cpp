#include "ZelvoKit/model/ZVMyRepositorySession.h"

#include "ZelvoKit/model/ZVFileViewServices.h"

void ZVMyRepositorySession::notifyFileChanged(const std::shared_ptr<File>& file) {
    // The first synchronisation brings every file of the account; the inbox shows none of them
    // before its conversations are known, so their previews wait until they are asked for.
    if (!file || eventHorizon() < 1) {
        return;
    }
    ZVFileViewServices::preloadPreviewForFile(file);
}
