#pragma once

#include "files/views/ZVFileMenuHandler.h"
#include "toolkit/alerts/ZVActionMenuHost.h"

#include <QtCore/QString>

#include <memory>

class File;

// The long-press menu of a files-page row: copy the file (to paste it into a conversation) and,
// where the user may post, delete it after asking. A row that shows no file has no menu; a file
// gone while the menu shows is left alone. Main thread only.
class ZVFileMenu : public ZVActionMenuHost, public ZVFileMenuHandler {
public:
    static constexpr int kTrackingCategory = 8;
    static inline const QString kTrackingAction = QStringLiteral("File");

    using ZVActionMenuHost::ZVActionMenuHost;
    ~ZVFileMenu() override;

    // Installs this menu on the tables of file rows (the files page), at start-up.
    static void registerFactory();

    bool menuShowing() const override { return ZVActionMenuHost::menuShowing(); }

    // "Are you sure ..." with the file's name, escaped for the card.
    static QString deleteConfirmation(const File& file);

    std::shared_ptr<File> file() const { return file_.lock(); }

    void menuWillAppear() override;
    void menuWillDisappear() override;
    QString targetName() const override;
    void populateActionsEditAllowed(bool editAllowed);

    void copyFile();
    void deleteFile();

private:
    // The pressed file while it is still there.
    std::shared_ptr<File> liveFile() const;
    void reportAction(const QString& label);

    std::weak_ptr<File> file_;
};
