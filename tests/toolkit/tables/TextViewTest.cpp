#include "platform/foundation/Scheduler.h"
#include "platform/ui/standins/input/FakeKeyboard.h"
#include "platform/ui/standins/input/MemoryPasteboard.h"
#include "platform/ui/view/EditAction.h"
#include "platform/ui/view/Window.h"
#include "toolkit/tables/ZVClipboardMessageProbe.h"
#include "toolkit/tables/ZVTextView.h"
#include "toolkit/tables/ZVTextViewPasteboardDelegate.h"

#include <gtest/gtest.h>

#include <QtCore/QStringList>

namespace {

namespace EditAction = platform::EditAction;

class Owner : public ZVTextViewPasteboardDelegate,
              public platform::TextViewDelegate,
              public ZVTextViewCopyObserver {
public:
    QStringList heard;
    bool quotes = true;

    void handleControlEnter(ZVTextView&) override { heard << "send"; }
    void handleUpArrow(ZVTextView&) override { heard << "edit last"; }
    void textViewDidPaste(ZVTextView&) override { heard << "paste"; }
    void copyText(const QString& text) override { heard << "copy " + text; }
    void quoteText(const QString& text) override { heard << "quote " + text; }
    bool quoteAvailable() override { return quotes; }
    void textViewDidCopy(ZVTextView&) override { heard << "copied"; }
};

struct TextStage {
    std::shared_ptr<platform::Window> window = platform::Window::make();
    std::shared_ptr<platform::View> root = platform::View::make(window->bounds());
    std::shared_ptr<ZVTextView> view = platform::View::make<ZVTextView>(QRectF(0, 100, 300, 100));
    std::shared_ptr<Owner> owner = std::make_shared<Owner>();
    std::shared_ptr<platform::MemoryPasteboard> pasteboard =
        std::make_shared<platform::MemoryPasteboard>();

