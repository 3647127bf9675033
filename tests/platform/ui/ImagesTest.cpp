#include "platform/foundation/Resources.h"
#include "platform/ui/resources/Images.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QDir>

#include <gtest/gtest.h>

using namespace platform;

TEST(Images, NamedImagesComeFromTheResourcesAtTheAskedScale) {
    const QImage one = Images::named(QStringLiteral("icon-checkbox-selected"), 1);
    const QImage two = Images::named(QStringLiteral("icon-checkbox-selected"), 2);
    ASSERT_FALSE(one.isNull());
    EXPECT_EQ(one.size(), QSize(20, 20));
    EXPECT_EQ(two.size(), QSize(40, 40));
    EXPECT_EQ(Images::pointSize(two), QSizeF(20, 20));
    // Drawn, not blank: the box is filled, its corner left clear.
    EXPECT_EQ(two.pixelColor(20, 6).alpha(), 255);
    EXPECT_EQ(two.pixelColor(0, 0).alpha(), 0);
    EXPECT_TRUE(Images::named(QStringLiteral("no-such-image")).isNull());
    EXPECT_TRUE(Images::named(QStringLiteral("../images/icon-close-white")).isNull());
}

TEST(Images, PngFallbackAndTemplateTinting) {
    const QString dir = zvtest::makeTempDir(QStringLiteral("resources"));
    QDir(dir).mkpath(QStringLiteral("images"));
    QImage mark(8, 4, QImage::Format_ARGB32_Premultiplied);
    mark.fill(Qt::transparent);
    for (int x = 0; x < 4; ++x) {
        for (int y = 0; y < 4; ++y) {
            mark.setPixelColor(x, y, QColor(0, 0, 0, 128));
        }
    }
    ASSERT_TRUE(mark.save(dir + QStringLiteral("/images/mark@2x.png")));
    Resources::setDirectory(dir);
    const QImage loaded = Images::named(QStringLiteral("mark"));
    Resources::setDirectory(QString());
    ASSERT_FALSE(loaded.isNull());
    EXPECT_EQ(Images::pointSize(loaded), QSizeF(4, 2));

    const QImage tinted = Images::tinted(loaded, QColor(0, 200, 0));
    const QColor inside = tinted.pixelColor(1, 1);
    EXPECT_EQ(inside.alpha(), 128) << "the shape keeps its own opacity";
    EXPECT_NEAR(inside.green(), 200, 2);
    EXPECT_EQ(inside.red(), 0);
    EXPECT_EQ(tinted.pixelColor(6, 1).alpha(), 0);
}

TEST(Images, PreloadedImagesMatchTheOnesDrawnWhenAsked) {
    const QStringList names = {
        QStringLiteral("icon-cloud-1"), QStringLiteral("icon-checkbox-selected"),
        QStringLiteral("no-such-image"), QStringLiteral("../images/icon-cloud-2")};
    std::vector<QImage> drawn;
    for (const QString& name : names) {
        drawn.push_back(Images::named(name, 3));
    }
    Images::clearCache();
    Images::preload(names, 3);
    for (qsizetype i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i].toStdString());
        EXPECT_EQ(Images::named(names[i], 3), drawn[size_t(i)]);
    }
    EXPECT_FALSE(drawn[0].isNull());
    EXPECT_EQ(drawn[0].format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(drawn[0].devicePixelRatio(), 3);
    // Forgotten while still being drawn: nothing is left behind or delivered late.
    Images::preload(names, 1);
    Images::clearCache();
    EXPECT_EQ(Images::named(names[0], 1).size(), QSize(60, 30));
}
