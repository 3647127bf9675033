#include "tests/files/FileViewTestSupport.h"

#include "files/views/ZVDetailedFileView.h"
#include "files/views/ZVLabel.h"
#include "files/views/ZVPreviewFileView.h"
#include "files/views/ZVThumbnailFileView.h"
#include "files/views/ZVTinyFileView.h"
#include "files/views/ZVUrlPreviewFileView.h"
#include "toolkit/style/ZVTextStyles.h"

#include <gtest/gtest.h>

namespace filetest {
namespace {

using namespace Qt::Literals::StringLiterals;
using ViewClass = ZVFileView::ViewClass;

class FileViewClass : public FileViewTest {
protected:
    std::shared_ptr<File> pdf(QJsonObject extra = {}) {
        QJsonObject fields{{u"conversation_id"_s, u"c1"_s},
                           {u"message_nr"_s, 1},
                           {u"attachment_id"_s, u"a1"_s},
                           {u"file_name"_s, u"plan.pdf"_s},
                           {u"file_size"_s, 2048},
                           {u"file_sha256"_s, u"pdf-sha"_s},
                           {u"file_url"_s, u"https://files.example/plan.pdf"_s}};
        for (auto it = extra.begin(); it != extra.end(); ++it) {
            fields.insert(it.key(), it.value());
        }
        return makeFile(fields);
    }
    std::shared_ptr<File> linkPreview() {
        return makeFile({{u"mk_rec_type"_s, u"preview"_s},
                         {u"conversation_id"_s, u"c1"_s},
                         {u"message_nr"_s, 1},
                         {u"attached_url"_s, u"https://www.example.org/news"_s},
                         {u"title"_s, u"News of the day"_s},
                         {u"description"_s, u"What happened."_s}});
    }
};

// Which form a file takes in each kind of list, what it measures, and that the view handed out is
// of that form and size.
TEST_F(FileViewClass, FormAndSizeFollowTheFileAndTheKind) {
    const auto picture = makeFile(pictureFields(u"photo.png"_s, {200, 100}, u"photo-sha"_s));
    ASSERT_FALSE(picture->previewUrl().isNull());
    const QSizeF preview = picture->previewSize();
    const auto deleted = pdf({{u"is_deleted"_s, true}});
    const auto link = linkPreview();
    const auto plain = pdf();
    const qreal nameLine = ZVTextStyles::lineHeightForStyle(7);
    const qreal linkHeight = ZVUrlPreviewFileView::heightForFile(*link);
    ASSERT_GT(linkHeight, 0);

    struct Case {
        const char* name;
        std::shared_ptr<File> file;
        int kind;
        ViewClass expected;
        QSizeF size;
    };
    const Case cases[] = {
        {"kind 0 shows nothing", plain, 0, ViewClass::None, {0, 0}},
        {"deleted, expanded", deleted, 1, ViewClass::Tiny, {100, 20}},
        {"deleted, files page", deleted, 3, ViewClass::Tiny, {100, 20}},
        {"collapsed message", plain, 4, ViewClass::Tiny, {100, 20}},
        {"link, with previews", link, 1, ViewClass::UrlPreview, {300, linkHeight}},
        {"link, without previews", link, 2, ViewClass::UrlPreview, {300, linkHeight}},
        {"link, files page", link, 3, ViewClass::UrlPreview, {300, linkHeight}},
        {"link, collapsed", link, 4, ViewClass::Tiny, {100, 20}},
        {"picture with previews",
         picture,
         1,
         ViewClass::Preview,
         {preview.width(), preview.height() + nameLine}},
        {"picture without previews", picture, 2, ViewClass::Thumbnail, {300, 61}},
        {"no preview URL, with previews", plain, 1, ViewClass::Thumbnail, {300, 61}},
        {"files page", plain, 3, ViewClass::Detailed, {300, 61}},
        {"no file, kind 0", nullptr, 0, ViewClass::None, {0, 0}},
        {"no file, with previews", nullptr, 1, ViewClass::Thumbnail, {300, 61}},
        {"no file, files page", nullptr, 3, ViewClass::Detailed, {300, 61}},
        {"no file, collapsed", nullptr, 4, ViewClass::Tiny, {100, 20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ZVFileView::identifyViewClass(c.file.get(), c.kind), c.expected);
        EXPECT_EQ(QSizeF(ZVFileView::widthForFile(c.file.get(), c.kind),
                         ZVFileView::heightForFile(c.file.get(), c.kind)),
                  c.size);
        const auto view = ZVFileView::viewForFile(c.file, c.kind);
        if (!c.file || c.expected == ViewClass::None) {
            EXPECT_FALSE(view);
            continue;
        }
        ASSERT_TRUE(view);
        EXPECT_EQ(ZVFileView::identifyViewClass(view->file().get(), c.kind), c.expected);
        EXPECT_EQ(view->frame(), QRectF(QPointF(0, 0), c.size));
        const bool rightType =
            (c.expected == ViewClass::Tiny && dynamic_cast<ZVTinyFileView*>(view.get())) ||
            (c.expected == ViewClass::Detailed && dynamic_cast<ZVDetailedFileView*>(view.get())) ||
            (c.expected == ViewClass::Thumbnail && dynamic_cast<ZVThumbnailFileView*>(view.get()) &&
             !dynamic_cast<ZVDetailedFileView*>(view.get())) ||
            (c.expected == ViewClass::Preview && dynamic_cast<ZVPreviewFileView*>(view.get())) ||
            (c.expected == ViewClass::UrlPreview &&
             dynamic_cast<ZVUrlPreviewFileView*>(view.get()));
        EXPECT_TRUE(rightType);
    }
    // The deleted row says so rather than naming the file.
    const auto row = std::dynamic_pointer_cast<ZVTinyFileView>(ZVFileView::viewForFile(deleted, 1));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->label()->text(), ZVTinyFileView::kDeletedText);
}

TEST_F(FileViewClass, TinyRowsStackWithoutGapsAndOtherRowsKeepTheirDistance) {
    const auto a = pdf();
    const auto b = pdf({{u"attachment_id"_s, u"a2"_s}});
    const auto deleted = pdf({{u"attachment_id"_s, u"a3"_s}, {u"is_deleted"_s, true}});
    struct Case {
        const char* name;
        const File* above;
        const File* below;
        int kind;
        qreal spacing;
    };
    const Case cases[] = {
        {"two rows of a collapsed message", a.get(), b.get(), 4, 0},
        {"a deleted row above another tiny row", deleted.get(), b.get(), 4, 0},
        {"a deleted row above a thumbnail row", deleted.get(), a.get(), 1, 5},
        {"a thumbnail row above a deleted row", a.get(), deleted.get(), 1, 5},
        {"two thumbnail rows", a.get(), b.get(), 2, 5},
        {"kind 0", a.get(), b.get(), 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ZVFileView::spacingWithFile(c.above, c.below, c.kind), c.spacing);
    }
}

TEST(FileNameCut, LongNamesKeepTheirExtensionAndWholeCharacters) {
    const QString grin = u"\U0001F600"_s;
    struct Case {
        const char* name;
        QString in;
        QString out;
    };
    const Case cases[] = {
        {"40 units ending in .pdf", QString(36, u'a') + u".pdf"_s,
         QString(21, u'a') + u"....pdf"_s},
        {"25 units stay", QString(21, u'b') + u".txt"_s, QString(21, u'b') + u".txt"_s},
        {"no dot", QString(30, u'c'), QString(25, u'c') + u"..."_s},
        {"a dot at the start only", u"."_s + QString(29, u'd'),
         u"."_s + QString(24, u'd') + u"..."_s},
        {"a 30-unit extension", u"x."_s + QString(29, u'e'),
         u"x."_s + QString(23, u'e') + u"..."_s},
        // Unit 21 is the first half of the emoji: the cut keeps the character out whole.
        {"an emoji at the cut", QString(20, u'f') + grin + QString(20, u'g') + u".pdf"_s,
         QString(20, u'f') + u"....pdf"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto cut = ZVFileView::truncateFileName(platform::AttributedString(c.in));
        EXPECT_EQ(cut.string(), c.out);
        EXPECT_LE(cut.length(), ZVFileView::kMaximumNameLength + 3);
    }

    // "..." takes the attributes of the name's last character, the search highlight kept where
    // it was.
    platform::AttributedString highlighted(QString(36, u'h') + u".pdf"_s);
    highlighted.addAttribute(u"mark"_s, 1, 0, 3);
    highlighted.addAttribute(u"mark"_s, 2, 37, 3);
    const auto cut = ZVFileView::truncateFileName(highlighted);
    EXPECT_EQ(cut.attribute(u"mark"_s, 0), QVariant(1));
    EXPECT_EQ(cut.attribute(u"mark"_s, 21), QVariant(2));
    EXPECT_EQ(cut.attribute(u"mark"_s, 27), QVariant(2));
    EXPECT_FALSE(cut.attribute(u"mark"_s, 10).isValid());
}

}  // namespace
}  // namespace filetest
