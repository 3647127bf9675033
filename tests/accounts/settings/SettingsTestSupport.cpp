#include "tests/accounts/settings/SettingsTestSupport.h"

#include "toolkit/dialogs/ZVHeaderCell.h"

#include "platform/ui/controls/Label.h"

namespace settingstest {

QStringList SettingsTest::rowTexts(ZVDialogCells& screen) {
    QStringList texts;
    for (int i = 0; i < screen.count(); ++i) {
        const auto* cell = std::get_if<std::shared_ptr<ZVDialogCell>>(&screen[i]);
        if (!cell) {
            texts << QStringLiteral("(group)");
        } else if (const auto header = std::dynamic_pointer_cast<ZVHeaderCell>(*cell)) {
            texts << QStringLiteral("# ") + header->textLabel()->text();
        } else if (const auto label = std::dynamic_pointer_cast<ZVLabelCell>(*cell)) {
            texts << label->labelText() + u'=' + label->detailText();
        } else {
            texts << QStringLiteral("(cell)");
        }
    }
    return texts;
}

int SettingsTest::rowIndex(ZVDialogCells& screen, const QString& title) {
    for (int i = 0; i < screen.count(); ++i) {
        const auto* cell = std::get_if<std::shared_ptr<ZVDialogCell>>(&screen[i]);
        const auto label = cell ? std::dynamic_pointer_cast<ZVLabelCell>(*cell) : nullptr;
        if (label && label->labelText() == title) {
            return i;
        }
    }
    return -1;
}

std::shared_ptr<ZVLabelCell> SettingsTest::labelRow(ZVDialogCells& screen, const QString& title) {
    const int index = rowIndex(screen, title);
    return index < 0 ? nullptr
                     : std::dynamic_pointer_cast<ZVLabelCell>(
                           std::get<std::shared_ptr<ZVDialogCell>>(screen[index]));
}

}  // namespace settingstest
