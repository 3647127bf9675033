#pragma once

#include "platform/ui/view/View.h"

#include <QtCore/QSet>
#include <QtCore/QStringList>

// A view that performs the edit actions it is given and writes down each one it performed.
class ActionView : public platform::View {
public:
    explicit ActionView(const QRectF& frame, QSet<QString> actions = {}, bool focusable = false)
        : View(frame), actions_(std::move(actions)), focusable_(focusable) {}

    bool canPerformAction(const QString& action) const override {
        return actions_.contains(action);
    }
    bool performAction(const QString& action) override {
        performed.append(action);
        return true;
    }
    bool canBecomeFirstResponder() const override { return focusable_; }
    void touchesBegan(const platform::TouchSet&, const platform::TouchEvent&) override {
        ++touchesBegun;
    }

    QStringList performed;
    int touchesBegun = 0;

private:
    QSet<QString> actions_;
    bool focusable_;
};
