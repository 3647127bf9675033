#include "toolkit/richtext/message/ZVFileThumbnailReset.h"

namespace {

ZVFileThumbnailReset::Reset& installed() {
    static ZVFileThumbnailReset::Reset reset;
    return reset;
}

}  // namespace

void ZVFileThumbnailReset::resetCachedImage(const std::shared_ptr<File>& file) {
    if (installed() && file) {
        installed()(file);
    }
}

void ZVFileThumbnailReset::setReset(Reset reset) {
    installed() = std::move(reset);
}
