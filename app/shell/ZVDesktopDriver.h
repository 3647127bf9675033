#pragma once

#include "platform/foundation/TimerGroup.h"

#include <QtCore/QByteArray>
#include <QtCore/QObject>
#include <QtCore/QString>

class QSocketNotifier;
class QWidget;

// Feeds the desktop's events to the application's life cycle: a window minimised or hidden
// resigns and goes to the background, restored it comes back and becomes active, closed (or the
// process sent SIGTERM) it goes to the background and terminates. Focus alone changes nothing, so
// a visible window keeps syncing. In the background it fetches at the minimum fetch interval, and
// it answers push registrations with this installation's token. Main thread only.
class ZVDesktopDriver : public QObject {
public:
    // Bytes of a push token.
    static constexpr int kPushTokenSize = 32;

    explicit ZVDesktopDriver(QObject* parent = nullptr);
    ~ZVDesktopDriver() override;

    // Follows the window's state.
    void watch(QWidget* window);
    // SIGTERM ends the process as closing the window does.
    void handleTerminationSignal();

    // This installation's push token, made once and kept owner-only in the private data folder.
    static QByteArray pushToken();

    // The window went away or the process is told to end: background, terminate, quit.
    void terminate();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void enterBackground();
    void becomeActive();
    void scheduleFetches();

    platform::TimerGroup fetches_;
    QSocketNotifier* signalNotifier_ = nullptr;
    bool terminated_ = false;
};
