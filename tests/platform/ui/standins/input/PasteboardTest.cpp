#include "platform/ui/standins/input/ClipboardPasteboard.h"
#include "platform/ui/standins/input/MemoryPasteboard.h"
#include "platform/ui/standins/input/Pasteboard.h"

#include <QtCore/QMimeData>
#include <QtGui/QClipboard>
#include <QtGui/QGuiApplication>

#include <gtest/gtest.h>

#include <functional>

namespace platform {
namespace {

const QString kMessageType = QStringLiteral("com.zelvo.test.message");

struct PasteboardKind {
    const char* name;
    std::function<std::shared_ptr<Pasteboard>()> make;
};

class PasteboardContract : public ::testing::TestWithParam<PasteboardKind> {
protected:
    void SetUp() override {
        QGuiApplication::clipboard()->clear();
        pasteboard = GetParam().make();
    }
    std::shared_ptr<Pasteboard> pasteboard;
};

TEST_P(PasteboardContract, PlainTextAndPrivateTypeTravelTogetherAndACopyReplacesTheWholeItem) {
    const QByteArray record = R"({"message":"hé 😀","files":[]})";
    pasteboard->setItem(
        {{Pasteboard::kPlainTextType, QStringLiteral("hé 😀").toUtf8()}, {kMessageType, record}});
    EXPECT_EQ(pasteboard->string(), QStringLiteral("hé 😀"));
    EXPECT_EQ(pasteboard->dataForType(kMessageType), record);
    EXPECT_TRUE(pasteboard->containsType(kMessageType));

    // Plain text from elsewhere leaves no private record behind.
    pasteboard->setString(QStringLiteral("plain"));
    EXPECT_EQ(pasteboard->string(), QStringLiteral("plain"));
    EXPECT_FALSE(pasteboard->containsType(kMessageType));
    EXPECT_TRUE(pasteboard->dataForType(kMessageType).isNull());
}

TEST_P(PasteboardContract, NoTextIsNullButAnEmptyTextIsNot) {
    pasteboard->setItem({{kMessageType, QByteArray("{}")}});
    EXPECT_TRUE(pasteboard->string().isNull());

    pasteboard->setString(QString(""));
    EXPECT_FALSE(pasteboard->string().isNull());
    EXPECT_TRUE(pasteboard->string().isEmpty());

    pasteboard->clear();
    EXPECT_TRUE(pasteboard->string().isNull());
    EXPECT_TRUE(pasteboard->types().isEmpty());
}

TEST_P(PasteboardContract, EveryChangeCounts) {
    const qint64 before = pasteboard->changeCount();
    pasteboard->setString(QStringLiteral("a"));
    pasteboard->setString(QStringLiteral("a"));
    pasteboard->clear();
    EXPECT_EQ(pasteboard->changeCount(), before + 3);
}

INSTANTIATE_TEST_SUITE_P(
    Pasteboards, PasteboardContract,
    ::testing::Values(PasteboardKind{"Memory", [] { return std::make_shared<MemoryPasteboard>(); }},
                      PasteboardKind{"Clipboard",
                                     [] { return std::make_shared<ClipboardPasteboard>(); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ClipboardPasteboard, OtherProgramsSeePlainTextAsTextAndTheirTextIsReadBack) {
    ClipboardPasteboard pasteboard;
    pasteboard.setItem(
        {{Pasteboard::kPlainTextType, QByteArray("copied")}, {kMessageType, QByteArray("{}")}});
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(), QStringLiteral("copied"));
    EXPECT_EQ(data->data(ClipboardPasteboard::mimeTypeForType(kMessageType)), QByteArray("{}"));

    const qint64 before = pasteboard.changeCount();
    QGuiApplication::clipboard()->setText(QStringLiteral("from another program"));
    EXPECT_EQ(pasteboard.string(), QStringLiteral("from another program"));
    EXPECT_FALSE(pasteboard.containsType(kMessageType));
    EXPECT_GT(pasteboard.changeCount(), before);

    // A MIME type that carries no pasteboard type is not one of ours.
    EXPECT_TRUE(ClipboardPasteboard::typeForMimeType(QStringLiteral("image/png")).isNull());
    EXPECT_TRUE(
        ClipboardPasteboard::typeForMimeType(QStringLiteral("application/x-pasteboard-")).isNull());
}

TEST(GeneralPasteboard, IsTheClipboardInAGuiApplicationAndCanBeReplaced) {
    EXPECT_NE(dynamic_cast<ClipboardPasteboard*>(Pasteboard::general().get()), nullptr);

    auto memory = std::make_shared<MemoryPasteboard>();
    Pasteboard::setGeneral(memory);
    Pasteboard::general()->setString(QStringLiteral("in process"));
    EXPECT_EQ(memory->string(), QStringLiteral("in process"));

    Pasteboard::setGeneral(nullptr);
    EXPECT_NE(dynamic_cast<ClipboardPasteboard*>(Pasteboard::general().get()), nullptr);
}

}  // namespace
}  // namespace platform
