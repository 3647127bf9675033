#pragma once

#include <functional>
#include <memory>

class File;

// Drops the cached thumbnail of a file, so that it is drawn again at another size. The file views
// own the thumbnails and register the reset at start-up; until they do there is nothing cached
// and the call does nothing. Main thread only.
class ZVFileThumbnailReset {
public:
    using Reset = std::function<void(const std::shared_ptr<File>& file)>;

    ZVFileThumbnailReset() = delete;

    static void resetCachedImage(const std::shared_ptr<File>& file);
    // Null removes it.
    static void setReset(Reset reset);
};
