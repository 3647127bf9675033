#pragma once

#include "app/inbox/decorators/ZVInboxItemDecorator.h"

// A contact found by a search: its name with the hit highlighted, and whether picking it opens
// the one-to-one conversation or starts one. Picking names the contact by its e-mail address.
class ZVContactDecorator : public ZVInboxItemDecorator {
public:
    static bool acceptsItem(const ZVInboxRowItem& item) {
        return std::holds_alternative<std::shared_ptr<ZVContactMatch>>(item);
    }

    ZVInboxRowItem item() const override;
    void setItem(const ZVInboxRowItem& item) override;
    std::shared_ptr<ZVContactMatch> contact() const { return contact_.lock(); }

    QString guid() const override;
    platform::AttributedString title() const override;
    platform::AttributedString detailTitle() const override;

private:
    ZVWeakRowItem<ZVContactMatch> contact_;
};
