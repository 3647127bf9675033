#pragma once

#include "tests/app/ShellTestSupport.h"

#include "ZelvoKit/model/File.h"

#include <QtCore/QJsonObject>
#include <QtGui/QColor>

#include <memory>
#include <vector>

namespace filetest {

// The application signed in to the loopback service as Fox, with files made from records as the
// stream brings them; pictures are served by the emulator's file storage.
class FileViewTest : public shelltest::ShellTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A file of the session (Fox's unless given) from the fields of a "file" record; a "preview"
    // record when `mk_rec_type` says so.
    std::shared_ptr<File> makeFile(QJsonObject fields,
                                   std::shared_ptr<ZVRepositorySession> session = nullptr);
    // A PNG of one colour in the service's storage: its URL.
    QString storePicture(const QString& name, QSize size, const QColor& colour = Qt::red);
    // Fields of a picture file of the service whose small size lets it serve as its own preview.
    QJsonObject pictureFields(const QString& name, QSize size, const QString& sha);

    std::shared_ptr<ZVRepositorySession> session_;
    std::vector<std::shared_ptr<File>> files_;
};

}  // namespace filetest
