#include "accounts/settings/ZVFileTransferCell.h"

#include "platform/foundation/Format.h"
#include "platform/net/BackgroundUrlSessionTask.h"

ZVFileTransferCell::ZVFileTransferCell(
    const std::shared_ptr<platform::BackgroundUrlSessionTask>& task)
    : task_(task) {
    setLabelText(task->originalRequest().url.toString());
    refresh();
}

ZVFileTransferCell::~ZVFileTransferCell() = default;

void ZVFileTransferCell::refresh() {
    const auto task = task_.lock();
    if (!task) {
        return;
    }
    const auto& error = task->error();
    setDetailText(error ? platform::format(u"Error %ld", static_cast<long>(error->code()))
                        : QStringLiteral("?"));
}
