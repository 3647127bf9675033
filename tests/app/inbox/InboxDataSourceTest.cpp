#include "app/inbox/sections/ZVInboxDataSource.h"

#include "tests/app/inbox/InboxTestSupport.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Label.h"
#include "ZelvoKit/model/search/ZVSearch.h"
#include "app/inbox/cells/ZVInboxTableViewCell.h"
#include "app/inbox/cells/ZVNewConversationCell.h"
#include "app/inbox/sections/ZVInboxItem.h"
#include "app/inbox/sections/ZVSectionFooter.h"
#include "app/inbox/sections/ZVSectionHeader.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/Window.h"
#include "tests/emulator/Fixture.h"
#include "tests/support/TestEnvironment.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/widgets/ZVBackgroundView.h"
#include "toolkit/widgets/ZVSearchHintView.h"
#include "toolkit/widgets/ZVUnreadBadge.h"

#include <QtCore/QJsonArray>

#include <algorithm>
#include <cmath>
#include <set>

namespace {

using namespace Qt::Literals::StringLiterals;
using platform::IndexPath;

// Stands between the table and the data source and counts the cells the table asks for: a
// change made by row operations asks only for the rows it brings.
class CountingSource : public platform::TableViewDataSource {
public:
    explicit CountingSource(std::shared_ptr<ZVInboxDataSource> inner) : inner_(std::move(inner)) {}
    int numberOfSectionsInTableView(platform::TableView& table) override {
        return inner_->numberOfSectionsInTableView(table);
    }
    int tableViewNumberOfRowsInSection(platform::TableView& table, int section) override {
        return inner_->tableViewNumberOfRowsInSection(table, section);
    }
    std::shared_ptr<platform::TableViewCell> tableViewCellForRowAtIndexPath(
        platform::TableView& table, IndexPath path) override {
        ++cellsMade;
        return inner_->tableViewCellForRowAtIndexPath(table, path);
    }
    bool tableViewCanEditRowAtIndexPath(platform::TableView&, IndexPath) override { return false; }
    int cellsMade = 0;

private:
    std::shared_ptr<ZVInboxDataSource> inner_;
};

class InboxDataSourceTest : public inboxtest::InboxTest {
protected:
    void SetUp() override {
        InboxTest::SetUp();
        window_->setRootView(table_);
        table_->setBackgroundView(background_);
    }
    void TearDown() override {
        if (dataSource_) {
            dataSource_->releaseObservers();
        }
        dataSource_.reset();
        InboxTest::TearDown();
    }

    void open() {
        dataSource_ = ZVInboxDataSource::create(table_, session_);
        counting_ = std::make_shared<CountingSource>(dataSource_);
        table_->setDataSource(counting_);
        table_->reloadData();
        table_->layoutIfNeeded();
        counting_->cellsMade = 0;
    }
    // The table's rows are the data source's, section by section.
    void expectInStep() {
        ASSERT_EQ(table_->numberOfSections(), dataSource_->numberOfSectionsInTableView(*table_));
        for (int section = 0; section < table_->numberOfSections(); ++section) {
            EXPECT_EQ(table_->numberOfRowsInSection(section),
                      dataSource_->tableViewNumberOfRowsInSection(*table_, section))
                << "section " << section;
        }
    }
    QStringList topics(int section) {
        QStringList shown;
        table_->layoutIfNeeded();
        for (int row = 0; row < table_->numberOfRowsInSection(section); ++row) {
            const auto cell = std::dynamic_pointer_cast<ZVInboxTableViewCell>(
                table_->cellForRowAtIndexPath({section, row}));
            if (cell) {
                shown.append(cell->textLabel()->text());
            }
        }
        return shown;
    }
    std::shared_ptr<ZVInboxItem> item(int section) const { return dataSource_->items()[section]; }
    QString backgroundText() const {
        const auto text = background_->attributedText();
        return text ? text->string() : QString();
    }

