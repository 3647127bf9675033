#pragma once

#include "platform/foundation/Observable.h"
#include "platform/foundation/TimerGroup.h"

#include <QtCore/QRectF>
#include <QtCore/QString>

#include <functional>
#include <optional>

class ZVControlSocket;
class ZVGlobals;

// The program's own check that it works on this desktop: it waits for the signed-in window with
// the active account's conversations listed in the inbox, saves the window as a PNG, checks that
// the navigation bar was drawn in its colour and that the first conversation row and a section
// header were drawn, then opens a push for one of the conversations as if the user tapped it
// and checks that it reached the coordinator's road for opening conversations. `done` gets the exit
// status.
class ZVSmokeRun {
public:
    static constexpr double kPollInterval = 0.1;
    static constexpr double kTimeout = 60;

    ZVSmokeRun(ZVGlobals& globals, ZVControlSocket& control, QString imagePath,
               std::function<void(int status, const QString& message)> done);

private:
    // Where the inbox shows its first conversation row and a section header, in the window's
    // points; none until it shows both.
    struct InboxRects {
        QRectF row;
        QRectF header;
    };
    std::optional<InboxRects> inboxRects() const;
    void check();
    bool saveAndSampleWindow(const InboxRects& inbox, QString* message);
    void finish(int status, const QString& message);

    ZVGlobals& globals_;
    ZVControlSocket& control_;
    QString imagePath_;
    std::function<void(int, const QString&)> done_;
    platform::TimerGroup timers_;
    platform::Observation conversationObservation_;
    bool pushed_ = false;
    bool finished_ = false;
};
