#pragma once

#include "toolkit/dialogs/ZVDialogCells.h"

#include <memory>

class ZVButtonCell;
class ZVLabelCell;
class ZVRepositorySession;

// The diagnostic log: look at it, send it to support as a file in the support conversation, or
// empty it. Opening the screen first writes a snapshot of the application's state into the log,
// so that what is read or sent carries the version, the traffic counters and the model's status.
class ZVErrorLogViewController : public ZVDialogCells {
public:
    static inline const QString kTitle = QStringLiteral("Error log");
    static constexpr int kDeleteButtonStyle = 3;

    explicit ZVErrorLogViewController(std::shared_ptr<ZVRepositorySession> session);
    ~ZVErrorLogViewController() override;

    const std::shared_ptr<ZVLabelCell>& viewCell() const { return viewCell_; }
    const std::shared_ptr<ZVLabelCell>& postCell() const { return postCell_; }
    const std::shared_ptr<ZVButtonCell>& deleteLogCell() const { return deleteLog_; }

    // The whole log as text; bytes that are no UTF-8 show as replacement characters.
    static QString logText();
    // "<short version>.<build>".
    static QString appVersion();

    void viewLog();
    void postLog();
    void deleteLog();
    void didSelectRow(int row) override;

private:
    void writeSnapshot();

    std::shared_ptr<ZVRepositorySession> session_;
    std::shared_ptr<ZVLabelCell> viewCell_;
    std::shared_ptr<ZVLabelCell> postCell_;
    std::shared_ptr<ZVButtonCell> deleteLog_;
};
