#include "tests/files/FileViewTestSupport.h"

#include "ZelvoKit/model/ZVDataRepository.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "tests/support/ImageBytes.h"

#include <QtCore/QJsonDocument>

using namespace Qt::Literals::StringLiterals;

namespace filetest {

void FileViewTest::SetUp() {
    ShellTest::SetUp();
    launch();
    session_ = signIn(u"fox@example.com"_s);
    ASSERT_TRUE(session_);
    ASSERT_TRUE(waitForStreamEnd(session_));
}

void FileViewTest::TearDown() {
    files_.clear();
    session_.reset();
    ShellTest::TearDown();
}

std::shared_ptr<File> FileViewTest::makeFile(QJsonObject fields,
                                             std::shared_ptr<ZVRepositorySession> session) {
    if (!session) {
        session = session_;
    }
    // The record's key, unless the test gives its own.
    const QJsonObject key{{u"mk_rec_type"_s, u"file"_s},
                          {u"conversation_id"_s, u"c1"_s},
                          {u"message_nr"_s, 1},
                          {u"attachment_id"_s, u"attachment-%1"_s.arg(files_.size())}};
    for (auto it = key.begin(); it != key.end(); ++it) {
        if (!fields.contains(it.key())) {
            fields.insert(it.key(), it.value());
        }
    }
    auto file = session->repository()->createObjectOfClass<File>(QString(File::kEntityName));
    EXPECT_TRUE(file);
    if (!file) {
        return nullptr;
    }
    ZVJsonParser parser(fields);
    const ZVErrorPtr error = file->deserializeFromJson(parser);
    EXPECT_EQ(error, nullptr) << (error ? QJsonDocument(error->userInfo()).toJson().toStdString()
                                        : "");
    files_.push_back(file);
    return file;
}

QString FileViewTest::storePicture(const QString& name, QSize size, const QColor& colour) {
    return emulator.storeFile(name, zvtest::solidImageBytes(size, colour));
}

QJsonObject FileViewTest::pictureFields(const QString& name, QSize size, const QString& sha) {
    return {{u"conversation_id"_s, u"c1"_s},
            {u"message_nr"_s, 1},
            {u"attachment_id"_s, name},
            {u"file_name"_s, name},
            {u"file_size"_s, 1000},
            {u"file_sha256"_s, sha},
            {u"width"_s, size.width()},
            {u"height"_s, size.height()},
            {u"file_url"_s, storePicture(name, size)}};
}

}  // namespace filetest
