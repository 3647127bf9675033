#include "tests/MessageFlow/views/MessageViewsTestSupport.h"

#include "MessageFlow/views/ZVBaseMessageView.h"
#include "MessageFlow/views/board/ZVTaskMessageView.h"
#include "files/views/ZVFileView.h"
#include "toolkit/style/ZVTextStyles.h"

#include <QtCore/QJsonArray>

#include <gtest/gtest.h>

namespace viewstest {
namespace {

QString longText() {
    return u"A sentence that goes on for a while to fill the line. "_s.repeated(60);
}

struct Variant {
    const char* name;
    const char* type;
    ZVMessageViewClass viewClass;
    QJsonArray tags;
};

// How much room the layout leaves for the text, against what the text measures.
struct TextRoom {
    qreal left = 0;
    qreal needed = 0;
};

TextRoom textRoomOf(const LaidOut& laid, ZVRichMessageRepresentation& model, bool collapsedTask) {
    auto* view = dynamic_cast<ZVBaseMessageView*>(laid.view.get());
    const QRectF frame = view->text()->frame();
    TextRoom room;
    room.left = frame.height() - ZVBaseMessageView::kTextOverhang;
    room.needed = collapsedTask
                      ? ZVTextStyles::lineHeightForStyle(ZVTaskMessageView::kFirstLineStyle)
                      : model.formattedHeightForWidth(frame.width());
    return room;
}

using MessageViewHeight = MessageViewsTest;

// Every class, file count, link card, expand state, kind and table style at two widths: what the
// class measures without a view is exactly what the view lays out: the text gets the room it
// measures, every file view that should show fits, and nothing falls outside the row.
TEST_F(MessageViewHeight, TheClassHeightIsWhatTheLayoutPlaces) {
    const std::vector<Variant> variants{
        {"text", "text", ZVMessageViewClass::Text, {}},
        {"e-mail", "email", ZVMessageViewClass::Email, {}},
        {"system", "leave", ZVMessageViewClass::System, {}},
        {"pinned", "text", ZVMessageViewClass::Pinned, {u"pin"_s}},
        {"task", "text", ZVMessageViewClass::Task, {u"is_todo"_s}},
        {"separator", "separator", ZVMessageViewClass::Separator, {}},
    };
    std::int64_t nr = 1;
    int previewsSeen = 0;
    int linksSeen = 0;
    int tinySeen = 0;
    for (const Variant& variant : variants) {
        for (const int files : {0, 3, 5}) {
            for (const bool link : {false, true}) {
                for (const bool longBody : {false, true}) {
                    QJsonObject fields{{u"tags"_s, variant.tags},
                                       {u"subject"_s, u"Quarterly report"_s}};
                    if (variant.viewClass == ZVMessageViewClass::Task) {
                        fields.insert(u"assignee_ids"_s,
                                      QJsonArray{displaytest::kFox, displaytest::kOwl});
                    }
                    const QString text = longBody ? longText() : u"Short words"_s;
                    const auto shown = messageWithFiles(
                        nr++, QString::fromLatin1(variant.type),
                        files == 3 && !link && !longBody ? QString() : text, files, link, fields);
                    ASSERT_TRUE(shown);
                    for (const bool expanded : {false, true}) {
                        for (const bool list : {false, true}) {
                            for (const bool previews : {false, true}) {
                                for (const qreal width : {375.0, 260.0}) {
                                    FakeCells cells;
                                    cells.previews = previews;
                                    cells.list = list;
                                    cells.subject = variant.viewClass == ZVMessageViewClass::Email;
                                    const auto model = ZVRichMessageRepresentation::of(shown);
                                    model->setExpanded(expanded);
                                    const LaidOut laid =
                                        layOut(variant.viewClass, shown, width, cells);
                                    const std::string where =
                                        std::string(variant.name) + " files " +
                                        std::to_string(files) + (link ? " link" : "") +
                                        (longBody ? " long" : "") + (expanded ? " expanded" : "") +
                                        (list ? " list" : "") + (previews ? " previews" : "") +
                                        " width " + std::to_string(int(width));
                                    SCOPED_TRACE(where);
                                    if (variant.viewClass == ZVMessageViewClass::Separator) {
                                        EXPECT_EQ(laid.height, ZVTextStyles::lineHeightForStyle(4));
                                        continue;
                                    }
                                    const int state = ZVMessageView::expandStateOf(*model);
                                    const bool collapsedTask =
                                        variant.viewClass == ZVMessageViewClass::Task && list &&
                                        state == ZVMessageView::kCollapsed;
                                    const TextRoom room = textRoomOf(laid, *model, collapsedTask);
                                    EXPECT_DOUBLE_EQ(room.left, room.needed);
                                    auto* view = dynamic_cast<ZVBaseMessageView*>(laid.view.get());
                                    std::size_t placed = 0;
                                    for (const auto& fileView : view->fileViews()) {
                                        if (fileView->isHidden()) {
                                            continue;
                                        }
                                        ++placed;
                                        EXPECT_GE(fileView->frame().top(), 0);
                                        EXPECT_LE(fileView->frame().bottom(), laid.height + 1e-9);
                                        const auto viewClass = ZVFileView::identifyViewClass(
                                            fileView->file().get(),
                                            fileView->file()->isUrlPreview() ? 1 : 2);
                                        previewsSeen +=
                                            fileView->frame().height() !=
                                                ZVFileView::heightForFile(nullptr, 2) &&
                                            viewClass != ZVFileView::ViewClass::UrlPreview;
                                        linksSeen += viewClass == ZVFileView::ViewClass::UrlPreview;
                                        tinySeen += fileView->frame().height() ==
                                                    ZVFileView::heightForFile(nullptr, 4);
                                    }
                                    if (!collapsedTask) {
                                        EXPECT_EQ(placed, ZVBaseMessageView::visibleFileCount(
                                                              view->fileViews().size(), state));
                                    }
                                }
                            }
                        }
                    }
                }
            }
        }
    }
    // The table went through every form a file takes under a message.
    EXPECT_GT(previewsSeen, 0);
    EXPECT_GT(linksSeen, 0);
    EXPECT_GT(tinySeen, 0);
}

// A file that changes its form after its row was measured (its preview arrives) is measured again,
// though the display model was not rebuilt: the text keeps its room and the preview fits the row.
TEST_F(MessageViewHeight, AFileThatGainsAPreviewIsMeasuredAgain) {
    apply({fileRecord(900, u"late"_s, {{u"file_name"_s, u"late.png"_s}, {u"file_size"_s, 1000}})});
    const auto shown =
        message(900, u"text"_s, u"<msg>A photo of the board%1</msg>"_s.arg(fileElement(u"late"_s)));
    ASSERT_TRUE(shown);
    const auto model = ZVRichMessageRepresentation::of(shown);
    FakeCells cells;
    const LaidOut before = layOut(ZVMessageViewClass::Text, shown, 375, cells);
    ASSERT_TRUE(model->files() && model->files()->size() == 1);
    const auto file = model->files()->front();
    ASSERT_EQ(ZVFileView::identifyViewClass(file.get(), ZVFileView::kMessageWithPreviews),
              ZVFileView::ViewClass::Thumbnail);

    file->setImageSize(400, 300);
    file->calculatePreviewSize();
    file->setThumbUrls(u"{}"_s);
    file->updatePreviewUrls();
    ASSERT_EQ(ZVFileView::identifyViewClass(file.get(), ZVFileView::kMessageWithPreviews),
              ZVFileView::ViewClass::Preview);

    const LaidOut after = layOut(ZVMessageViewClass::Text, shown, 375, cells);
    EXPECT_GT(after.height, before.height);
    const TextRoom room = textRoomOf(after, *model, false);
    EXPECT_DOUBLE_EQ(room.left, room.needed);
    const auto& views = dynamic_cast<ZVBaseMessageView&>(*after.view).fileViews();
    ASSERT_EQ(views.size(), 1u);
    EXPECT_FALSE(views[0]->isHidden());
    EXPECT_DOUBLE_EQ(views[0]->frame().bottom(), after.height);
}

}  // namespace
}  // namespace viewstest
