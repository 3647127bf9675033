#pragma once

#include "platform/foundation/Scheduler.h"

#include <QtCore/QString>

#include <cstdint>
#include <memory>

class Message;
class ZVConversationCells;
class ZVConversationViewController;
class ZVFlatMessageEditor;
namespace platform {
struct Notification;
}

// What the messages page does with one message: edits it in place in the flat editor, which
// grows from the message's row over the page and shrinks back onto it when edit mode ends (the
// others see the message as being edited meanwhile); quotes it into the composer; selects its
// text; and shows a found message expanded, its search matches highlighted and in view.
// install() fills the page's actions seam. Each page has at most one flat editor open. Main
// thread only.
class ZVConversationMessageActions {
public:
    static constexpr platform::TimeInterval kEditorDuration = 0.3;
    // A keyboard lower than this takes no room.
    static constexpr qreal kKeyboardUpHeight = 1;
    // A hit in the text lands this far below the top; a hit in a file's name this far above
    // the file.
    static constexpr qreal kTextMatchDistance = 50;
    static constexpr qreal kFileMatchDistance = 25;
    static constexpr qreal kMeasureHeightLimit = 9000;
    static constexpr int kPreviewFileKind = 1;
    static constexpr int kPlainFileKind = 2;

    ZVConversationMessageActions() = delete;

    static void install();

    // The newest of the user's own loaded messages, when it may be edited; an older one never.
    static void editLastMessage(ZVConversationViewController& screen);
    static void editMessage(ZVConversationViewController& screen,
                            const std::shared_ptr<Message>& message);
    // The message's text with its markup, without its own quotes.
    static void quoteMessage(ZVConversationViewController& screen,
                             const std::shared_ptr<Message>& message);
    static void quoteMessageText(ZVConversationViewController& screen,
                                 const std::shared_ptr<Message>& message, const QString& text);
    static void selectMessage(ZVConversationViewController& screen,
                              const std::shared_ptr<Message>& message);
    static void focusMessage(ZVConversationViewController& screen, std::int64_t messageNr);
    // How far below the top of the message's text its first search match lies, less the room
    // left above it; 0 without a match. Expands the message and shows its highlights.
    static qreal focusDistance(const ZVConversationCells& cells,
                               const std::shared_ptr<Message>& message, bool filePreviews);

    // --- the page's edit mode and keyboard ---
    static void setTopInset(ZVConversationViewController& screen, qreal inset);
    static void setEditing(ZVConversationViewController& screen, bool editing, bool animated);
    static void commitEdit(ZVConversationViewController& screen);
    static void keyboardWillShow(ZVConversationViewController& screen,
                                 const platform::Notification& notification);
    static void keyboardWillChangeFrame(ZVConversationViewController& screen,
                                        const platform::Notification& notification);
    static void keyboardWillHide(ZVConversationViewController& screen,
                                 const platform::Notification& notification);

    // The page's open flat editor; null when none is open (one shrinking back is closed).
    static std::shared_ptr<ZVFlatMessageEditor> editor(const ZVConversationViewController& screen);
};
