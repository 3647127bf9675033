#pragma once

#include "ZelvoKit/model/ZVMessageRepresentation.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "platform/foundation/AttributedString.h"

#include <QtCore/QHash>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <cstdint>
#include <memory>
#include <optional>

class Conversation;
class QThreadPool;
class ZVMessageParser;
class ZVRepositorySession;

namespace platform {
class View;
}

// A view that shows a display model and redraws when the model changes on its own (phone
// numbers found after it was first shown).
class ZVMessageUpdating {
public:
    virtual ~ZVMessageUpdating() = default;
    virtual void updateMessage() = 0;
};

// The display model of one message: its text as drawn (message XML through the parser, or a
// sentence for a conversation event), its plain text, the poster's names, the files and link
// previews under it, its height for a width with the rules for cut and expanded messages, the
// hidden quotes, search highlights and whether the text holds phone numbers. Built once, measured
// per width, so that lists ask for heights while scrolling without parsing again.
//
// Made for a message by the factory that ZVStartUpToolkitRichText() installs; screens reach it
// through of(). Holds the message weakly: a model whose message is gone answers from what it has
// and rebuilds nothing. Main thread only, but for the phone-number scan.
class ZVRichMessageRepresentation : public ZVMessageRepresentation {
public:
    // A message cut at this many lines of style 5 shows a "more" control; a text message is cut
    // at kTextLines, a task, a pin or another kind of message at kShortLines.
    static constexpr int kShortLines = 3;
    static constexpr int kTextLines = 20;
    // A cut non-text message shows no more than this many lines.
    static constexpr int kTruncatedOtherLines = 2;
    // Expanded: as tall as it needs, up to here.
    static constexpr double kExpandedHeightLimit = 9000;
    // Heights asked for at widths this close share one measurement.
    static constexpr double kWidthTolerance = 1.0;
    // Emoticon-only texts of this many UTF-16 units are drawn large.
    static constexpr qsizetype kLargeEmoticonsMinLength = 2;
    static constexpr qsizetype kLargeEmoticonsMaxLength = 10;
    // A message this recent (seconds) that could be expanded starts expanded.
    static constexpr double kRecentMessageAge = 60;
    static constexpr int kSpamTag = 7;
    // Only quote 0 can be shown or hidden on its own: the parser collapses the last quote of a
    // message alone, and the mask's bit 0 also hides the files marked hidden. Indexes past
    // kLastQuoteIndex have no bit.
    static constexpr int kLastQuoteIndex = 31;
    static constexpr std::uint32_t kAllQuotesHidden = 0xffffffffu;

    explicit ZVRichMessageRepresentation(const std::shared_ptr<Message>& message);
    ~ZVRichMessageRepresentation() override;

    // The full display model of a message; null when the installed class is not one (a program
    // that never ran the rich-text start-up).
    static std::shared_ptr<ZVRichMessageRepresentation> of(const std::shared_ptr<Message>& message);
    // The factory that makes this class.
    static ZVMessageRepresentation::Factory factory();

    // --- what views read ---

    const QString& posterName() const { return posterName_; }
    const QString& posterShortName() const { return posterShortName_; }
    const QString& hookName() const { return hookName_; }
    bool expanded() const override { return expanded_; }
    bool expandable() const { return expandable_; }
    bool isShowingMatch() const { return isShowingMatch_; }
    bool containsPhoneNumbers() const { return containsPhoneNumbers_; }
    bool textIsTruncated() const { return textIsTruncated_; }
    bool highlighted() const { return highlighted_; }
    bool isTaskOrPin() const { return isTaskOrPin_; }
    std::uint32_t hiddenQuotes() const { return hiddenQuotes_; }
    // The width of the last height computation; 0 when none is valid.
    double formatWidth() const { return formattedWidth_; }
    std::shared_ptr<platform::View> presentingView() const { return presentingView_.lock(); }
    void setPresentingView(const std::shared_ptr<platform::View>& view) { presentingView_ = view; }

    // Built by refresh() first when there is no text yet.
    const platform::AttributedString& attributedText();
    std::optional<Files> files() override;
    Files urlPreviews() override;
    // The plain text; "" when there is none.
    QString localizedText() override;
    // Whether the text was built (by refresh()), and then whether it lists files or link
    // previews: neither reads the store.
    bool isBuilt() const { return attributedText_.has_value(); }
    bool hasFilesOrPreviews() const {
        return (files_ && !files_->empty()) || (urlPreviews_ && !urlPreviews_->empty());
    }
    // The text is empty and there are files.
    bool containsFilesOnly();
    // The event's "hangout_url"; null without event data.
    QString hangoutUrl();
    // The task's assignees by full name, as one list; "" without assignees.
    QString assigneeList();
    // "On <date and time> <poster> wrote:", above a quoted or copied message.
    QString quoteHeader();
    // Whether the subject says more than the conversation's topic behind reply prefixes.
    bool hasDistinctSubject();
    // The preview of a server search hit: its highlighted text and highlighted file names.
    platform::AttributedString searchMatchText();

