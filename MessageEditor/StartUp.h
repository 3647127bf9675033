#pragma once

// Installs what the editors provide to the layers below and beside them: the text view's question
// whether a whole copied message waits on the pasteboard, and the forward picker's hand-over of a
// message to the conversation it picked, and the conversation screen's composer. Idempotent.
void ZVStartUpMessageEditor();
