#pragma once

#include <QtCore/QString>

#include <memory>

class ZATracker;

// The system's one road into the analytics library: screens report the page they show and the
// actions the user takes, each under a screen category that names the screen. Main thread only.
class ZVEventTracker {
public:
    static constexpr const char* kTrackingId = "ZA-24681357-1";

    static ZVEventTracker& tracker();
    // Forgets the shared tracker (tests, between cases).
    static void reset();

    // The screen name of a category; null for a number without one.
    static QString valueForCategory(int category);
    // Sends nothing for a category without a name.
    void reportEventWithCategory(int category, const QString& action, const QString& label);
    // A category without a name sends a screen view without a screen name.
    void reportPage(int category);

private:
    ZVEventTracker();

    std::shared_ptr<ZATracker> tracker_;
};
