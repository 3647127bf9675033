#pragma once

#include <memory>
#include <variant>

class ZVCellGroup;
class ZVDialogCell;

// An entry of a dialog form: one row of its own, or a group that supplies several.
using ZVDialogEntry = std::variant<std::shared_ptr<ZVDialogCell>, std::shared_ptr<ZVCellGroup>>;
