#pragma once

#include "MessageFlow/menus/ZVMessageMenu.h"
#include "MessageFlow/pages/ZVConversationPageScreen.h"
#include "ZelvoKit/support/tracking/ZVEventTracker.h"
#include "app/shell/ZVAppServices.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "tests/Analytics/Library/AnalyticsFixture.h"
#include "tests/MessageFlow/rows/RowsTestSupport.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/alerts/ZVActionMenuButton.h"
#include "toolkit/alerts/ZVAlertViewManager.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/screens/ZVScreenCoordinator.h"
#include "toolkit/screens/ZVViewController.h"

#include <QtCore/QJsonArray>

#include <optional>
#include <vector>

namespace menustest {

using namespace Qt::Literals::StringLiterals;

// The showing conversation page: writes down what the menu hands it.
class FakePage : public ZVViewController, public ZVConversationPageScreen {
public:
    ZVViewController& screen() override { return *this; }
    void editMessage(const std::shared_ptr<Message>& message) override {
        edited.push_back(message);
    }
    void quoteMessage(const std::shared_ptr<Message>& message) override {
        quoted.push_back(message);
    }
    void selectMessage(const std::shared_ptr<Message>& message) override {
        selected.push_back(message);
    }
    std::vector<std::shared_ptr<Message>> edited;
    std::vector<std::shared_ptr<Message>> quoted;
    std::vector<std::shared_ptr<Message>> selected;
};

// The coordinator: the conversation side's stack in a window of its own, a showing page, and the
// conversation ids it was asked to open ("" closes).
class FakeCoordinator : public ZVScreenCoordinator {
public:
    FakeCoordinator() {
        window->setRootViewController(right);
        window->updateNow();
    }
    std::shared_ptr<platform::NavigationController> rightNavigationController() const override {
        return right;
    }
    std::shared_ptr<platform::ViewController> showingPage() const override { return page; }
    void setConversationId(const QString& conversationId, bool) override {
        opened.append(conversationId);
    }

    std::shared_ptr<platform::Window> window = platform::Window::make();
    std::shared_ptr<platform::NavigationController> right =
        std::make_shared<platform::NavigationController>(std::make_shared<ZVViewController>());
    std::shared_ptr<FakePage> page = std::make_shared<FakePage>();
    QStringList opened;
};

// One member selector the menu asked for.
struct SelectorCall {
    QSet<QString> shown;
    QSet<QString> selected;
    ZVMemberSelectorRequest request;
    std::function<void(std::optional<QSet<QString>>)> done;
};

// Message rows in a real table with the message menu attached, the shell's seams faked (member
// selector, contact header and profile, coordinator), and the usage reports collected by a
// loopback collection service.
class MessageMenuTest : public rowstest::RowsTest {
protected:
    void SetUp() override {
        RowsTest::SetUp();
        savedServices_ = ZVAppServices::shared();
        auto& services = ZVAppServices::shared();
        services.showMemberSelector = [this](const std::shared_ptr<Conversation>&,
                                             const QSet<QString>& shown,
                                             const QSet<QString>& selected, auto done,
                                             const ZVMemberSelectorRequest& request) {
            selectors.push_back({shown, selected, request, std::move(done)});
        };
        services.makeContactHeader = [this](const std::shared_ptr<Contact>& contact) {
            headerContacts.push_back(contact);
            return platform::View::make();
        };
        services.showContactProfile = [this](const std::shared_ptr<Contact>& contact,
                                             platform::View* anchor) {
            profiles.push_back({contact, anchor});
        };
        ZVScreenCoordinator::setShared(coordinator);
        // Earlier tests may have taken the start-up's factory away.
        ZVMessageMenu::registerFactory();
        ZAReachabilityApi::setDefaultApi(reachability_);
        za::setSharedLogger(logger_);
        ASSERT_TRUE(collector_.start());
        ZABatchingDispatcher::setEndpointUrls(collector_.collectUrl(), collector_.collectUrl());
        ZA::resetSharedInstance();
        ZVEventTracker::reset();
        // Nothing goes out on its own while the virtual clock races through the service's
        // answers (a send in flight would time out and go again): events() sends by hand.
        ASSERT_TRUE(ZA::sharedInstance().dispatcher());
        reachability_->setFlags(0);
        ZAThread::shared().waitUntilIdle();
    }
    void TearDown() override {
        if (const auto shown = ZVAlertViewManager::alertViewManager().currentAlertView()) {
            shown->hide();
        }
        host.reset();
        ZVEventTracker::reset();
        ZA::resetSharedInstance();
        ZAReachabilityApi::setDefaultApi(nullptr);
        za::setSharedLogger(nullptr);
        ZABatchingDispatcher::setEndpointUrls(defaultHttps_, defaultHttp_);
        ZVScreenCoordinator::setShared(nullptr);
        ZVAppServices::shared() = savedServices_;
        RowsTest::TearDown();
    }

