#pragma once

#include "MessageFlow/views/ZVMessageView.h"
#include "MessageFlow/views/ZVMessageViewCell.h"
#include "MessageFlow/views/ZVMessageViewCells.h"
#include "MessageFlow/views/ZVMessageViewClass.h"
#include "ZelvoKit/model/File.h"
#include "tests/toolkit/richtext/DisplayModelFixture.h"

namespace viewstest {

using namespace Qt::Literals::StringLiterals;

// The table model as a test sets it.
class FakeCells : public ZVMessageViewCells {
public:
    bool showFilePreviews() const override { return previews; }
    bool listStyle() const override { return list; }
    bool showSubjectForMessage(const Message& /*message*/) const override { return subject; }

    bool previews = true;
    bool list = false;
    bool subject = false;
};

// A cell that counts what its view asks of it.
class FakeCell : public ZVMessageViewCell {
public:
    explicit FakeCell(const FakeCells& table) : table_(table) {}
    const ZVMessageViewCells* cells() const override { return &table_; }
    void toggleExpand() override { ++toggles; }
    void notifyCellHeightChangeAnimated(bool animated) override {
        ++heightNotices;
        lastAnimated = animated;
    }

    int toggles = 0;
    int heightNotices = 0;
    bool lastAnimated = true;

private:
    const FakeCells& table_;
};

// A message view made and laid out as a cell does it: the height asked of the class first, then
// the view given the state, the message and a frame of that height.
struct LaidOut {
    std::shared_ptr<FakeCell> cell;
    std::shared_ptr<ZVMessageView> view;
    qreal height = 0;
};

inline LaidOut layOut(ZVMessageViewClass viewClass, const std::shared_ptr<Message>& message,
                      qreal width, const FakeCells& cells) {
    LaidOut result;
    result.cell = std::make_shared<FakeCell>(cells);
    result.height = ZVMessageViewHeight(viewClass, message, width, cells);
    result.view = ZVMakeMessageView(viewClass, result.cell);
    result.view->setShowFilePreviews(cells.showFilePreviews());
    result.view->setExpandState(
        ZVMessageView::expandStateOf(*ZVRichMessageRepresentation::of(message)));
    result.view->setMessage(message);
    result.view->setFrame(QRectF(0, 0, width, result.height));
    result.view->layoutSubviews();
    return result;
}

// The conversation of the display model's tests, with files and link cards for its messages.
class MessageViewsTest : public displaytest::DisplayModelTest {
protected:
    static QJsonObject fileRecord(std::int64_t nr, const QString& key, QJsonObject fields = {}) {
        fields.insert(u"conversation_id"_s, displaytest::kConversationId);
        fields.insert(u"message_nr"_s, qint64(nr));
        fields.insert(u"attachment_id"_s, key);
        if (!fields.contains(u"file_name"_s)) {
            fields.insert(u"file_name"_s, key + u".pdf"_s);
        }
        fields.insert(u"file_url"_s, u"https://files.example/"_s + key);
        fields.insert(u"file_sha256"_s, key + u"-sha"_s);
        return modeltest::streamRecord(u"file"_s, fields);
    }
    // A picture that shows as a preview where previews show.
    static QJsonObject pictureRecord(std::int64_t nr, const QString& key, int width, int height) {
        return fileRecord(nr, key,
                          {{u"file_name"_s, key + u".png"_s},
                           {u"width"_s, width},
                           {u"height"_s, height},
                           {u"file_size"_s, 1000}});
    }
    static QJsonObject linkRecord(std::int64_t nr, const QString& url) {
        return modeltest::streamRecord(u"preview"_s,
                                       {{u"conversation_id"_s, displaytest::kConversationId},
                                        {u"message_nr"_s, qint64(nr)},
                                        {u"attached_url"_s, url},
                                        {u"title"_s, u"News of the day"_s},
                                        {u"description"_s, u"What happened, at some length."_s}});
    }
    static QString fileElement(const QString& key) {
        return u"<file key=\"%1\">%1</file>"_s.arg(key);
    }
    // Message `nr` with `files` files (every other one a picture), a link card when asked, and
    // the text.
    std::shared_ptr<Message> messageWithFiles(std::int64_t nr, const QString& type,
                                              const QString& text, int files, bool link,
                                              QJsonObject fields = {}) {
        QString body = text;
        QList<QJsonObject> records;
        for (int i = 0; i < files; ++i) {
            const QString key = u"f%1-%2"_s.arg(nr).arg(i);
            records.append(i % 2 ? fileRecord(nr, key) : pictureRecord(nr, key, 400, 300));
            body += fileElement(key);
        }
        if (link) {
            const QString url = u"https://news.example/%1"_s.arg(nr);
            records.append(linkRecord(nr, url));
            body += u" <a href=\"%1\">%1</a>"_s.arg(url);
        }
        if (!records.isEmpty()) {
            apply(records);
        }
        return message(nr, type, u"<msg>%1</msg>"_s.arg(body), fields);
    }
};

}  // namespace viewstest
