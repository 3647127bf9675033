#include "accounts/settings/ZVErrorLogViewController.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiStats.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "accounts/ZVServiceAddresses.h"
#include "app/shell/ZVGlobals.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Paths.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/TextView.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/dialogs/ZVButtonCell.h"
#include "toolkit/dialogs/ZVLabelCell.h"
#include "toolkit/screens/ZVViewController.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QUuid>

namespace {

const QString kPostedErrorLogName = QStringLiteral("errors.log");

// A copy of the log as it is now, in a folder of its own so that the copy keeps the log's name
// and no later post reuses it. Null, with the reason in `error`, when the log cannot be read.
QString copyErrorLogNow(QString& error) {
    ZVErrorLog& log = ZVErrorLog::errorLog();
    log.flush();
    QFile source(log.logFilePath());
    if (!source.open(QIODevice::ReadOnly)) {
        error = source.errorString();
        return {};
    }
    const QByteArray bytes = source.readAll();
    const QString folder = QDir(platform::Paths::temporaryDirectory())
                               .filePath(QUuid::createUuid().toString(QUuid::WithoutBraces));
    if (!QDir().mkpath(folder)) {
        error = QStringLiteral("Cannot create a folder for the copy");
        return {};
    }
    QFile copy(QDir(folder).filePath(kPostedErrorLogName));
    if (!copy.open(QIODevice::WriteOnly) || copy.write(bytes) != bytes.size()) {
        error = copy.errorString();
        return {};
    }
    return copy.fileName();
}

// The data model's status: the numbers of conversations and contacts, the stream position and
// the rows of each stored entity.
QString dataModelStatusOf(const ZVRepositorySession& session) {
    QString info = QStringLiteral("Data model status:\n");
    info += platform::format(u"Conversations: %ld, contacts: %ld\n",
                             static_cast<long>(session.conversations().size()),
                             static_cast<long>(session.contacts().size()));
    info += platform::format(u"Event horizon: %ld\n\n", static_cast<long>(session.eventHorizon()));
    if (const auto& repository = session.repository()) {
        info += repository->techInfo();
    }
    return info;
}

}  // namespace

QString ZVErrorLogViewController::appVersion() {
    const auto& application = platform::Application::shared();
    return platform::format(u"%@.%@", application.shortVersion(), application.buildVersion());
}

QString ZVErrorLogViewController::logText() {
    ZVErrorLog& log = ZVErrorLog::errorLog();
    log.flush();
    QFile file(log.logFilePath());
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

ZVErrorLogViewController::ZVErrorLogViewController(std::shared_ptr<ZVRepositorySession> session)
    : session_(std::move(session)) {
    setTitle(kTitle);
    writeSnapshot();

    viewCell_ = std::make_shared<ZVLabelCell>();
    viewCell_->setLabelText(QStringLiteral("View"));
    viewCell_->setDetailStyle(true);
    viewCell_->setBeginsGroup(true);
    postCell_ = std::make_shared<ZVLabelCell>();
    postCell_->setLabelText(QStringLiteral("Post to support"));
    postCell_->setDetailText(ZVLocalization::formatFileSize(ZVErrorLog::errorLog().logFileSize()));
    postCell_->setEndsGroup(true);
    deleteLog_ =
        std::make_shared<ZVButtonCell>(QStringLiteral("Delete error log"), kDeleteButtonStyle);
    deleteLog_->button()->addTarget(platform::Control::TouchUpInside,
                                    [this](platform::Control&) { deleteLog(); });
    addCells({viewCell_, postCell_, deleteLog_});
}

ZVErrorLogViewController::~ZVErrorLogViewController() = default;

void ZVErrorLogViewController::writeSnapshot() {
    ZVErrorLog& log = ZVErrorLog::errorLog();
    ZVApi& api = ZVApi::api();
    const auto statsText = [](const std::shared_ptr<ZVApiStats>& stats) {
        return stats ? stats->description() : ZVApiStats().description();
    };
    log.logMessage(platform::format(u"App version: %@", appVersion()));
    log.logMessage(platform::format(u"Session stats:\n%@\n", statsText(api.sessionStats())));
    log.logMessage(platform::format(u"Cumulative stats:\n%@\n", statsText(api.cumulativeStats())));
    log.logMessage(dataModelStatusOf(*session_));
    log.flush();
}

void ZVErrorLogViewController::viewLog() {
    auto screen = make<ZVViewController>();
    screen->setTitle(kTitle);
    auto text = std::make_shared<platform::TextView>();
    text->setEditable(false);
    text->setText(logText());
    screen->setView(text);
    if (auto* navigation = navigationController()) {
        navigation->pushViewController(screen, true);
    }
}

void ZVErrorLogViewController::postLog() {
    QString reason;
    const QString copy = copyErrorLogNow(reason);
    if (copy.isNull()) {
        ZVAlertView::showError(*ZVError::errorWithCode(
            ZVError::LocalTransferFailed, {{QString(ZVError::ErrorMessageKey), reason}}));
        return;
    }
    const std::weak_ptr<ZVRepositorySession> weakSession = session_;
    session_->fileWithLocalUrl(
        QUrl::fromLocalFile(copy),
        [weakSession](const std::shared_ptr<File>& file) {
            const auto session = weakSession.lock();
            const auto conversation =
                session ? session->conversationFromId(ZVServiceAddresses::shared().support)
                        : nullptr;
            if (!conversation) {
                return;
            }
            conversation->postMessage(QString(), QString(), {file});
            if (auto* globals = ZVGlobals::globals()) {
                globals->setConversationId(conversation->conversationId());
            }
        },
        [](const ZVErrorPtr& error) {
            if (error) {
                ZVAlertView::showError(*error);
            }
        });
}

void ZVErrorLogViewController::deleteLog() {
    const std::weak_ptr<ZVViewController> weak = weakSelf();
    ZVAlertView::showConfirmationWithTitle(
        QStringLiteral("Zelvo"), QStringLiteral("Delete error log?"), QStringLiteral("Delete"),
        [weak] {
            ZVErrorLog::errorLog().deleteLogFile();
            const auto self = weak.lock();
            if (auto* navigation = self ? self->navigationController() : nullptr) {
                navigation->popViewControllerAnimated(true);
            }
        });
}

void ZVErrorLogViewController::didSelectRow(int row) {
    ZVDialogCells::didSelectRow(row);
    const auto source = cellSourceForRow(row);
    const auto* cell =
        source ? std::get_if<std::shared_ptr<ZVDialogCell>>(&source->entry) : nullptr;
    if (!cell) {
        return;
    }
    if (*cell == viewCell_) {
        viewLog();
    } else if (*cell == postCell_) {
        postLog();
    }
}