    std::shared_ptr<platform::Window> window_ = platform::Window::make();
    std::shared_ptr<platform::TableView> table_ =
        platform::View::make<platform::TableView>(QRectF(0, 0, 375, 667));
    std::shared_ptr<ZVBackgroundView> background_ = platform::View::make<ZVBackgroundView>();
    std::shared_ptr<ZVInboxDataSource> dataSource_;
    std::shared_ptr<CountingSource> counting_;
};

// The stream moves conversations in, up and out of a shown section row by row; collapsed and
// hidden sections only count them; and a change the table cannot take reloads its section alone.
TEST_F(InboxDataSourceTest, StreamChangesAreRowOperationsThatKeepTheTableInStep) {
    ASSERT_TRUE(deliver(
        session_,
        {label(u"A"_s, u"Work"_s, u"user"_s, 0),
         label(u"B"_s, u"Later"_s, u"user"_s, 1, {{u"is_expanded"_s, false}}),
         label(u"C"_s, u"Hidden"_s, u"user"_s, 2, {{u"is_on_left_pane"_s, false}}),
         conversation(1, u"One"_s, 100, {u"A"_s}), conversation(2, u"Two"_s, 200, {u"A"_s}),
         conversation(3, u"Three"_s, 300, {u"B"_s}), conversation(4, u"Four"_s, 400, {u"C"_s})}));
    open();
    EXPECT_EQ(dataSource_->itemState(), u"Work [2]Later (C) [1]Hidden (H) [1]"_s);
    EXPECT_EQ(topics(0), (QStringList{u"Two"_s, u"One"_s}));
    EXPECT_FALSE(item(1)->headerView() == nullptr);
    EXPECT_TRUE(item(2)->headerView() == nullptr);

    struct Step {
        const char* name;
        QList<QJsonObject> records;
        QStringList shown;
        long laterBadge;
        bool laterGray;
    };
    const Step steps[] = {
        {"appears",
         {conversation(5, u"Five"_s, 500, {u"A"_s})},
         {u"Five"_s, u"Two"_s, u"One"_s},
         0,
         true},
        {"moves up",
         {conversation(1, u"One"_s, 600, {u"A"_s})},
         {u"One"_s, u"Five"_s, u"Two"_s},
         0,
         true},
        {"leaves", {conversation(2, u"Two"_s, 200)}, {u"One"_s, u"Five"_s}, 0, true},
        {"turns unread while collapsed",
         {conversation(3, u"Three"_s, 300, {u"B"_s}, {{u"unread_count"_s, 2}})},
         {u"One"_s, u"Five"_s},
         1,
         false},
        {"appears where hidden",
         {conversation(6, u"Six"_s, 700, {u"C"_s})},
         {u"One"_s, u"Five"_s},
         1,
         false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        counting_->cellsMade = 0;
        ASSERT_TRUE(deliver(session_, step.records));
        expectInStep();
        EXPECT_EQ(topics(0), step.shown);
        EXPECT_LE(counting_->cellsMade, 1) << "the table was reloaded";
        EXPECT_EQ(item(1)->header()->badgeNumber(), step.laterBadge);
        EXPECT_EQ(item(1)->header()->badge()->isGray(), step.laterGray);
        EXPECT_EQ(table_->numberOfRowsInSection(1), 0);
        EXPECT_EQ(table_->numberOfRowsInSection(2), 0);
    }
    EXPECT_FALSE(logText().contains(u"does not fit"_s));

    // A change the section cannot have had reloads that section and nothing else.
    const auto work = session_->labelFromId(u"A"_s);
    dataSource_->labelItemAppearedAtIndex(*work, 7);
    expectInStep();
    EXPECT_TRUE(logText().contains(u"does not fit section 0"_s));
    EXPECT_EQ(topics(0), (QStringList{u"One"_s, u"Five"_s}));
}

// Collapsing keeps the header with its count and sends the label back to its first page; the
// "SHOW MORE" row names the unread conversations not yet listed.
TEST_F(InboxDataSourceTest, CollapsingCountsTheUnreadAndShowMoreNamesThoseNotListed) {
    QList<QJsonObject> records{label(u"A"_s, u"Work"_s, u"user"_s, 0)};
    const int count = Label::kPageSize + 3;
    for (int n = 1; n <= count; ++n) {
        // The three oldest are unread, beyond the first page.
        QJsonObject fields;
        if (n <= 3) {
            fields.insert(u"unread_count"_s, 1);
        }
        records.append(conversation(n, u"Topic %1"_s.arg(n), 1000 + n, {u"A"_s}, fields));
    }
    ASSERT_TRUE(deliver(session_, records));
    open();
    const auto work = session_->labelFromId(u"A"_s);
    ASSERT_TRUE(item(0)->shouldShowFooter());
    EXPECT_EQ(table_->numberOfRowsInSection(0), Label::kPageSize + 1);
    EXPECT_EQ(item(0)->footer()->button()->titleForState(0), u"SHOW MORE (3)"_s);
    EXPECT_EQ(item(0)->header()->badgeNumber(), 0);

    item(0)->footer()->showMore();
    expectInStep();
    EXPECT_EQ(table_->numberOfRowsInSection(0), count);
    EXPECT_FALSE(item(0)->shouldShowFooter());

    item(0)->header()->toggleExpand();
    expectInStep();
    EXPECT_FALSE(work->isExpanded());
    EXPECT_EQ(work->conversations()->count(), Label::kPageSize);
    EXPECT_EQ(table_->numberOfRowsInSection(0), 0);
    EXPECT_EQ(item(0)->header()->badgeNumber(), 3);
    EXPECT_FALSE(item(0)->header()->badge()->isGray());

    // The state lives in the label: a rebuild keeps it, and expanding clears the count.
    dataSource_->setFilterUnread(false);
    EXPECT_TRUE(item(0)->collapsed());
    item(0)->header()->toggleExpand();
    EXPECT_TRUE(work->isExpanded());
    EXPECT_EQ(item(0)->header()->badgeNumber(), 0);
    EXPECT_EQ(table_->numberOfRowsInSection(0), Label::kPageSize + 1);
}

TEST_F(InboxDataSourceTest, TheUnreadFilterShowsOneSectionAndSaysWhenAllIsRead) {
    ASSERT_TRUE(
        deliver(session_, {label(u"A"_s, u"Work"_s, u"user"_s, 0),
                           label(u"R"_s, u"Unread"_s, u"unread"_s, 1, {{u"is_expanded"_s, false}}),
                           conversation(1, u"One"_s, 100, {u"A"_s})}));
    open();
    EXPECT_TRUE(dataSource_->showNew());
    // Label sections, then the new-conversation row.
    EXPECT_EQ(table_->numberOfSections(), 3);
    EXPECT_TRUE(backgroundText().isEmpty());

    dataSource_->setFilterUnread(true);
    EXPECT_EQ(table_->numberOfSections(), 1);
    EXPECT_TRUE(item(0)->headerView() == nullptr);
    EXPECT_TRUE(session_->labelFromId(u"R"_s)->isExpanded());
    EXPECT_EQ(backgroundText(), u"All done!\nYou've read all your messages"_s);

    ASSERT_TRUE(
        deliver(session_, {conversation(1, u"One"_s, 100, {u"A"_s}, {{u"unread_count"_s, 1}})}));
    expectInStep();
    EXPECT_EQ(topics(0), QStringList{u"One"_s});
    EXPECT_TRUE(backgroundText().isEmpty());
}

// Until the account's first synchronisation has ended (horizon 0) the list says it is loading and
// offers no new conversation; the first horizon brings the row and clears the text.
TEST_F(InboxDataSourceTest, TheListLoadsUntilTheFirstHorizon) {
    ASSERT_TRUE(deliver(session_, {label(u"A"_s, u"Work"_s, u"user"_s, 0)}));
    const std::int64_t synced = session_->eventHorizon();
    ASSERT_GE(synced, 1);
    session_->setEventHorizon(0);
    open();
    EXPECT_EQ(backgroundText(), u"Loading...\n"_s);
    // Drawn centred under the illustration, as every text behind the list is.
    const auto& label = background_->label();
    ASSERT_TRUE(label);
    EXPECT_NEAR(label->frame().center().x(), background_->bounds().center().x(), 0.5);
    const QImage drawn = label->snapshot(1);
    int left = drawn.width();
    int right = -1;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            if (qAlpha(drawn.pixel(x, y)) != 0) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    ASSERT_LE(left, right);
    EXPECT_NEAR((left + right + 1) / 2.0, drawn.width() / 2.0, 2);
    EXPECT_FALSE(dataSource_->showNew());
    EXPECT_EQ(table_->numberOfSections(), 1);

    session_->setEventHorizon(synced);
    EXPECT_TRUE(backgroundText().isEmpty());
    EXPECT_TRUE(dataSource_->showNew());
    expectInStep();
    EXPECT_EQ(table_->numberOfSections(), 2);
}

// A label and its first conversation in one answer: the new section comes with its row, the
// table in step with the labels.
TEST_F(InboxDataSourceTest, ALabelArrivingWithItsConversationListsIt) {
    open();
    ASSERT_TRUE(deliver(session_, {label(u"A"_s, u"Work"_s, u"user"_s, 0),
                                   conversation(1, u"One"_s, 100, {u"A"_s})}));
    expectInStep();
    EXPECT_EQ(topics(0), QStringList{u"One"_s});
}

// A search lists conversation and contact hits from the start, messages once the service has
// answered, with the hint in the last section; ending it brings the labels back.
TEST_F(InboxDataSourceTest, ASearchHasItsOwnSectionsUntilItEnds) {
    ASSERT_TRUE(deliver(session_, {label(u"A"_s, u"Work"_s, u"user"_s, 0), contact(1, u"Ann"_s),
                                   conversation(1, u"Annual plan"_s, 100, {u"A"_s})}));
    zvemu::Fixture held;
    held.messages = {message(1, 1, u"see the annual budget"_s, 100)};
    service.seedUnstreamed(session_->sessionId(), held);
    open();

    dataSource_->setSearchText(u"ann"_s);
    ASSERT_TRUE(dataSource_->searchHintView());
    // Conversations, contacts, and the hint's section.
    EXPECT_EQ(table_->numberOfSections(), 3);
    EXPECT_EQ(table_->numberOfRowsInSection(2), 0);
    EXPECT_EQ(dataSource_->searchHintView()->state(), ZVSearchHintView::kSearching);
    EXPECT_EQ(topics(0), QStringList{u"Annual plan"_s});
    EXPECT_GE(table_->numberOfRowsInSection(1), 1);

    dataSource_->runSearchNow();
    ASSERT_TRUE(scheduler().runUntil([&] { return !dataSource_->search()->inProgress(); }));
    scheduler().advance(0);
    expectInStep();
    EXPECT_EQ(table_->numberOfSections(), 4);
    EXPECT_EQ(table_->numberOfRowsInSection(2), 1);
    EXPECT_EQ(dataSource_->searchHintView()->state(), ZVSearchHintView::kNone);

    dataSource_->setSearchText(QString());
    EXPECT_FALSE(dataSource_->search());
    EXPECT_FALSE(dataSource_->searchHintView());
    EXPECT_EQ(dataSource_->itemState(), u"Work [1]"_s);
}

// What a pick publishes, and when observers hear of it.
TEST_F(InboxDataSourceTest, APickPublishesTheConversationAddressOrNewOnce) {
    ASSERT_TRUE(deliver(session_,
                        {label(u"A"_s, u"Work"_s, u"user"_s, 0), contact(1, u"Ann Lee"_s, id(1)),
                         contact(2, u"Anna Bell"_s), conversation(1, u"Plans"_s, 100, {u"A"_s})}));
    open();
    QStringList heard;
    const auto observation =
        dataSource_->observe(QString(ZVInboxDataSource::kConversationIdKey),
                             [&](const QString&) { heard.append(dataSource_->conversationId()); });
    const auto pick = [&](IndexPath path) {
        table_->layoutIfNeeded();
        dataSource_->tableViewDidSelectRowAtIndexPath(*table_, path);
    };

    pick({0, 0});
    pick({0, 0});
    pick({1, 0});
    pick({1, 0});
    for (const QString& name : {u"lee"_s, u"bell"_s}) {
        dataSource_->setSearchText(name);
        ASSERT_EQ(table_->numberOfRowsInSection(1), 1) << name.toStdString();
        pick({1, 0});
    }
    dataSource_->setSearchText(QString());
    // Set by the screen: marked, not told.
    dataSource_->setConversationId(id(1));
    EXPECT_EQ(heard, (QStringList{id(1), u"new"_s, u"new"_s, id(1), u"person2@example.com"_s}));
}

bool near(QColor a, QColor b) {
    const int tolerance = 12;
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// A phone-sized list drawn offscreen: the unread count in its badge, and the green strip that a
// right drag uncovers.
TEST_F(InboxDataSourceTest, TheDrawnListShowsTheUnreadBadgeAndTheStripMidSwipe) {
    ASSERT_TRUE(
        deliver(session_, {label(u"A"_s, u"Work"_s, u"user"_s, 0),
                           conversation(1, u"Unread"_s, 200, {u"A"_s}, {{u"unread_count"_s, 2}}),
                           conversation(2, u"Read"_s, 100, {u"A"_s})}));
    open();
    window_->updateNow();
    const auto row =
        std::dynamic_pointer_cast<ZVInboxTableViewCell>(table_->cellForRowAtIndexPath({0, 0}));
    ASSERT_TRUE(row);
    const auto& badge = row->unreadBadge();
    ASSERT_FALSE(badge->isHidden());
    EXPECT_EQ(badge->number(), 2);
    const qreal scale = window_->scale();
    const auto pixel = [&](const QImage& image, QPointF at) {
        return image.pixelColor((at * scale).toPoint());
    };
    const QPointF inBadge =
        badge->convertPointTo(QPointF(3, badge->bounds().height() / 2), nullptr);
    QImage drawn = window_->render();
    drawn.save(zvtest::testRoot() + u"/inbox.png"_s);
    EXPECT_TRUE(near(pixel(drawn, inBadge), badge->fillColor()))
        << pixel(drawn, inBadge).name().toStdString();

    const QPointF middle = row->convertPointTo(QPointF(100, 35), nullptr);
    window_->sendTouch(1, platform::TouchPhase::Began, middle);
    scheduler().advance(0.01);
    window_->sendTouch(1, platform::TouchPhase::Moved, middle + QPointF(40, 0));
    window_->updateNow();
    drawn = window_->render();
    const QPointF inStrip = row->convertPointTo(QPointF(5, 35), nullptr);
    EXPECT_TRUE(near(pixel(drawn, inStrip), platform::resolveColor(colorWithName(u"green"_s))))
        << pixel(drawn, inStrip).name().toStdString();
    window_->sendTouch(1, platform::TouchPhase::Cancelled, middle + QPointF(40, 0));
}

}  // namespace

// Scrolling a long list through its sections reuses the row cells that left the screen: the cells
// made stay near the rows that show at once.
TEST_F(InboxDataSourceTest, ScrollingALongListReusesItsRowCells) {
    constexpr int kLabelsShown = 3;
    constexpr int kPerLabel = 30;
    QList<QJsonObject> records;
    for (int l = 0; l < kLabelsShown; ++l) {
        records.append(label(u"L%1"_s.arg(l), u"Label %1"_s.arg(l), u"user"_s, l));
    }
    for (int n = 1; n <= kLabelsShown * kPerLabel; ++n) {
        records.append(
            conversation(n, u"Topic %1"_s.arg(n), 1000 + n, {u"L%1"_s.arg(n % kLabelsShown)},
                         n % 4 == 0 ? QJsonObject{{u"unread_count"_s, 1}} : QJsonObject{}));
    }
    ASSERT_TRUE(deliver(session_, records));
    for (const auto& label : session_->labels()) {
        while (label->conversations() && label->conversations()->isLimited()) {
            label->loadMore();
        }
    }
    open();
    std::set<std::weak_ptr<platform::TableViewCell>,
             std::owner_less<std::weak_ptr<platform::TableViewCell>>>
        made;
    int mostShown = 0;
    const qreal end = table_->maximumContentOffset().y();
    ASSERT_GT(end, kLabelsShown * kPerLabel * 60);
    for (qreal y = 0; y <= end; y += 25) {
        table_->setContentOffset({0, y});
        window_->updateNow();
        int shown = 0;
        for (const auto& cell : table_->visibleCells()) {
            if (std::dynamic_pointer_cast<ZVInboxTableViewCell>(cell)) {
                made.insert(cell);
                ++shown;
            }
        }
        mostShown = std::max(mostShown, shown);
    }
    EXPECT_LE(static_cast<int>(made.size()), mostShown + 2);
}