    // --- operations ---

    void refresh() override;
    void updatePosterName() override;
    virtual double formattedHeightForWidth(double width);
    // The height of the files and previews under the text as the message views lay them out for
    // a file-view kind, an expand state and the files' form (the views' digest of what their
    // heights depend on: a file changes form without the model rebuilding, when its preview
    // arrives); none when not measured for those since the last rebuild.
    std::optional<double> filesHeight(int kind, int expandState, std::size_t form) const;
    void setFilesHeight(double height, int kind, int expandState, std::size_t form);
    void setExpanded(bool expanded) override;
    void toggleQuote(int index);
    // Highlights the words of the text that begin with `text`; whether any did.
    bool highlightMatch(const QString& text) override;
    // Shows the service's search highlight, which from then on survives refresh().
    void highlightSearchMatches();
    void absorbFiles(const Files& files) override;
    void setContainsPhoneNumbers(bool contains);

    // Scans the model's plain text for a phone number on the detection queue; a find is applied
    // on the main thread (refresh, then the presenting view's updateMessage()). Only for text
    // messages on a device that can place calls.
    static void runDataDetectionOnMessage(
        const std::shared_ptr<ZVRichMessageRepresentation>& model);
    // The queue the scans run on ("MessageDataDetectionQueue"), one per process.
    static QThreadPool& dataDetectionQueue();

protected:
    // Makes T's model for a message and readies it as every model starts: names, text, then the
    // phone-number scan.
    template <class T>
    static Factory factoryOf() {
        return [](const std::shared_ptr<Message>& message)
                   -> std::shared_ptr<ZVMessageRepresentation> {
            auto model = std::make_shared<T>(message);
            model->updatePosterName();
            model->refresh();
            runDataDetectionOnMessage(model);
            return model;
        };
    }

    // The sentence of a conversation event (or the spam notice) into the text.
    void formatSystemMessage();
    std::shared_ptr<ZVRepositorySession> repositorySession() const;
    // The message's conversation, looked up by id when the message was read on its own.
    std::shared_ptr<Conversation> conversationOf(const Message& message) const;

    bool expanded_ = false;
    bool expandable_ = false;
    double formattedWidth_ = 0;
    double formattedHeight_ = 0;

private:
    struct SystemTemplate;

    void buildMessageText(Message& message);
    void configureParser(ZVMessageParser& parser, Message& message) const;
    void updateExpandability(Message& message);
    void updateFiles(Message& message, const ZVMessageParser& parser);
    std::optional<Files> populateFileListWithIds(const QStringList& keys,
                                                 const QHash<QString, std::shared_ptr<File>>* list,
                                                 const std::optional<Files>& current);
    static platform::AttributedString prependCheckbox(const platform::AttributedString& text,
                                                      bool checked);
    SystemTemplate systemTemplate(Message& message);
    platform::AttributedString getMessageVar(const QString& name, Message& message);
    QStringList messageMembersWithoutSelf(const QStringList& members, Message& message) const;
    platform::AttributedString formatMemberNames(const QStringList& accountIds) const;
    platform::AttributedString formatTeamNames(const QStringList& teamIds) const;
    bool isSelf(const QString& accountId) const;
    QStringList dataList(const QString& key);

    QString plainText_;
    // The text message's plain text is made when first asked for.
    bool plainTextPending_ = false;
    std::optional<platform::AttributedString> attributedText_;
    QString posterName_;
    QString posterShortName_;
    QString hookName_;
    std::optional<ZVJsonParser> json_;
    bool isShowingMatch_ = false;
    bool containsPhoneNumbers_ = false;
    std::optional<Files> files_;
    std::optional<Files> urlPreviews_;
    std::weak_ptr<platform::View> presentingView_;
    struct FilesHeight {
        double height = 0;
        int kind = 0;
        int expandState = 0;
        std::size_t form = 0;
    };
    std::optional<FilesHeight> filesHeight_;
    bool highlighted_ = false;
    bool isTaskOrPin_ = false;
    bool textIsTruncated_ = false;
    std::uint32_t hiddenQuotes_ = 0;
};
