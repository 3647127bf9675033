#pragma once

#include "platform/ui/view/View.h"

#include <memory>

class ZVMessageCell;

// A strip above or below a message in its row. It starts as tall as its class says and as wide as
// nothing; the cell stretches it to the row. It holds its cell weakly: the cell owns it.
class ZVMessageAccessoryView : public platform::View {
public:
    explicit ZVMessageAccessoryView(std::weak_ptr<ZVMessageCell> cell, qreal height = 0);
    ~ZVMessageAccessoryView() override;

    static qreal height() { return 0; }
    std::shared_ptr<ZVMessageCell> cell() const { return cell_.lock(); }
    // The row's colour; a strip with labels of its own colours them too.
    virtual void setBackgroundColor(const QColor& color) { View::setBackgroundColor(color); }

private:
    std::weak_ptr<ZVMessageCell> cell_;
};
