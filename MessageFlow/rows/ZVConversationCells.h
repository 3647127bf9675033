#pragma once

#include "MessageFlow/pages/ZVMessageRowMetrics.h"
#include "MessageFlow/rows/accessories/ZVMessageAccessoryClass.h"
#include "MessageFlow/rows/cells/ZVMessageCellClass.h"
#include "MessageFlow/views/ZVMessageViewCells.h"
#include "MessageFlow/views/ZVMessageViewClass.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/table/TableViewDataSource.h"
#include "platform/ui/table/TableViewDelegate.h"

#include <QtCore/QRectF>
#include <QtCore/QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class Conversation;
class Message;
class ZVFileView;
class ZVMessageCell;
class ZVMessageMenuHandler;
class ZVMessageRepresentation;
class ZVRichTextDelegate;
class ZVTableAndBottomViewController;
class ZVTableView;

// The row model of every table that lists messages as message cells (the conversation and the
// pins and tasks boards): one row per message, with the message view, the cell and the strips
// chosen per row, heights computed from classes without making cells, the new-messages marker,
// the empty text, the reading position kept across reloads, taps on files and expandable rows,
// and pins and tasks re-weighed when dragged. The table and the messages belong to others and
// are held weakly. Screens that are the table's delegate pass the row calls on. Main thread only.
class ZVConversationCells : public platform::TableViewDataSource,
                            public platform::TableViewDelegate,
                            public ZVMessageViewCells,
                            public ZVMessageRowMetrics,
                            public std::enable_shared_from_this<ZVConversationCells> {
public:
    static constexpr qreal kSmallAvatarSpacing = 7;
    static constexpr qreal kAvatarSpacing = 10;
    static constexpr qreal kSmallScreenEdgeSpacing = 7;
    static constexpr qreal kScreenEdgeSpacing = 13;
    static constexpr int kSmallAvatarSize = 1;
    // "Conversation created": a list of only this message counts as empty.
    static constexpr int kCreatedMessageType = 2;
    static constexpr platform::TimeInterval kOpenFileDelay = 0.1;
    // A pin or task dropped at either end of a board is weighed this far past the end.
    static constexpr double kPinWeightStep = 10;
    // A message view lower in its cell than this had a strip above it when the anchor was saved.
    static constexpr qreal kContentOffsetThreshold = 1;
    static constexpr qreal kOffscreenStripHeight = 100;
    static constexpr int kOpenFileCategory = 5;
    static inline const QString kOpenFileAction = QStringLiteral("open file");

    // What a row is made of: the classes of its view, cell and strips, and its grouping.
    struct RowClasses {
        ZVMessageViewClass view = ZVMessageViewClass::Plain;
        ZVMessageCellClass cell = ZVMessageCellClass::Plain;
        ZVMessageAccessoryClass top = ZVMessageAccessoryClass::None;
        ZVMessageAccessoryClass bottom = ZVMessageAccessoryClass::None;
        bool groupedWithNext = false;
        bool groupedWithPrevious = false;
        // "cell-view-top-bottom": cells are reused only among rows of the same four classes.
        QString reuseIdentifier() const;
    };

    // Serves the table as its data source.
    static std::shared_ptr<ZVConversationCells> make(const std::shared_ptr<ZVTableView>& table,
                                                     std::shared_ptr<ZVMessageArray> messages,
                                                     int page);
    ZVConversationCells(const std::shared_ptr<ZVTableView>& table,
                        std::shared_ptr<ZVMessageArray> messages, int page);
    ~ZVConversationCells() override;

    // --- settings ---
    std::shared_ptr<ZVMessageArray> messages() const { return messages_.lock(); }
    void setMessages(const std::shared_ptr<ZVMessageArray>& messages);
    std::shared_ptr<ZVTableView> tableView() const { return table_.lock(); }
    int page() const { return page_; }
    std::shared_ptr<ZVTableAndBottomViewController> tableAndBottomViewController() const {
        return tableAndBottomViewController_.lock();
    }
    void setTableAndBottomViewController(
        const std::shared_ptr<ZVTableAndBottomViewController>& screen) {
        tableAndBottomViewController_ = screen;
    }
    bool openFilesOnTap() const { return openFilesOnTap_; }
    void setOpenFilesOnTap(bool open) { openFilesOnTap_ = open; }
    int avatarSize() const override { return avatarSize_; }
    void setAvatarSize(int size);
    bool showFilePreviews() const override { return showFilePreviews_; }
    void setShowFilePreviews(bool show);
    bool enableAccessories() const { return enableAccessories_; }
    void setEnableAccessories(bool enable) { enableAccessories_ = enable; }
    bool listStyle() const override { return listStyle_; }
    void setListStyle(bool listStyle) { listStyle_ = listStyle; }
    std::int64_t readMessageNr() const { return readMessageNr_; }
    // Stored only: the marker moves with the next reloadData().
    void setReadMessageNr(std::int64_t messageNr) { readMessageNr_ = messageNr; }
    qsizetype newMessageIndex() const { return newMessageIndex_; }
    const QString& emptyText() const { return emptyText_; }
    void setEmptyText(const QString& text);
    const QString& createNewText() const { return createNewText_; }
    void setCreateNewText(const QString& text);
    void setBackgroundTextDelegate(std::weak_ptr<ZVRichTextDelegate> delegate);
    const std::shared_ptr<ZVMessageMenuHandler>& messageMenu() const { return messageMenu_; }
    // Installs the long-press menu on the table, when the menus are registered.
    void addMessageMenuHandler(const std::shared_ptr<ZVTableView>& table);
    bool menuShowing() const;

    // --- derived values ---
    qreal avatarSpacing() const;
    qreal screenEdgeSpacing() const override;
    qreal textWidth() const;
    qreal width() const;
    // No avatar column for HTML e-mail.
    int avatarSizeForMessageType(int messageType) const;

    // --- rows ---
    void reloadData();
    std::optional<platform::IndexPath> indexPathForMessage(std::int64_t messageNr) const;
    std::shared_ptr<Message> messageByIndexPath(platform::IndexPath path) const;
    std::shared_ptr<ZVMessageCell> cellByMessageNr(std::int64_t messageNr) const;
    // Where the message shows, in the coordinates of the table's superview; the strip just above
    // the table when it has no visible cell.
    QRectF visibleRectForMessageNr(std::int64_t messageNr) const;

    ZVMessageViewClass viewClassForMessage(const std::shared_ptr<Message>& message) const;
    ZVMessageAccessoryClass topAccessoryForMessageAtIndex(qsizetype index) const;
    ZVMessageAccessoryClass bottomAccessoryForMessageAtIndex(qsizetype index) const;
    bool showSubjectForMessage(const Message& message) const override;
    // With `withMarker` false, the row carrying the new-messages marker is classed as without it.
    RowClasses rowClassesAtIndex(qsizetype index, bool withMarker) const;
    qreal heightForRowAtIndex(qsizetype index) const;

    // --- anchor and scrolling ---
    std::int64_t anchorMessageNumber() const { return anchorMessageNumber_; }
    qreal anchorMessageOffset() const { return anchorMessageOffset_; }
    qreal anchorMessageContentOffset() const { return anchorMessageContentOffset_; }
    void saveAnchorMessage();
    void saveAnchorMessageNr(std::int64_t messageNr);
    void scrollToAnchorMessage();
    void scrollTable(qreal offset, bool animated);
    void scrollToMessage(std::int64_t messageNr, bool animated, qreal distance);

    // --- taps ---
    void openFile(const std::shared_ptr<ZVFileView>& fileView);

    // --- data source ---
    int numberOfSectionsInTableView(platform::TableView&) override { return 1; }
    int tableViewNumberOfRowsInSection(platform::TableView& table, int section) override;
    std::shared_ptr<platform::TableViewCell> tableViewCellForRowAtIndexPath(
        platform::TableView& table, platform::IndexPath path) override;
    bool tableViewCanEditRowAtIndexPath(platform::TableView&, platform::IndexPath) override {
        return true;
    }
    bool tableViewCanMoveRowAtIndexPath(platform::TableView& table,
                                        platform::IndexPath path) override;
    void tableViewMoveRowAtIndexPath(platform::TableView& table, platform::IndexPath from,
                                     platform::IndexPath to) override;

    // --- delegate work the screens pass on ---
    std::optional<qreal> tableViewHeightForRowAtIndexPath(platform::TableView& table,
                                                          platform::IndexPath path) override;
    platform::TableViewCell::EditingStyle tableViewEditingStyleForRowAtIndexPath(
        platform::TableView&, platform::IndexPath) override {
        return platform::TableViewCell::EditingStyle::None;
    }
    void tableViewDidHighlightRowAtIndexPath(platform::TableView& table,
                                             platform::IndexPath path) override;
    std::optional<platform::IndexPath> tableViewWillSelectRowAtIndexPath(
        platform::TableView& table, platform::IndexPath path) override;
    void tableViewDidSelectRowAtIndexPath(platform::TableView& table,
                                          platform::IndexPath path) override;

private:
    void updateEmptyText();
    void computeNewMessageIndex();
    // The anchor from the visible cells; cleared when they show nothing listed.
    void saveAnchorFromVisibleCells();
    // The relations of the row's message to its neighbours, worked out for all rows at once and
    // kept until the list changes: a reload asks every row's height.
    ZVMessageArray::Relations relationsAtIndex(const ZVMessageArray& list, qsizetype index) const;
    // The row's height worked out afresh, with whether it may be kept for the next reload.
    qreal measureRowAtIndex(const ZVMessageArray& list, qsizetype index, bool* keep) const;
    qreal rowTop(qsizetype index) const;
    qreal bottomScrollPos() const;
    // Weighs a moved pin or task by its new neighbours in `list` (without it).
    double weightForMovedMessage(const ZVMessageArray& list, qsizetype destination,
                                 double current) const;

    std::weak_ptr<ZVMessageArray> messages_;
    std::weak_ptr<ZVTableView> table_;
    int page_ = 0;
    std::shared_ptr<ZVMessageMenuHandler> messageMenu_;
    std::weak_ptr<ZVTableAndBottomViewController> tableAndBottomViewController_;
    std::int64_t anchorMessageNumber_ = 0;
    qreal anchorMessageOffset_ = 0;
    qreal anchorMessageContentOffset_ = 0;
    bool openFilesOnTap_ = true;
    int avatarSize_ = 0;
    bool showFilePreviews_ = false;
    bool enableAccessories_ = false;
    bool listStyle_ = false;
    std::int64_t readMessageNr_ = 0;
    qsizetype newMessageIndex_ = -1;
    QString emptyText_;
    QString createNewText_;
    std::weak_ptr<ZVRichTextDelegate> backgroundTextDelegate_;
    platform::ScopedTimer openFileTimer_;
    // A reload asks every row's height, while a page or a message arriving changes few rows: a
    // row's height is kept with the states it was worked out from (its message and display model
    // and its neighbours, each by address and change stamp), and with the settings for all rows.
    struct KeptRowHeight {
        std::uint64_t messageStamp = 0;
        const ZVMessageRepresentation* model = nullptr;
        std::uint64_t modelRevision = 0;
        const Message* previous = nullptr;
        std::uint64_t previousStamp = 0;
        const Message* next = nullptr;
        std::uint64_t nextStamp = 0;
        bool marker = false;
        qreal height = 0;
    };
    struct RowHeightSettings {
        qreal width = -1;
        int avatarSize = 0;
        bool accessories = false;
        bool listStyle = false;
        bool filePreviews = false;
        bool operator==(const RowHeightSettings&) const = default;
    };
    mutable std::unordered_map<const Message*, KeptRowHeight> keptRowHeights_;
    mutable RowHeightSettings keptRowSettings_;
    mutable std::vector<ZVMessageArray::Relations> relations_;
    // The message number of each row the relations were worked out for.
    mutable std::vector<std::int64_t> relationNumbers_;
};
