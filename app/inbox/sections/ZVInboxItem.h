#pragma once

#include "app/inbox/decorators/ZVInboxRowItem.h"

#include <QtCore/QString>

#include <functional>
#include <memory>

class Label;
class ZVInboxDataSource;
class ZVSectionFooter;
class ZVSectionHeader;
namespace platform {
class TableView;
class TableViewCell;
class View;
}  // namespace platform

// One section of the inbox list: a label's conversations, or one list of a search's hits. A
// label's section has a header (name, badge, collapse arrow) and, while the label has more, a
// "SHOW MORE" row; its collapsed state is kept in the label.
class ZVInboxItem : public std::enable_shared_from_this<ZVInboxItem> {
public:
    static constexpr qreal kRowHeight = 70;
    static inline const QString kCellIdentifier = QStringLiteral("inboxCell");

    // The hits of a search section, read through the search that owns them.
    struct List {
        std::function<qsizetype()> count;
        std::function<ZVInboxRowItem(qsizetype)> at;
    };

    template <class T = ZVInboxItem>
    static std::shared_ptr<T> make(ZVInboxDataSource* dataSource,
                                   const std::shared_ptr<Label>& label, List list = {}) {
        auto item = std::shared_ptr<T>(new T(dataSource, label, std::move(list)));
        item->finishInit();
        return item;
    }
    virtual ~ZVInboxItem();

    ZVInboxDataSource* dataSource() const { return dataSource_; }
    std::shared_ptr<Label> label() const { return label_.lock(); }
    bool hasLabel() const { return hasLabel_; }

    // The label's conversations or the hits, without the "SHOW MORE" row.
    qsizetype elementCount() const;
    ZVInboxRowItem elementAt(qsizetype index) const;
    qsizetype numberOfRows() const;
    qreal heightForRowAtIndex(qsizetype index) const;
    // None when hidden, empty or without label.
    virtual std::shared_ptr<platform::View> headerView() const;
    std::shared_ptr<platform::TableViewCell> createCellForIndex(platform::TableView& table,
                                                                qsizetype index) const;
    bool isFooterRow(qsizetype index) const {
        return shouldShowFooter_ && index == numberOfRows() - 1;
    }

    bool shouldShowFooter() const { return shouldShowFooter_; }
    // Whether the value changed.
    bool updateShowFooter();
    void updateBadge();
    void preloadAvatars();

    bool collapsed() const { return collapsed_; }
    void setCollapsed(bool collapsed);
    bool hidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }
    bool isLastInList() const { return isLastInList_; }
    void setIsLastInList(bool last) { isLastInList_ = last; }
    // Neither collapsed nor hidden: its rows are in the table.
    bool isShown() const { return !collapsed_ && !hidden_; }

    // None for a search's lists, which have no label.
    const std::shared_ptr<ZVSectionHeader>& header() const { return header_; }
    const std::shared_ptr<ZVSectionFooter>& footer() const { return footer_; }

protected:
    ZVInboxItem(ZVInboxDataSource* dataSource, const std::shared_ptr<Label>& label, List list);

private:
    void finishInit();

    ZVInboxDataSource* dataSource_;
    std::weak_ptr<Label> label_;
    bool hasLabel_;
    List list_;
    bool hidden_ = false;
    bool collapsed_ = false;
    bool isLastInList_ = false;
    std::shared_ptr<ZVSectionHeader> header_;
    std::shared_ptr<ZVSectionFooter> footer_;
    bool shouldShowFooter_ = false;
};

// A section without header: the unread list and the search's lists.
class ZVHeaderlessItem : public ZVInboxItem {
public:
    std::shared_ptr<platform::View> headerView() const override { return nullptr; }

protected:
    friend class ZVInboxItem;
    using ZVInboxItem::ZVInboxItem;
};
