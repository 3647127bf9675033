#pragma once

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/controls/TextRange.h"
#include "platform/ui/standins/input/FakeKeyboard.h"
#include "platform/ui/standins/input/MemoryPasteboard.h"
#include "platform/ui/view/Window.h"

#include <gtest/gtest.h>

#include <QtCore/QStringList>

#include <ostream>

namespace platform {
inline void PrintTo(const TextRange& range, std::ostream* out) {
    *out << "{" << range.location << ", " << range.length << "}";
}
}  // namespace platform

// A phone window with an in-process pasteboard and a fake keyboard whose notifications are
// written down as "<name> <begin frame> -> <end frame>".
class TextInputTest : public ::testing::Test {
public:
    std::shared_ptr<platform::Window> window = platform::Window::make();
    std::shared_ptr<platform::View> root = platform::View::make(window->bounds());
    std::shared_ptr<platform::FakeKeyboard> keyboard = std::make_shared<platform::FakeKeyboard>();
    std::shared_ptr<platform::MemoryPasteboard> pasteboard =
        std::make_shared<platform::MemoryPasteboard>();
    QStringList notices;
    std::vector<platform::Observation> observations;

    TextInputTest() {
        window->setRootView(root);
        platform::Keyboard::setShared(keyboard);
        platform::Pasteboard::setGeneral(pasteboard);
        using K = platform::Keyboard;
        for (const QLatin1StringView name :
             {K::WillShowNotification, K::DidShowNotification, K::WillHideNotification,
              K::DidHideNotification, K::WillChangeFrameNotification,
              K::DidChangeFrameNotification}) {
            observations.push_back(platform::NotificationCenter::defaultCenter().addObserverForName(
                name, [this](const platform::Notification& n) { notices << describe(n); }));
        }
    }

    static QString rect(const QRectF& r) {
        return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    }

    static QString describe(const platform::Notification& n) {
        using K = platform::Keyboard;
        QString name = n.name;
        name.remove(QStringLiteral("Keyboard")).remove(QStringLiteral("Notification"));
        EXPECT_EQ(n.userInfo.value(K::AnimationDurationUserInfoKey).toDouble(),
                  K::kAnimationDuration);
        EXPECT_EQ(n.userInfo.value(K::AnimationCurveUserInfoKey).toInt(), K::kAnimationCurve);
        return QStringLiteral("%1 %2 -> %3")
            .arg(name, rect(n.userInfo.value(K::FrameBeginUserInfoKey).toRectF()),
                 rect(n.userInfo.value(K::FrameEndUserInfoKey).toRectF()));
    }

    void key(int qtKey, const QString& text = {}, Qt::KeyboardModifiers modifiers = {}) {
        window->sendKey({qtKey, modifiers, text});
    }
    void type(const QString& text) {
        for (const QChar c : text) {
            key(0, QString(c));
        }
    }
    void tap(const platform::View& view) {
        const QPointF at = view.convertPointTo(view.bounds().center(), nullptr);
        window->sendTouch(1, platform::TouchPhase::Began, at);
        window->sendTouch(1, platform::TouchPhase::Ended, at);
    }
};
