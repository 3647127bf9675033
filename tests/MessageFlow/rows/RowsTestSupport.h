#pragma once

#include "MessageFlow/rows/ZVConversationCells.h"
#include "MessageFlow/rows/cells/ZVMessageCell.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "ZelvoKit/model/ZVMessageQueue.h"
#include "platform/ui/view/Window.h"
#include "tests/MessageFlow/views/MessageViewsTestSupport.h"
#include "toolkit/tables/ZVTableView.h"

#include <memory>
#include <vector>

namespace rowstest {

using namespace Qt::Literals::StringLiterals;

// Messages of the display model's conversation, linked as the service links them (each names the
// one before it, so no gap shows unless asked), listed in a real table of a phone window whose
// row model is the one under test.
class RowsTest : public viewstest::MessageViewsTest {
protected:
    static constexpr qreal kPhoneWidth = 375;
    static constexpr qreal kPhoneHeight = 667;
    static constexpr qint64 kMinute = 60;
    static constexpr qint64 kDay = 24 * 3600;

    void TearDown() override {
        cells.reset();
        table.reset();
        root.reset();
        window.reset();
        viewstest::MessageViewsTest::TearDown();
    }

    // Message `nr` posted `minutes` after the base time, by Fox unless `fields` says otherwise;
    // it names the message made before it as its predecessor unless `fields` gives one.
    std::shared_ptr<Message> row(std::int64_t nr, qint64 minutes = 0,
                                 const QString& type = u"text"_s,
                                 const QString& body = u"<msg>Hello there</msg>"_s,
                                 QJsonObject fields = {}) {
        if (!fields.contains(u"posted_time"_s)) {
            fields.insert(u"posted_time"_s, baseTime() + minutes * kMinute);
        }
        if (!fields.contains(u"prev_message_nr"_s) && lastNr_ > 0) {
            fields.insert(u"prev_message_nr"_s, qint64(lastNr_));
        }
        lastNr_ = nr;
        return message(nr, type, body, fields);
    }
    // The start of the messages: two hours before the clock's now, on the same day.
    static qint64 baseTime() { return postedLongAgo() - kHour; }

    // A message of the user's that the service refused: pending, its queue stopped.
    std::shared_ptr<Message> failedMessage(const QString& text = u"Refused words"_s) {
        const auto shown = conversation();
        emulator.injectFault(u"message/store/"_s + displaytest::kConversationId,
                             zvemu::Fault::withStatus(430, u"refused"_s));
        shown->postMessage(text, QString(), {});
        const auto queue = shown->messageQueue();
        constexpr int kMaxSeconds = 600;
        for (int second = 0; second < kMaxSeconds && queue->status() != ZVMessageQueue::Failed;
             ++second) {
            if (queue->status() == ZVMessageQueue::Sending) {
                scheduler().runUntil([&] { return queue->status() != ZVMessageQueue::Sending; });
            }
            scheduler().advance(1.0);
        }
        EXPECT_EQ(queue->status(), ZVMessageQueue::Failed);
        auto failed = queue->pendingMessage();
        held.push_back(failed);
        return failed;
    }

    static std::shared_ptr<ZVMessageArray> listOf(
        const std::vector<std::shared_ptr<Message>>& messages) {
        return std::make_shared<ZVMessageArray>(messages, ZVMessageArray::AscendingNumber);
    }

    // A window with a table of `width` listing `list`; the row model is its data source and
    // delegate, with avatars of `avatarSize` and accessories on.
    void show(const std::shared_ptr<ZVMessageArray>& list, qreal width = kPhoneWidth,
              int avatarSize = 2, qreal height = kPhoneHeight) {
        shown = list;
        window = platform::Window::make();
        table = platform::View::make<ZVTableView>(QRectF(0, 0, width, height));
        root = platform::View::make(window->bounds());
        window->setRootView(root);
        root->addSubview(table);
        cells = ZVConversationCells::make(table, list, 0);
        table->setDelegate(cells);
        cells->setEnableAccessories(true);
        cells->setAvatarSize(avatarSize);
        cells->reloadData();
        window->updateNow();
    }
    std::shared_ptr<ZVMessageCell> cellAt(int row) {
        return std::dynamic_pointer_cast<ZVMessageCell>(table->cellForRowAtIndexPath({0, row}));
    }

    // The listed messages: the row model holds them weakly, as the conversation owns its list.
    std::shared_ptr<ZVMessageArray> shown;
    std::shared_ptr<platform::Window> window;
    std::shared_ptr<platform::View> root;
    std::shared_ptr<ZVTableView> table;
    std::shared_ptr<ZVConversationCells> cells;

private:
    std::int64_t lastNr_ = 0;
};

}  // namespace rowstest
