#include "files/page/ZVFilesViewController.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/ZVFileArray.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "files/downloads/ZVModalFileDownloader.h"
#include "files/page/ZVFileCell.h"
#include "files/views/ZVFileMenuHandler.h"
#include "files/views/ZVFileView.h"
#include "platform/ui/controllers/navigation/BarButtonItem.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/widgets/ZVBackgroundView.h"

using namespace Qt::Literals::StringLiterals;
using platform::BarButtonItem;

ZVFilesViewController::ZVFilesViewController(const std::shared_ptr<Conversation>& conversation,
                                             int page)
    : ZVConversationTableViewController(conversation, page) {
    setTrackingCategory(kTrackingCategory);
    table()->setRowHeight(ZVFileView::heightForFile(nullptr, ZVFileCell::kFileViewKind) +
                          kRowPadding);
    fileMenu_ = ZVFileMenuFactory::make(table());
}

ZVFilesViewController::~ZVFilesViewController() = default;

void ZVFilesViewController::start() {
    ZVConversationTableViewController::start();
    const auto self = std::static_pointer_cast<ZVFilesViewController>(weakSelf().lock());
    table()->setDataSource(std::shared_ptr<platform::TableViewDataSource>(self, self.get()));
    const std::weak_ptr<ZVFilesViewController> weak = self;
    newButton_ = BarButtonItem::withImage(platform::Images::named(kNewImage),
                                          BarButtonItem::Style::Plain, [weak](BarButtonItem&) {
                                              if (const auto page = weak.lock()) {
                                                  page->createNew();
                                              }
                                          });
    updateNewButton();
    updateSource();
    loadMoreIfNeeded();
}

// --- hooks ---

QStringList ZVFilesViewController::observeProps() const {
    return {u"files"_s, u"isLoading"_s, u"allFilesLoaded"_s, u"can_post"_s};
}

bool ZVFilesViewController::canLoadMore() const {
    const auto shown = conversation();
    return shown && !shown->allFilesLoaded();
}

void ZVFilesViewController::loadMore() {
    if (const auto shown = conversation()) {
        shown->loadMoreFiles();
    }
}

QString ZVFilesViewController::createNewText() const {
    const auto shown = conversation();
    return shown && shown->canPost() ? kCreateNewText : QString();
}

std::shared_ptr<ZVFileArray> ZVFilesViewController::source() const {
    if (filteredFiles_) {
        return filteredFiles_;
    }
    const auto shown = conversation();
    return shown ? shown->files() : nullptr;
}

std::shared_ptr<File> ZVFilesViewController::fileAt(int row) const {
    const auto listed = source();
    return listed && row >= 0 && row < listed->count() ? (*listed)[row] : nullptr;
}

// --- search and empty state ---

void ZVFilesViewController::dropHighlights() {
    const auto shown = conversation();
    if (!shown) {
        return;
    }
    for (const auto& file : *shown->files()) {
        file->setHighlightedName({});
    }
}

void ZVFilesViewController::updateSource() {
    const auto shown = conversation();
    const QString text = searchText();
    if (!text.isEmpty() && shown) {
        // No match keeps the whole list on show.
        filteredFiles_ = shown->files()->filesMatchingText(text);
    } else if (filteredFiles_) {
        dropHighlights();
        filteredFiles_.reset();
    }
    table()->reloadData();
    updateEmptyText();
    ZVConversationTableViewController::updateSource();
}

void ZVFilesViewController::updateEmptyText() {
    const auto shown = conversation();
    const bool empty = !shown || shown->files()->count() == 0;
    const bool showing = table()->backgroundView() != nullptr;
    if (empty == showing) {
        return;
    }
    if (empty) {
        auto background = platform::View::make<ZVBackgroundView>();
        background->setText(emptyText());
        background->setLinkText(createNewText());
        const auto self = std::static_pointer_cast<ZVFilesViewController>(weakSelf().lock());
        background->setDelegate(std::shared_ptr<ZVRichTextDelegate>(self, self.get()));
        table()->setBackgroundView(background);
    } else {
        table()->setBackgroundView(nullptr);
    }
}

void ZVFilesViewController::updateNewButton() {
    const auto shown = conversation();
    navigationItem().setRightBarButtonItems(shown && shown->canPost()
                                                ? platform::NavigationItem::Items{newButton_}
                                                : platform::NavigationItem::Items{});
}

void ZVFilesViewController::observedChange(const QString& key) {
    if (key == u"files"_s) {
        updateSource();
    } else if (key == u"can_post"_s) {
        updateNewButton();
        // The link follows the right to post: made again with the current texts.
        table()->setBackgroundView(nullptr);
        updateEmptyText();
    }
    ZVConversationTableViewController::observedChange(key);
}

void ZVFilesViewController::viewWillDisappear(bool animated) {
    ZVConversationTableViewController::viewWillDisappear(animated);
    dropHighlights();
}

// --- new file ---

void ZVFilesViewController::createNew() {
    const auto shown = conversation();
    const auto session = shown ? shown->repositorySession() : nullptr;
    if (!session) {
        return;
    }
    const std::weak_ptr<ZVFilesViewController> weak =
        std::static_pointer_cast<ZVFilesViewController>(weakSelf().lock());
    attachmentMenu_ = session->pickFileWithCompletion(
        [weak](std::shared_ptr<File> file) {
            if (const auto page = weak.lock()) {
                page->postPickedFile(file);
            }
        },
        false);
    if (const auto menu = std::static_pointer_cast<ZVActionMenu>(attachmentMenu_)) {
        menu->setKeyboardSetting(ZVAlertView::kDismissKeyboard);
        menu->show();
    }
}

void ZVFilesViewController::postPickedFile(const std::shared_ptr<File>& file) {
    const auto shown = conversation();
    if (shown && file) {
        shown->postMessage(QString(), QString(), {file});
    }
}

// --- rows ---

int ZVFilesViewController::tableViewNumberOfRowsInSection(platform::TableView&, int) {
    const auto listed = source();
    return listed ? int(listed->count()) : 0;
}

std::shared_ptr<platform::TableViewCell> ZVFilesViewController::tableViewCellForRowAtIndexPath(
    platform::TableView& table, platform::IndexPath path) {
    auto cell = std::dynamic_pointer_cast<ZVFileCell>(
        table.dequeueReusableCell(ZVFileCell::kReuseIdentifier));
    if (!cell) {
        cell = platform::View::make<ZVFileCell>(ZVFileCell::Style::Default,
                                                ZVFileCell::kReuseIdentifier);
    }
    cell->setFile(fileAt(path.row));
    return cell;
}

std::optional<qreal> ZVFilesViewController::tableViewHeightForRowAtIndexPath(
    platform::TableView& table, platform::IndexPath) {
    return table.rowHeight();
}

void ZVFilesViewController::tableViewWillDisplayCell(platform::TableView&,
                                                     platform::TableViewCell& cell,
                                                     platform::IndexPath) {
    cell.setBackgroundColor(platform::resolveColor(ZVColors::background()));
}

void ZVFilesViewController::tableViewDidSelectRowAtIndexPath(platform::TableView& table,
                                                             platform::IndexPath path) {
    if (const auto file = fileAt(path.row)) {
        ZVModalFileDownloader::downloadFile(file, table.cellForRowAtIndexPath(path));
    }
}
