#pragma once

#include "MessageFlow/pages/ZVConversationPageScreen.h"
#include "platform/foundation/ObserverList.h"
#include "toolkit/dialogs/ZVDialogCells.h"

#include <memory>
#include <vector>

class Conversation;
class ZVButtonCell;
class ZVHeaderCell;
class ZVInformationBanner;
class ZVOptionCell;
class ZVOptionCellGroup;
class ZVTextViewCell;

// The settings page of an open conversation: its topic (edited with "Cancel" and "Done"), three
// options, the sharing choice, the join link and e-mail address when the service gave them, and
// "Leave conversation". Each control writes only its own field through the conversation's setter,
// which sends it; the controls follow changes of their fields from elsewhere (another member, the
// service) without writing them back. In a conversation an organisation manages, a banner says so
// and nothing can be changed. Main thread only.
class ZVConversationSettingsViewController : public ZVDialogCells, public ZVConversationPageScreen {
public:
    static constexpr int kTrackingCategory = 6;
    static constexpr int kLeaveButtonStyle = 3;
    static constexpr int kBannerTextStyle = 0;
    // Indexes of the sharing choices.
    static constexpr int kSharingOff = 0;
    static constexpr int kSharingOn = 1;

    // The page number is not kept.
    ZVConversationSettingsViewController(const std::shared_ptr<Conversation>& conversation,
                                         int page);
    ~ZVConversationSettingsViewController() override;

    std::shared_ptr<Conversation> conversation() const { return conversation_.lock(); }
    const std::shared_ptr<ZVTextViewCell>& topic() const { return topic_; }
    const std::shared_ptr<ZVOptionCell>& urlPreviews() const { return urlPreviews_; }
    const std::shared_ptr<ZVOptionCell>& discloseHistory() const { return discloseHistory_; }
    const std::shared_ptr<ZVOptionCell>& emailList() const { return emailList_; }
    const std::shared_ptr<ZVHeaderCell>& sharingHeader() const { return sharingHeader_; }
    const std::shared_ptr<ZVOptionCellGroup>& sharingOptions() const { return sharingOptions_; }
    // Null when the conversation has no join link, or no e-mail address.
    const std::shared_ptr<ZVTextViewCell>& url() const { return url_; }
    const std::shared_ptr<ZVHeaderCell>& mailHeader() const { return mailHeader_; }
    const std::shared_ptr<ZVTextViewCell>& mail() const { return mail_; }
    const std::shared_ptr<ZVButtonCell>& leave() const { return leave_; }
    // Null unless the conversation is managed.
    const std::shared_ptr<ZVInformationBanner>& banner() const { return banner_; }

    // The leave button shows the card that asks whether to leave.
    void leaveConversation();

    // --- ZVConversationPageScreen ---
    ZVViewController& screen() override { return *this; }

    // --- screen ---
    void viewWillAppear(bool animated) override;
    // "Done": the typed topic goes to the conversation.
    void commitEdit() override;
    // "Cancel": the field shows the conversation's topic again.
    void cancelEdit() override;
    // To the nearest page before this one that can be shown.
    void navigateBack() override;
    void releaseObservers() override;
    // A tap on another row while the topic is edited cancels the edit.
    void didSelectRow(int row) override;

private:
    void buildRows(Conversation& conversation);
    void addReadOnlyRow(const QString& header, const QString& text,
                        std::shared_ptr<ZVHeaderCell>& headerCell,
                        std::shared_ptr<ZVTextViewCell>& cell);
    void observeControls();
    void observeConversation(Conversation& conversation);
    // The controls show the conversation's values; the topic only while it is not edited.
    void followConversation();
    void updateLeaveButton();
    void optionChanged(const ZVOptionCell& option);
    void sharingChanged();

    std::weak_ptr<Conversation> conversation_;
    std::shared_ptr<ZVTextViewCell> topic_;
    std::shared_ptr<ZVOptionCell> urlPreviews_;
    std::shared_ptr<ZVOptionCell> discloseHistory_;
    std::shared_ptr<ZVOptionCell> emailList_;
    std::shared_ptr<ZVHeaderCell> sharingHeader_;
    std::shared_ptr<ZVOptionCellGroup> sharingOptions_;
    std::shared_ptr<ZVHeaderCell> urlHeader_;
    std::shared_ptr<ZVTextViewCell> url_;
    std::shared_ptr<ZVHeaderCell> mailHeader_;
    std::shared_ptr<ZVTextViewCell> mail_;
    std::shared_ptr<ZVButtonCell> leave_;
    std::shared_ptr<ZVInformationBanner> banner_;
    int leaveTarget_ = 0;
    bool managed_ = false;
    // Set while the controls take the conversation's values, which are no user's choice.
    bool following_ = false;
    std::vector<platform::Observation> observations_;
};
