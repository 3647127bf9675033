#include "MessageFlow/menus/ZVSnoozeView.h"

#include "MessageFlow/menus/ZVSnoozeButton.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/support/text/DeviceLocale.h"
#include "platform/foundation/Scheduler.h"

#include <cmath>

namespace {

// The device calendar at `date`.
std::unique_ptr<icu::Calendar> snoozeCalendarAt(const QDateTime& date) {
    auto calendar = DeviceLocale::calendar();
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(icutext::toUDate(date), status);
    return calendar;
}

// The wall-clock `hour` of the calendar's day moved by `days`.
QDateTime snoozeWallClock(const icu::Calendar& day, int days, int hour) {
    std::unique_ptr<icu::Calendar> calendar(day.clone());
    UErrorCode status = U_ZERO_ERROR;
    calendar->add(UCAL_DATE, days, status);
    calendar->set(UCAL_HOUR_OF_DAY, hour);
    calendar->set(UCAL_MINUTE, 0);
    calendar->set(UCAL_SECOND, 0);
    calendar->set(UCAL_MILLISECOND, 0);
    return icutext::fromUDate(calendar->getTime(status));
}

double snoozeSecondsBetween(const QDateTime& from, const QDateTime& to) {
    return static_cast<double>(from.msecsTo(to)) / 1000.0;
}

}  // namespace

std::vector<ZVSnoozeView::Option> ZVSnoozeView::optionsAt(const QDateTime& now, bool muted) {
    const auto today = snoozeCalendarAt(now);
    UErrorCode status = U_ZERO_ERROR;
    const int hour = today->get(UCAL_HOUR_OF_DAY, status);

    std::vector<Option> options{{QStringLiteral("For an hour"), kHour}};
    if (hour < kMorningHour) {
        options.push_back({QStringLiteral("Until tomorrow"),
                           snoozeSecondsBetween(now, snoozeWallClock(*today, 0, kMorningHour)),
                           true});
    } else if (hour >= kEveningHour) {
        options.push_back({QStringLiteral("Until tomorrow"),
                           snoozeSecondsBetween(now, snoozeWallClock(*today, 1, kMorningHour)),
                           true});
    } else {
        options.push_back({QStringLiteral("Until tonight"),
                           snoozeSecondsBetween(now, snoozeWallClock(*today, 0, kEveningHour)),
                           true});
    }
    // The first Monday morning from tomorrow on.
    int days = 1;
    while (getDayOfWeek(snoozeWallClock(*today, days, kMorningHour)) != kMonday) {
        ++days;
    }
    options.push_back({QStringLiteral("Until next week"),
                       snoozeSecondsBetween(now, snoozeWallClock(*today, days, kMorningHour)),
                       true});
    options.push_back({QStringLiteral("Forever"), ZVSnoozeButton::kUntilUnmuted});
    if (muted) {
        options.push_back({QStringLiteral("Unmute"), ZVSnoozeButton::kUnmute});
    }
    return options;
}

int ZVSnoozeView::getDayOfWeek(const QDateTime& date) {
    UErrorCode status = U_ZERO_ERROR;
    return snoozeCalendarAt(date)->get(UCAL_DAY_OF_WEEK, status);
}

std::shared_ptr<ZVSnoozeView> ZVSnoozeView::make(
    const std::shared_ptr<Conversation>& conversation) {
    auto view = std::make_shared<ZVSnoozeView>(conversation);
    view->setDelegate(std::weak_ptr<ZVAlertViewDelegate>(view));
    return view;
}

ZVSnoozeView::ZVSnoozeView(const std::shared_ptr<Conversation>& conversation)
    : conversation_(conversation) {
    setTitle(QStringLiteral("Mute"));
    const bool muted =
        conversation && std::abs(conversation->snoozeInterval().value_or(0)) >= kShortestMute;
    for (const Option& option : optionsAt(platform::Scheduler::main().currentDate(), muted)) {
        addOptionWithTitle(option.title, option.interval, option.endsAtWallClock);
    }
    setViews(ViewList(options_.begin(), options_.end()));
}

void ZVSnoozeView::addOptionWithTitle(const QString& title, double interval, bool endsAtWallClock) {
    auto button = std::make_shared<ZVSnoozeButton>(title, interval, endsAtWallClock);
    options_.push_back(button);
    button->setTag(static_cast<int>(options_.size()));
}

void ZVSnoozeView::alertView(ZVAlertView& /*alertView*/, int buttonIndex) {
    if (buttonIndex < 1 || buttonIndex > static_cast<int>(options_.size())) {
        return;
    }
    if (const auto chosen = conversation_.lock()) {
        // Tonight is still 18:00 after the popup stayed open a while.
        chosen->setSnoozeInterval(
            options_[static_cast<std::size_t>(buttonIndex - 1)]->intervalFromNow());
    }
}
