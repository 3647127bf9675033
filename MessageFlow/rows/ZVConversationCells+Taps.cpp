#include "MessageFlow/rows/ZVConversationCells.h"
#include "MessageFlow/rows/cells/ZVMessageCell.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "ZelvoKit/support/tracking/ZVEventTracker.h"
#include "ZelvoKit/support/url/ZVURLHandler.h"
#include "files/downloads/ZVModalFileDownloader.h"
#include "files/views/ZVFileView.h"
#include "toolkit/richtext/message/ZVRichMessageRepresentation.h"
#include "toolkit/tables/ZVTableView.h"

#include <algorithm>

void ZVConversationCells::tableViewDidHighlightRowAtIndexPath(platform::TableView& table,
                                                              platform::IndexPath path) {
    if (auto* messagesTable = dynamic_cast<ZVTableView*>(&table)) {
        messagesTable->setSelectionCell(nullptr);
    }
    if (const auto message = messageByIndexPath(path)) {
        saveAnchorMessageNr(message->messageNr());
    }
}

std::optional<platform::IndexPath> ZVConversationCells::tableViewWillSelectRowAtIndexPath(
    platform::TableView& table, platform::IndexPath path) {
    if (!openFilesOnTap_ || menuShowing()) {
        return path;
    }
    const auto cell = std::dynamic_pointer_cast<ZVMessageCell>(table.cellForRowAtIndexPath(path));
    const auto message = cell ? cell->message() : nullptr;
    // A message the service has not stored yet has no files to fetch.
    if (!message || message->isPending()) {
        return path;
    }
    const auto fileView = cell->highlightedFile();
    if (!fileView || !fileView->file()) {
        return path;
    }
    std::weak_ptr<ZVConversationCells> weakModel = weak_from_this();
    std::weak_ptr<ZVFileView> weakView = fileView;
    std::weak_ptr<File> tapped = fileView->file();
    openFileTimer_ = platform::Scheduler::main().after(kOpenFileDelay, [weakModel, weakView,
                                                                        tapped] {
        const auto model = weakModel.lock();
        const auto view = weakView.lock();
        const auto file = tapped.lock();
        // A row reused meanwhile shows another file, or its view left the table.
        const auto table = model ? model->tableView() : nullptr;
        if (table && view && file && view->file() == file && view->isDescendantOf(table.get())) {
            model->openFile(view);
        }
    });
    return path;
}

void ZVConversationCells::tableViewDidSelectRowAtIndexPath(platform::TableView& table,
                                                           platform::IndexPath path) {
    if (menuShowing()) {
        return;
    }
    const auto message = messageByIndexPath(path);
    const auto model = message ? ZVRichMessageRepresentation::of(message) : nullptr;
    if (!model || !model->expandable()) {
        return;
    }
    model->setExpanded(!model->expanded());
    if (const auto cell =
            std::dynamic_pointer_cast<ZVMessageCell>(table.cellForRowAtIndexPath(path))) {
        cell->setMessage(message);
        cell->notifyCellHeightChangeAnimated(false);
    }
}

void ZVConversationCells::openFile(const std::shared_ptr<ZVFileView>& fileView) {
    const auto file = fileView ? fileView->file() : nullptr;
    if (!file) {
        return;
    }
    if (file->isUrlPreview()) {
        ZVURLHandler::handler().handle(file->attachmentId());
        return;
    }
    ZVEventTracker::tracker().reportEventWithCategory(kOpenFileCategory, kOpenFileAction,
                                                      QString());
    ZVModalFileDownloader::downloadFile(file, fileView);
}

double ZVConversationCells::weightForMovedMessage(const ZVMessageArray& list, qsizetype destination,
                                                  double current) const {
    const qsizetype n = list.count();
    if (n == 0) {
        return current;
    }
    // Boards list heavier pins first: a pin dropped on top must outweigh the first.
    const double step = list.order() == ZVMessageArray::Pinboard ? kPinWeightStep : -kPinWeightStep;
    const auto weightAt = [&list](qsizetype i) { return list[i]->pinWeight().value_or(0); };
    const qsizetype d = std::clamp<qsizetype>(destination, 0, n);
    if (d == 0) {
        return weightAt(0) + step;
    }
    if (d == n) {
        return weightAt(n - 1) - step;
    }
    return (weightAt(d - 1) + weightAt(d)) / 2;
}

void ZVConversationCells::tableViewMoveRowAtIndexPath(platform::TableView& table,
                                                      platform::IndexPath from,
                                                      platform::IndexPath to) {
    const auto list = messages();
    const auto message = messageByIndexPath(from);
    if (!list || !message || !(message->isTask() || message->isPinned())) {
        // The table already shows the row at its new place: put it back.
        table.reloadData();
        return;
    }
    relations_.clear();
    list->removeMessageAtIndex(from.row);
    message->setPinWeight(weightForMovedMessage(*list, to.row, message->pinWeight().value_or(0)));
    list->addMessage(message);
}
