#pragma once

#include "ZelvoKit/model/ZVLabelDelegate.h"
#include "platform/foundation/Observable.h"
#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/table/TableViewDataSource.h"
#include "platform/ui/table/TableViewDelegate.h"

#include <QtCore/QLatin1StringView>
#include <QtCore/QString>

#include <memory>
#include <vector>

class Label;
class ZVInboxItem;
class ZVRepositorySession;
class ZVSearch;
class ZVSearchHintView;
namespace platform {
class TableView;
class View;
}  // namespace platform

// The conversation list of one account: a section per label of the session (section k is label
// k, a hidden label keeping an empty section), or one section of the unread label, or while a
// search runs three sections of its hits. It follows each label's changes with row operations,
// offers a "Create new conversation" row once the account is synchronised, writes the empty
// list's text behind the table, and publishes the conversation the user picked as
// "conversationId", told to observers only when the user picks. Main thread only.
class ZVInboxDataSource : public platform::TableViewDataSource,
                          public platform::TableViewDelegate,
                          public ZVLabelDelegate,
                          public platform::Observable,
                          public std::enable_shared_from_this<ZVInboxDataSource> {
public:
    static constexpr QLatin1StringView kConversationIdKey{"conversationId"};
    static constexpr qreal kRowHeight = 70;
    static inline const QString kNewConversationIdentifier = QStringLiteral("NewConversationCell");
    static constexpr int kAvatarSizeShown = 2;
    // A collapsed or reloaded section settles before the header is looked at again.
    static constexpr platform::TimeInterval kHeaderUpdateDelay = 1.0;
    // A "SHOW MORE" row acts once its highlight has gone.
    static constexpr platform::TimeInterval kShowMoreDelay = 0.1;
    static constexpr int kEmptyTitleStyle = 30;
    static constexpr int kEmptyTextStyle = 25;
    static constexpr int kLoadingStyle = 24;

    static std::shared_ptr<ZVInboxDataSource> create(
        const std::shared_ptr<platform::TableView>& table,
        const std::shared_ptr<ZVRepositorySession>& session);
    ~ZVInboxDataSource() override;

    // Ends a search and lets go of the labels and the session; the owner calls it before it
    // drops the data source.
    void releaseObservers();

    // --- state ---
    std::shared_ptr<platform::TableView> table() const { return table_.lock(); }
    std::shared_ptr<ZVRepositorySession> session() const { return session_.lock(); }
    // Stores only.
    void setSession(const std::shared_ptr<ZVRepositorySession>& session) { session_ = session; }
    int avatarSize() const { return avatarSize_; }
    const std::vector<std::shared_ptr<ZVInboxItem>>& items() const { return items_; }
    const std::shared_ptr<ZVSearchHintView>& searchHintView() const { return searchHintView_; }
    const std::shared_ptr<ZVSearch>& search() const { return search_; }

    const QString& conversationId() const { return conversationId_; }
    // Stores without telling observers and marks the row of that id selected.
    void setConversationId(const QString& conversationId);

    bool filterUnread() const { return filterUnread_; }
    void setFilterUnread(bool filterUnread);
    // Null without a search.
    QString searchText() const;
    // Null or empty ends the search.
    void setSearchText(const QString& text);
    void runSearchNow();
    bool allowMessageSearch() const { return allowMessageSearch_; }
    void setAllowMessageSearch(bool allow) { allowMessageSearch_ = allow; }
    bool showNew() const { return showNew_; }
    void setShowNew(bool showNew);
    const std::shared_ptr<platform::View>& headerView() const { return headerView_; }
    void setHeaderView(const std::shared_ptr<platform::View>& view);
    bool headerViewRequiresDrag() const { return headerViewRequiresDrag_; }
    void setHeaderViewRequiresDrag(bool required);
    // For the screen: called when scrolling stops and a second after a section reload.
    virtual void updateHeaderView() {}

    void updateGroups();
    // Reloads the item's section (the whole table for none).
    void updateGroup(const std::shared_ptr<ZVInboxItem>& item);
    // The section of the label's item; -1 when none.
    int sectionByLabel(const Label& label) const;

    // Diagnostics: each item's name, flags and rows, and the table's rows per section.
    QString itemState() const;
    QString tableState() const;

    // --- the table ---
    int numberOfSectionsInTableView(platform::TableView& table) override;
    int tableViewNumberOfRowsInSection(platform::TableView& table, int section) override;
    std::shared_ptr<platform::TableViewCell> tableViewCellForRowAtIndexPath(
        platform::TableView& table, platform::IndexPath path) override;
    bool tableViewCanEditRowAtIndexPath(platform::TableView&, platform::IndexPath) override {
        return false;
    }
    std::optional<qreal> tableViewHeightForRowAtIndexPath(platform::TableView& table,
                                                          platform::IndexPath path) override;
    std::optional<qreal> tableViewHeightForHeaderInSection(platform::TableView& table,
                                                           int section) override;
    std::optional<qreal> tableViewHeightForFooterInSection(platform::TableView& table,
                                                           int section) override;
    std::shared_ptr<platform::View> tableViewViewForHeaderInSection(platform::TableView& table,
                                                                    int section) override;
    std::shared_ptr<platform::View> tableViewViewForFooterInSection(platform::TableView& table,
                                                                    int section) override;
    void tableViewWillDisplayCell(platform::TableView& table, platform::TableViewCell& cell,
                                  platform::IndexPath path) override;
    void tableViewDidUnhighlightRowAtIndexPath(platform::TableView& table,
                                               platform::IndexPath path) override;
    void tableViewDidSelectRowAtIndexPath(platform::TableView& table,
                                          platform::IndexPath path) override;
    void scrollViewDidEndDragging(platform::ScrollView&, bool willDecelerate) override;
    void scrollViewDidEndDecelerating(platform::ScrollView&) override;

    // --- the labels ---
    void labelItemMovedFromIndex(Label& label, std::int32_t fromIndex,
                                 std::int32_t toIndex) override;
    void labelItemAppearedAtIndex(Label& label, std::int32_t index) override;
    void labelItemDisappearedFromIndex(Label& label, std::int32_t index) override;
    void labelChanged(Label& label) override;
    void labelConversationsChanged(Label& label) override;
    void labelLoadingStatusChanged(Label& label) override;

private:
    explicit ZVInboxDataSource(const std::shared_ptr<platform::TableView>& table,
                               const std::shared_ptr<ZVRepositorySession>& session);
    void start();
    void populateList();
    void updateObservedLabels();
    void updateSearchHint();
    void updateEmptyText();
    void updateAvatarSize();
    // Whether the last section offers the new-conversation row (or carries the search hint).
    bool hasNewSection() const;
    bool isNewSection(int section) const {
        return section == static_cast<int>(items_.size()) && hasNewSection();
    }
    std::shared_ptr<ZVInboxItem> itemAt(int section) const;
    // The item's section is reloaded when a label's index does not fit the rows the table has.
    bool fits(int section, std::int32_t index, int extraRows);
    void publishConversationId(const QString& conversationId);
    void scheduleRebuild();
    void searchChanged();

    std::weak_ptr<platform::TableView> table_;
    std::vector<std::shared_ptr<ZVInboxItem>> items_;
    std::shared_ptr<ZVSearchHintView> searchHintView_;
    int avatarSize_ = 0;
    std::weak_ptr<ZVRepositorySession> session_;
    QString conversationId_;
    std::shared_ptr<platform::View> headerView_;
    bool headerViewRequiresDrag_ = false;
    bool filterUnread_ = false;
    bool allowMessageSearch_ = true;
    std::shared_ptr<ZVSearch> search_;
    std::vector<std::weak_ptr<Label>> observedLabels_;
    // A label counts its unread conversations after it has told of the change: the badges
    // follow the counts themselves.
    std::vector<platform::Observation> labelCounts_;
    bool showNew_ = false;

    platform::Observation profileObservation_;
    platform::Observation labelsObservation_;
    platform::Observation horizonObservation_;
    platform::Observation searchObservation_;
    platform::ScopedTimer headerUpdate_;
    platform::ScopedTimer showMore_;
    platform::ScopedTimer rebuild_;
};
