#pragma once

#include <QtCore/QtGlobal>

class ZVTableView;

// A table delegate that wants to hear, before the rows move, by how much a height notice changes
// the content's height (a conversation keeps its newest message anchored with it).
class ZVTableViewHeightDelegate {
public:
    virtual ~ZVTableViewHeightDelegate() = default;
    virtual void tableViewContentHeightWillChange(ZVTableView& tableView, qreal delta) = 0;
};
