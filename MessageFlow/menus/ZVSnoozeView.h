#pragma once

#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/alerts/ZVAlertViewDelegate.h"

#include <QtCore/QDateTime>
#include <QtCore/QString>

#include <memory>
#include <vector>

class Conversation;
class ZVSnoozeButton;

// The "Mute" popup of a conversation: mute it for an hour, until tonight or tomorrow morning,
// until next week, for good, or unmute it when it is muted. A choice hands its interval to the
// conversation, which keeps it and sends it; a dismissal without one changes nothing. The popup
// is its own delegate. Main thread only.
class ZVSnoozeView : public ZVAlertView, public ZVAlertViewDelegate {
public:
    static constexpr double kHour = 3600;
    // The local times the day's mutes end at.
    static constexpr int kMorningHour = 8;
    static constexpr int kEveningHour = 18;
    // Weekdays as the calendar counts them, Sunday first.
    static constexpr int kSunday = 1;
    static constexpr int kMonday = 2;
    // A snooze interval of at least this size (either sign) means the conversation is muted.
    static constexpr double kShortestMute = 1;

    struct Option {
        QString title;
        double interval;
        // The end is a time of day (tonight, tomorrow or next week at a set hour).
        bool endsAtWallClock = false;
        bool operator==(const Option&) const = default;
    };

    // The options at `now`, in order. Each end is a wall-clock time in the device's time zone and
    // its interval the distance to it, so a change of summer time between now and then moves
    // nothing.
    static std::vector<Option> optionsAt(const QDateTime& now, bool muted);
    // The weekday of the date in the device's calendar, Sunday 1 to Saturday 7.
    static int getDayOfWeek(const QDateTime& date);

    // The popup for the conversation, its own delegate, ready to show.
    static std::shared_ptr<ZVSnoozeView> make(const std::shared_ptr<Conversation>& conversation);
    explicit ZVSnoozeView(const std::shared_ptr<Conversation>& conversation);

    std::shared_ptr<Conversation> conversation() const { return conversation_.lock(); }
    const std::vector<std::shared_ptr<ZVSnoozeButton>>& options() const { return options_; }
    // Appends a row; its tag is its 1-based position.
    void addOptionWithTitle(const QString& title, double interval, bool endsAtWallClock = false);

    void alertView(ZVAlertView& alertView, int buttonIndex) override;

private:
    std::weak_ptr<Conversation> conversation_;
    std::vector<std::shared_ptr<ZVSnoozeButton>> options_;
};
