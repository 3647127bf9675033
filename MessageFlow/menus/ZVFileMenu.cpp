#include "MessageFlow/menus/ZVFileMenu.h"

#include "MessageEditor/ZVClipboardMessage.h"
#include "ZelvoKit/markup/XMLEncoding.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/tracking/ZVEventTracker.h"
#include "platform/foundation/Format.h"
#include "platform/ui/table/TableViewCell.h"
#include "toolkit/tables/ZVTableView.h"

using namespace Qt::Literals::StringLiterals;

ZVFileMenu::~ZVFileMenu() = default;

void ZVFileMenu::registerFactory() {
    ZVFileMenuFactory::setFactory([](const std::shared_ptr<ZVTableView>& table) {
        return std::static_pointer_cast<ZVFileMenuHandler>(
            ZVActionMenuHost::attach<ZVFileMenu>(table));
    });
}

QString ZVFileMenu::deleteConfirmation(const File& file) {
    // The card reads its message as markup: the name must show as it is.
    return platform::format(u"Are you sure you want to delete the file \"%@\"?",
                            xmlEncoded(file.fileName()));
}

void ZVFileMenu::menuWillAppear() {
    file_.reset();
    const auto* row = dynamic_cast<const ZVFileRow*>(cell().get());
    const auto pressed = row ? row->file() : nullptr;
    if (pressed && !pressed->isDeleted()) {
        file_ = pressed;
        const auto session = pressed->repositorySession();
        const auto conversation =
            session ? session->conversationFromId(pressed->conversationId()) : nullptr;
        populateActionsEditAllowed(conversation && conversation->canPost());
    }
    // After the options, so that the row stays lit while they show.
    ZVActionMenuHost::menuWillAppear();
}

void ZVFileMenu::menuWillDisappear() {
    ZVActionMenuHost::menuWillDisappear();
    file_.reset();
}

QString ZVFileMenu::targetName() const {
    const auto pressed = file();
    return pressed ? pressed->fileName() : QString();
}

void ZVFileMenu::populateActionsEditAllowed(bool editAllowed) {
    const auto pressed = file();
    if (!pressed) {
        return;
    }
    addOption(u"copy"_s, u"Copy"_s, bind(&ZVFileMenu::copyFile));
    if (editAllowed) {
        addOption(u"delete"_s, u"Delete file"_s, bind(&ZVFileMenu::deleteFile), false,
                  deleteConfirmation(*pressed));
    }
}

std::shared_ptr<File> ZVFileMenu::liveFile() const {
    auto pressed = file();
    return pressed && !pressed->isDeleted() ? pressed : nullptr;
}

void ZVFileMenu::reportAction(const QString& label) {
    ZVEventTracker::tracker().reportEventWithCategory(kTrackingCategory, kTrackingAction, label);
}

void ZVFileMenu::copyFile() {
    const auto pressed = liveFile();
    if (!pressed) {
        return;
    }
    ZVClipboardMessage(QString(), ZVClipboardMessage::Files{pressed}).copyToClipboard();
    reportAction(u"copy file"_s);
}

void ZVFileMenu::deleteFile() {
    const auto pressed = liveFile();
    if (!pressed) {
        return;
    }
    pressed->deleteFile();
    reportAction(u"delete file"_s);
}