    // The conversation again with `fields` (members: the user, Fox and Owl unless given).
    void conversationWith(const QJsonObject& fields) { applyConversation(fields); }
    // Owl joined the conversation at message `nr`.
    void owlJoinedAt(std::int64_t nr) {
        apply({modeltest::streamRecord(u"activity"_s,
                                       {{u"conversation_id"_s, displaytest::kConversationId},
                                        {u"account_id"_s, displaytest::kOwl},
                                        {u"join_message_nr"_s, qint64(nr)}})});
    }

    // The messages in the table and a menu for page `page` attached to it.
    void showRows(const std::vector<std::shared_ptr<Message>>& messages, int page = 0) {
        show(listOf(messages));
        ZVAlertViewManager::alertViewManager().setKeyWindow(window);
        host = ZVActionMenuHost::attach<ZVMessageMenu>(table, page);
    }
    // The menu of row `row` as the host builds it for that row; none when it offers nothing.
    std::shared_ptr<ZVActionMenu> menuOf(int row) {
        const auto cell = cellAt(row);
        if (!cell || !host->showWithCell(cell)) {
            return nullptr;
        }
        return host->menu();
    }
    // The titles in order, "--" where the secondary options begin.
    static QString titles(const ZVActionMenu& menu) {
        QStringList shown;
        for (const auto& action : menu.actions()) {
            shown.append(action == menu.separator() ? u"--"_s : action->title());
        }
        return shown.join(u" | "_s);
    }
    static std::shared_ptr<ZVActionMenuButton> option(const ZVActionMenu& menu,
                                                      const QString& title) {
        for (int i = 0; i < menu.actionCount(); ++i) {
            if (menu.actions()[i]->title() == title) {
                return menu.buttonByIndex(i);
            }
        }
        return nullptr;
    }
    // Runs the option titled so as a confirmed choice; false when the menu has none.
    static bool choose(ZVActionMenu& menu, const QString& title) {
        const auto chosen = option(menu, title);
        if (!chosen) {
            return false;
        }
        menu.invokeActionIndex(chosen->tag(), false);
        return true;
    }

    // The usage events collected, as "category: action/label" joined by " | ", once `count` of
    // them have arrived.
    std::string events(int count) {
        const auto eventHits = [&] {
            QStringList shown;
            for (const auto& hit : collector_.hits()) {
                if (hit.value(u"t"_s) == u"event"_s) {
                    shown.append(hit.value(u"ec"_s) + u": "_s + hit.value(u"ea"_s) + u"/"_s +
                                 hit.value(u"el"_s));
                }
            }
            return shown;
        };
        const auto arrived = [&] {
            ZAThread::shared().waitUntilIdle();
            return eventHits().size() >= count;
        };
        reachability_->setFlags(za::reachability::kReachable);
        constexpr int kDispatches = 10;
        for (int round = 0; round < kDispatches && !arrived(); ++round) {
            std::atomic<int> result{-1};
            ZA::sharedInstance().dispatchWithCompletionHandler([&](int r) { result = r; });
            scheduler().runUntil([&] { return result.load() >= 0; });
            // Nothing sent: a send of the dispatcher's own may be on its way.
            if (result.load() == ZABatchingDispatcher::NoData) {
                scheduler().runUntil(arrived, 1000);
            }
        }
        reachability_->setFlags(0);
        EXPECT_TRUE(arrived()) << "events arrived: " << eventHits().size();
        return eventHits().join(u" | "_s).toStdString();
    }

    std::shared_ptr<ZVMessageMenu> host;
    std::shared_ptr<FakeCoordinator> coordinator = std::make_shared<FakeCoordinator>();
    std::vector<SelectorCall> selectors;
    std::vector<std::shared_ptr<Contact>> headerContacts;
    std::vector<std::pair<std::shared_ptr<Contact>, platform::View*>> profiles;

private:
    ZVAppServices savedServices_;
    std::shared_ptr<RecordingLogger> logger_ = std::make_shared<RecordingLogger>();
    std::shared_ptr<FakeReachability> reachability_ = std::make_shared<FakeReachability>();
    AnalyticsCollector collector_;
    const QString defaultHttps_ = ZABatchingDispatcher::defaultHttpsUrl();
    const QString defaultHttp_ = ZABatchingDispatcher::defaultHttpUrl();
};

}  // namespace menustest
