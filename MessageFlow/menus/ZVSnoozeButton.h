#pragma once

#include "toolkit/alerts/ZVAlertButton.h"

#include <QtCore/QDateTime>

// A row of the mute popup: its title and the mute interval it stands for, with the end of the
// mute as its subtitle.
class ZVSnoozeButton : public ZVAlertButton {
public:
    // Seconds from now; these two are no time span.
    static constexpr double kUntilUnmuted = -1;
    static constexpr double kUnmute = 0;
    // What a mute whose end passed while the popup was open still sends: the shortest mute, which
    // ends at once (0 would unmute, a negative interval mute for good).
    static constexpr double kEndedInterval = 1;

    // "Until unmuted" for kUntilUnmuted, nothing for kUnmute, else the date and time the mute
    // ends. A row that ends at a wall-clock time (tonight, tomorrow morning) keeps that end
    // however long the popup stays open; the others count from the choice.
    ZVSnoozeButton(const QString& title, double interval, bool endsAtWallClock = false);

    // Seconds from when the popup was made.
    double interval() const { return interval_; }
    // Seconds from now to the end the row showed.
    double intervalFromNow() const;

    static QString subtitleForInterval(double interval);

private:
    double interval_;
    // Invalid for the rows that count from the choice.
    QDateTime end_;
};
