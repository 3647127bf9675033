#pragma once

#include <QtCore/QtGlobal>

// The page that holds a member list: asked for room when the user opens the collapsed new
// members, and told (with 0) when the roster changed.
class ZVMemberListViewDelegate {
public:
    virtual ~ZVMemberListViewDelegate() = default;
    virtual void requestedExpansionToHeight(qreal height) = 0;
};