    TextStage() {
        platform::Pasteboard::setGeneral(pasteboard);
        platform::Keyboard::setShared(std::make_shared<platform::FakeKeyboard>());
        window->setRootView(root);
        root->addSubview(view);
        view->setPasteboardDelegate(owner);
        view->setDelegate(owner);
    }
    ~TextStage() { ZVClipboardMessageProbe::setProbe({}); }
    void key(int qtKey, const QString& text = {}, Qt::KeyboardModifiers modifiers = {}) {
        window->sendKey({qtKey, modifiers, text});
    }
    QStringList commandInputs() const {
        QStringList inputs;
        for (const auto& command : view->keyCommands()) {
            inputs << command.input;
        }
        return inputs;
    }
};

TEST(ZVTextView, TheUpArrowCommandComesAndGoesWithTheText) {
    TextStage stage;
    stage.view->becomeFirstResponder();
    EXPECT_EQ(stage.commandInputs(), (QStringList{"\r", "UpArrow"}));
    stage.key(Qt::Key_Up);
    stage.key(Qt::Key_A, "a");
    EXPECT_EQ(stage.commandInputs(), QStringList{"\r"});
    stage.key(Qt::Key_Up);
    stage.key(Qt::Key_End);
    stage.key(Qt::Key_Return, "\r", Qt::ControlModifier);
    stage.key(Qt::Key_Backspace);
    EXPECT_EQ(stage.commandInputs(), (QStringList{"\r", "UpArrow"}));
    stage.key(Qt::Key_Up);
    EXPECT_EQ(stage.owner->heard, (QStringList{"edit last", "send", "edit last"}));
    EXPECT_EQ(stage.view->text(), "");
}

TEST(ZVTextView, WhatItOffersToDoFollowsItsModeItsOwnerAndTheClipboard) {
    struct Case {
        const char* name;
        bool editable;
        bool withOwner;
        bool ownerQuotes;
        bool messageOnClipboard;
        QStringList offered;
    };
    const QStringList actions{EditAction::Copy,      EditAction::Paste,  EditAction::Cut,
                              EditAction::SelectAll, EditAction::Define, ZVTextView::kQuoteAction};
    const Case cases[] = {
        {"read-only copy of a quoting cell",
         false,
         true,
         true,
         false,
         {"copy:", "selectAll:", "quote:"}},
        {"read-only copy of another cell", false, true, false, false, {"copy:", "selectAll:"}},
        {"read-only without owner", false, false, false, true, {"copy:", "selectAll:"}},
        {"editor, a message on the clipboard",
         true,
         true,
         false,
         true,
         {"copy:", "paste:", "cut:", "selectAll:"}},
        {"editor, nothing on the clipboard",
         true,
         true,
         false,
         false,
         {"copy:", "cut:", "selectAll:"}},
        {"editor without owner, a message on the clipboard",
         true,
         false,
         false,
         true,
         {"copy:", "cut:", "selectAll:"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TextStage stage;
        stage.view->setText("some text");
        stage.view->setEditable(c.editable);
        if (!c.withOwner) {
            stage.view->setPasteboardDelegate({});
        }
        stage.owner->quotes = c.ownerQuotes;
        ZVClipboardMessageProbe::setProbe([&c] { return c.messageOnClipboard; });
        stage.view->becomeFirstResponder();
        stage.view->setSelectedRange({0, 4});
        QStringList offered;
        for (const QString& action : actions) {
            if (stage.view->canPerformAction(action)) {
                offered << action;
            }
        }
        EXPECT_EQ(offered, c.offered);
    }
}

TEST(ZVTextView, CopyPasteAndQuoteGoToTheOwnerWithTheSelectionOrTheWholeText) {
    TextStage stage;
    stage.view->setText("hello world");
    stage.view->becomeFirstResponder();
    stage.view->setSelectedRange({6, 5});
    EXPECT_TRUE(stage.view->performAction(EditAction::Copy));
    EXPECT_TRUE(stage.view->performAction(ZVTextView::kQuoteAction));
    stage.view->setSelectedRange({3, 0});
    stage.view->performAction(ZVTextView::kQuoteAction);
    ZVClipboardMessageProbe::setProbe([] { return true; });
    EXPECT_TRUE(stage.view->performAction(EditAction::Paste));
    EXPECT_EQ(stage.owner->heard,
              (QStringList{"copy world", "copied", "quote world", "quote hello world", "paste"}));
    EXPECT_EQ(stage.view->text(), "hello world");

    // Without an owner the text view copies and pastes plain text itself.
    stage.owner->heard.clear();
    stage.view->setPasteboardDelegate({});
    stage.view->setSelectedRange({0, 5});
    stage.view->performAction(EditAction::Copy);
    EXPECT_EQ(stage.pasteboard->string(), "hello");
    EXPECT_EQ(stage.owner->heard, QStringList{"copied"});
    EXPECT_FALSE(stage.view->performAction(ZVTextView::kQuoteAction));
}

TEST(ZVTextView, ATapOnAnUnselectedReadOnlyCopySelectsAllOfItAgain) {
    TextStage stage;
    stage.view->setText("read only");
    stage.view->setEditable(false);
    const QPointF middle = stage.view->convertPointTo(stage.view->bounds().center(), nullptr);
    stage.window->sendTouch(1, platform::TouchPhase::Began, middle);
    stage.window->sendTouch(1, platform::TouchPhase::Ended, middle);
    EXPECT_FALSE(stage.view->textWasSelected());
    EXPECT_EQ(stage.view->selectedRange().length, 0);
    platform::Scheduler::main().advance(ZVTextView::kReselectDelay);
    EXPECT_EQ(stage.view->selectedRange().length, 9);

    // With text selected when it lands, a tap only places the cursor.
    stage.window->sendTouch(1, platform::TouchPhase::Began, middle);
    stage.window->sendTouch(1, platform::TouchPhase::Ended, middle);
    EXPECT_TRUE(stage.view->textWasSelected());
    platform::Scheduler::main().advance(1);
    EXPECT_EQ(stage.view->selectedRange().length, 0);
}

}  // namespace
