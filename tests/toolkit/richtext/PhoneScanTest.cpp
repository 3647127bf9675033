#include "tests/toolkit/richtext/DisplayModelFixture.h"

#include "platform/ui/view/View.h"

#include <QtCore/QThreadPool>

#include <gtest/gtest.h>

namespace displaytest {
namespace {

const QString kWithNumber = u"<msg>Call me at +1 650 253 0000 tonight</msg>"_s;

class CountingView : public platform::View, public ZVMessageUpdating {
public:
    void updateMessage() override { ++updates; }
    int updates = 0;
};

class PhoneScan : public DisplayModelTest {
protected:
    // Every scan asked for so far has run and what it found has reached the main thread.
    static void finishScans() {
        ZVRichMessageRepresentation::dataDetectionQueue().waitForDone();
        scheduler().runPending();
    }
    static bool linksTo(const platform::AttributedString& text, const QString& prefix) {
        bool found = false;
        text.enumerateAttribute(platform::TextAttribute::Link, 0, text.length(),
                                [&](const QVariant& value, qsizetype, qsizetype) {
                                    found = found || value.toString().startsWith(prefix);
                                    return found;
                                });
        return found;
    }
};

TEST_F(PhoneScan, ANumberFoundLinksItAndRedrawsThePresentingView) {
    EXPECT_EQ(ZVRichMessageRepresentation::dataDetectionQueue().objectName(),
              u"MessageDataDetectionQueue"_s);
    const auto text = model(message(11, u"text"_s, kWithNumber));
    const auto view = std::make_shared<CountingView>();
    text->setPresentingView(view);
    EXPECT_FALSE(linksTo(text->attributedText(), u"tel:"_s)) << "before the scan";
    ASSERT_TRUE(scheduler().runUntil([&] { return text->containsPhoneNumbers(); }));
    EXPECT_TRUE(linksTo(text->attributedText(), u"tel:"_s));
    EXPECT_EQ(view->updates, 1);

    // Nothing further comes of a second find.
    text->setContainsPhoneNumbers(true);
    EXPECT_EQ(view->updates, 1);
}

TEST_F(PhoneScan, NothingIsScannedWhereNoCallCanBePlacedOrNoNumberStands) {
    const auto plain = model(message(11, u"text"_s, u"<msg>No digits here</msg>"_s));
    platform::Application::shared().setUserInterfaceIdiom(platform::UserInterfaceIdiom::Pad);
    const auto onTablet = model(message(12, u"text"_s, kWithNumber));
    finishScans();
    EXPECT_FALSE(plain->containsPhoneNumbers());
    EXPECT_FALSE(onTablet->containsPhoneNumbers());
}

TEST_F(PhoneScan, AFindForAMessageThatIsGoneIsDropped) {
    const auto text = model(message(11, u"text"_s, kWithNumber));
    const auto view = std::make_shared<CountingView>();
    text->setPresentingView(view);
    held.clear();
    session_.reset();
    ZVApi::resetSharedApi();
    ASSERT_FALSE(text->message());
    finishScans();
    EXPECT_FALSE(text->containsPhoneNumbers());
    EXPECT_EQ(view->updates, 0);
}

}  // namespace
}  // namespace displaytest
