#pragma once

#include "MessageFlow/pages/side/ZVConversationTableViewController.h"
#include "platform/ui/table/TableViewDataSource.h"

#include <memory>

class File;
class ZVFileArray;
class ZVFileMenuHandler;
namespace platform {
class BarButtonItem;
}

// The files page of an open conversation: every file posted in it, newest first, older ones
// loaded on demand, searchable by name, a tap downloads and opens one, a long press shows the
// file menu, and a button posts a new file at once. Main thread only.
class ZVFilesViewController : public ZVConversationTableViewController,
                              public platform::TableViewDataSource {
public:
    // The usage reports' file drawer.
    static constexpr int kTrackingCategory = 8;
    static constexpr qreal kRowPadding = 8;
    static inline const QString kNewImage = QStringLiteral("icon-new-conversation");
    static inline const QString kEmptyText = QStringLiteral("This conversation has no files yet");
    static inline const QString kCreateNewText = QStringLiteral("Add a file");
    static inline const QString kMoreAvailableText =
        QStringLiteral("There are more files in this conversation");

    ZVFilesViewController(const std::shared_ptr<Conversation>& conversation, int page);
    ~ZVFilesViewController() override;

    const std::shared_ptr<platform::BarButtonItem>& newButton() const { return newButton_; }
    const std::shared_ptr<ZVFileMenuHandler>& fileMenu() const { return fileMenu_; }
    // Null while no search narrows the list.
    const std::shared_ptr<ZVFileArray>& filteredFiles() const { return filteredFiles_; }
    // The files listed: the search's matches, else the conversation's.
    std::shared_ptr<ZVFileArray> source() const;
    // The picked file, posted alone in a message of its own.
    void postPickedFile(const std::shared_ptr<File>& file);

    // --- side page ---
    QStringList observeProps() const override;
    bool canLoadMore() const override;
    void loadMore() override;
    QString moreAvailableText() const override { return kMoreAvailableText; }
    QString emptyText() const override { return kEmptyText; }
    QString createNewText() const override;
    void createNew() override;
    void updateSource() override;
    void observedChange(const QString& key) override;
    void viewWillDisappear(bool animated) override;

    // --- table ---
    int tableViewNumberOfRowsInSection(platform::TableView& table, int section) override;
    std::shared_ptr<platform::TableViewCell> tableViewCellForRowAtIndexPath(
        platform::TableView& table, platform::IndexPath path) override;
    bool tableViewCanEditRowAtIndexPath(platform::TableView&, platform::IndexPath) override {
        return false;
    }
    std::optional<qreal> tableViewHeightForRowAtIndexPath(platform::TableView& table,
                                                          platform::IndexPath path) override;
    void tableViewWillDisplayCell(platform::TableView& table, platform::TableViewCell& cell,
                                  platform::IndexPath path) override;
    void tableViewDidSelectRowAtIndexPath(platform::TableView& table,
                                          platform::IndexPath path) override;

    void start() override;

private:
    std::shared_ptr<File> fileAt(int row) const;
    void updateNewButton();
    // Counts the conversation's files, not the search's.
    void updateEmptyText();
    void dropHighlights();

    std::shared_ptr<ZVFileMenuHandler> fileMenu_;
    std::shared_ptr<ZVFileArray> filteredFiles_;
    std::shared_ptr<platform::BarButtonItem> newButton_;
    std::shared_ptr<void> attachmentMenu_;
};
