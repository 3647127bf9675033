#pragma once

// Installs what the file views provide to the layers below, the editors and the shell: the
// preload of each file the stream brings, the pictures of just-picked files, the reset of a file's
// cached preview, the pending-files strip's previews and card views, the emptying and retrying of
// the views' caches, the cancelling of a file's download on navigation, the file picker's menu
// and the opening of a downloaded file. Idempotent.
void ZVStartUpFiles();
