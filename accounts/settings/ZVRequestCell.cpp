#include "accounts/settings/ZVRequestCell.h"

#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"

ZVRequestCell::ZVRequestCell(const std::shared_ptr<ZVApiRequest>& request) : request_(request) {
    setLabelText(request->method());
    refresh();
}

ZVRequestCell::~ZVRequestCell() = default;

void ZVRequestCell::refresh() {
    if (const auto request = request_.lock()) {
        setDetailText(request->statusText());
    }
}
