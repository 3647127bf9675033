#pragma once

#include "platform/ui/controllers/ViewController.h"

#include <QtCore/QStringList>

#include <memory>
#include <ostream>

// Readable failures: the lines as text.
inline void PrintTo(const QStringList& lines, std::ostream* os) {
    *os << '[' << lines.join(QStringLiteral(" | ")).toStdString() << ']';
}

// A log shared by the controllers and delegates of one test, one line per call.
using CallLog = std::shared_ptr<QStringList>;

inline CallLog makeLog() {
    return std::make_shared<QStringList>();
}

// Writes every load, appearance and containment call into the log as "<title> <call>".
class RecordingController : public platform::ViewController {
public:
    RecordingController(const QString& name, CallLog log) : log_(std::move(log)) { setTitle(name); }

    void viewDidLoad() override { note("didLoad"); }
    void viewWillAppear(bool animated) override { note("willAppear", animated); }
    void viewDidAppear(bool animated) override { note("didAppear", animated); }
    void viewWillDisappear(bool animated) override { note("willDisappear", animated); }
    void viewDidDisappear(bool animated) override { note("didDisappear", animated); }
    void willMoveToParentViewController(platform::ViewController* parent) override {
        note(QStringLiteral("willMove(%1)").arg(nameOf(parent)));
    }
    void didMoveToParentViewController(platform::ViewController* parent) override {
        note(QStringLiteral("didMove(%1)").arg(nameOf(parent)));
    }

    // Leaves out the animated flag and containment calls when a test does not look at them.
    bool showAnimated = false;
    bool showContainment = true;

private:
    static QString nameOf(platform::ViewController* c) {
        return c == nullptr ? QStringLiteral("none") : c->title();
    }
    void note(const QString& call, bool animated = false) {
        if (!showContainment && call.contains(QLatin1String("Move("))) {
            return;
        }
        *log_ << title() + ' ' + call +
                     (showAnimated && animated ? QStringLiteral(" animated") : "");
    }

    CallLog log_;
};

template <typename T = RecordingController>
std::shared_ptr<T> recording(const QString& name, const CallLog& log) {
    return std::make_shared<T>(name, log);
}
