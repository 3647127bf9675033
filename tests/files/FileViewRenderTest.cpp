#include "tests/files/FileViewTestSupport.h"

#include "files/thumbnails/ZVFileThumbnail.h"
#include "files/views/FileUrlPreview.h"
#include "files/views/ZVLabel.h"
#include "files/views/ZVThumbnailFileView.h"
#include "files/views/ZVTinyFileView.h"
#include "files/views/ZVUrlPreviewFileView.h"
#include "platform/foundation/Application.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace filetest {
namespace {

using namespace Qt::Literals::StringLiterals;

// The darkest grey level in a band of the picture.
int darkest(const QImage& image, const QRect& band) {
    int level = 255;
    for (int y = band.top(); y <= band.bottom(); ++y) {
        for (int x = band.left(); x <= band.right(); ++x) {
            level = std::min(level, qGray(image.pixel(x, y)));
        }
    }
    return level;
}

bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) <= 8 && std::abs(a.green() - b.green()) <= 8 &&
           std::abs(a.blue() - b.blue()) <= 8;
}

class FileViewRender : public FileViewTest {
protected:
    // A link card whose picture is `points` wide.
    std::shared_ptr<File> link(qreal points, const QString& title) {
        const int pixels = static_cast<int>(points * platform::Application::shared().screenScale());
        const QString name = u"card%1.png"_s.arg(pixels);
        return makeFile({{u"mk_rec_type"_s, u"preview"_s},
                         {u"conversation_id"_s, u"c1"_s},
                         {u"message_nr"_s, 1},
                         {u"attached_url"_s, u"https://www.example.org/a"_s},
                         {u"title"_s, title},
                         {u"description"_s, u"A description of the page."_s},
                         {u"file_name"_s, name},
                         {u"file_size"_s, 1000},
                         {u"file_sha256"_s, name + u"-sha"_s},
                         {u"width"_s, pixels},
                         {u"height"_s, pixels / 2},
                         {u"file_url"_s, storePicture(name, {pixels, pixels / 2})}});
    }
};

TEST_F(FileViewRender, ARowHasItsBorderAndACutTinyRowFadesOut) {
    const auto file = makeFile({{u"file_name"_s, u"quarterly report of the northern office.pdf"_s},
                                {u"file_size"_s, 2048},
                                {u"file_url"_s, u"https://files.example/r.pdf"_s}});
    const auto row = ZVFileView::viewForFile(file, ZVFileView::kMessageWithoutPreviews);
    row->layoutIfNeeded();
    const QImage drawn = row->snapshot(1);
    const QColor border = platform::resolveColor(ZVColors::border());
    EXPECT_TRUE(near(drawn.pixelColor(0, 30), border));
    EXPECT_TRUE(near(drawn.pixelColor(150, 58), platform::resolveColor(ZVColors::background())));
    const auto thumbnailRow = std::dynamic_pointer_cast<ZVThumbnailFileView>(row);
    EXPECT_EQ(thumbnailRow->label()->attributedText().length(), 28);
    EXPECT_EQ(thumbnailRow->thumbnail()->frame(), QRectF(10, 12, 32, 37));

    const auto tiny = std::dynamic_pointer_cast<ZVTinyFileView>(
        ZVFileView::viewForFile(file, ZVFileView::kTinyRows));
    tiny->layoutIfNeeded();
    const QRect band(0, 0, 100, 20);
    const int plain = darkest(tiny->snapshot(1), band);
    tiny->setTruncated(true);
    EXPECT_TRUE(tiny->truncated());
    const int faded = darkest(tiny->snapshot(1), band);
    EXPECT_LT(plain, 128);
    EXPECT_GT(faded, plain + 30);
}

TEST_F(FileViewRender, ALinkCardPutsItsTitleBesideANarrowPicture) {
    struct Case {
        const char* name;
        qreal pictureWidth;
        QString title;
        bool sideBySide;
    };
    const Case cases[] = {
        {"100 pt with a title", 100, u"Title"_s, true},
        {"120 pt with a title", 120, u"Title"_s, false},
        {"100 pt without a title", 100, QString(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = link(c.pictureWidth, c.title);
        ASSERT_EQ(file->previewSize().width(), c.pictureWidth);
        EXPECT_EQ(FileUrlPreview::showSideBySide(*file), c.sideBySide);
        const auto card = std::dynamic_pointer_cast<ZVUrlPreviewFileView>(
            ZVFileView::viewForFile(file, ZVFileView::kMessageWithoutPreviews));
        ASSERT_TRUE(card);
        card->layoutIfNeeded();
        ASSERT_TRUE(card->preview());
        EXPECT_EQ(card->preview()->frame().topLeft(), QPointF(5, 5));
        EXPECT_EQ(card->titleLabel()->isHidden(), c.title.isEmpty());
        EXPECT_EQ(card->domainLabel()->text(), u"example.org"_s);
        const qreal pictureHeight = file->previewSize().height();
        const QRectF description = card->descriptionLabel()->frame();
        if (c.sideBySide) {
            EXPECT_EQ(card->titleLabel()->frame().topLeft(), QPointF(5 + c.pictureWidth + 5, 5));
            EXPECT_GE(description.top(), 5 + pictureHeight);
        } else {
            const qreal below = 5 + pictureHeight;
            const QRectF texts = c.title.isEmpty() ? description : card->titleLabel()->frame();
            EXPECT_EQ(texts.topLeft(), QPointF(5, below));
        }
        // The card holds its texts: the domain's line ends 5 pt above its bottom.
        EXPECT_EQ(card->domainLabel()->frame().bottom(), card->frame().height() - 5);
        EXPECT_GE(card->domainLabel()->frame().top(), description.bottom());
    }

    const auto card =
        ZVFileView::viewForFile(link(100, u"Title"_s), ZVFileView::kMessageWithoutPreviews);
    card->layoutIfNeeded();
    const QImage drawn = card->snapshot(1);
    EXPECT_TRUE(near(drawn.pixelColor(0, static_cast<int>(card->frame().height() / 2)),
                     platform::resolveColor(ZVColors::border())));
}

}  // namespace
}  // namespace filetest
