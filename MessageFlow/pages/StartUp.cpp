#include "MessageFlow/pages/StartUp.h"

#include "MessageFlow/pages/ZVConversationPageRegistry.h"
#include "MessageFlow/pages/ZVConversationPageSet.h"
#include "MessageFlow/pages/ZVConversationSettingsViewController.h"
#include "MessageFlow/pages/ZVNewConversationViewController.h"
#include "MessageFlow/pages/ZVTasksViewController.h"
#include "MessageFlow/pages/side/ZVConversationSearchViewController.h"
#include "MessageFlow/pages/side/ZVMessageBoardViewController.h"
#include "MessageFlow/pages/side/ZVPinsViewController.h"
#include "MessageFlow/screen/actions/ZVConversationMessageActions.h"
#include "app/inbox/screen/ZVInboxViewController.h"
#include "files/page/ZVFilesViewController.h"

void ZVStartUpPages() {
    ZVAppServices::shared().makeConversationPages = &ZVConversationPageSet::make;
    ZVConversationMessageActions::install();
    auto& pages = ZVConversationPageRegistry::shared().pages;
    pages[ZVConversationPageSet::SearchPage] = [](const std::shared_ptr<Conversation>& conversation,
                                                  int page) {
        return ZVConversationSearchViewController::create(conversation, page);
    };
    pages[ZVConversationPageSet::PinsPage] = [](const std::shared_ptr<Conversation>& conversation,
                                                int page) {
        auto board = ZVMessageBoardViewController::make(
            conversation, page, [](const std::weak_ptr<ZVMessageBoard>& shown) {
                return std::make_unique<ZVPinsViewController>(shown);
            });
        board->setTrackingCategory(ZVPinsViewController::kTrackingCategory);
        return board;
    };
    pages[ZVConversationPageSet::FilesPage] = [](const std::shared_ptr<Conversation>& conversation,
                                                 int page) {
        return ZVConversationTableViewController::create<ZVFilesViewController>(conversation, page);
    };
    pages[ZVConversationPageSet::TasksPage] = [](const std::shared_ptr<Conversation>& conversation,
                                                 int page) {
        return ZVMessageBoardViewController::make(
            conversation, page, [](const std::weak_ptr<ZVMessageBoard>& shown) {
                return std::make_unique<ZVTasksViewController>(shown);
            });
    };
    pages[ZVConversationPageSet::SettingsPage] =
        [](const std::shared_ptr<Conversation>& conversation, int page) {
            return platform::ViewController::make<ZVConversationSettingsViewController>(
                conversation, page);
        };
    ZVInboxViewController::setNewConversationScreen(
        [](const std::shared_ptr<Conversation>& conversation, int page) {
            return std::static_pointer_cast<platform::ViewController>(
                ZVNewConversationViewController::make(conversation, page));
        });
}
