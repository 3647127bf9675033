#pragma once

#include "platform/ui/table/IndexPath.h"
#include "platform/ui/table/TableRowAnimation.h"

#include <QtCore/QString>

#include <map>
#include <optional>
#include <set>
#include <vector>

namespace platform {

// The row and section changes of one update of a table, and what they make of the old rows.
//
// As on the platform, deletions, reloads and the sources of moves name rows and sections as they
// were before the update; insertions and the destinations of moves name them as they are after.
class TableUpdate {
public:
    void insertRows(const std::vector<IndexPath>& paths, TableRowAnimation animation);
    void deleteRows(const std::vector<IndexPath>& paths, TableRowAnimation animation);
    void reloadRows(const std::vector<IndexPath>& paths, TableRowAnimation animation);
    void moveRow(IndexPath from, IndexPath to);
    void insertSections(const std::set<int>& sections, TableRowAnimation animation);
    void deleteSections(const std::set<int>& sections, TableRowAnimation animation);
    void reloadSections(const std::set<int>& sections, TableRowAnimation animation);
    void moveSection(int from, int to);

    bool isEmpty() const;

    // Where each old row went.
    struct Result {
        // Old rows that are still there (moved ones included), at their new place.
        std::map<IndexPath, IndexPath> kept;
        // Old rows that are gone (deleted, reloaded, or in a deleted or reloaded section), with
        // how they leave.
        std::map<IndexPath, TableRowAnimation> removed;
        // New rows that did not exist before (inserted, reloaded, or in an inserted or reloaded
        // section), with how they come.
        std::map<IndexPath, TableRowAnimation> added;
        // New place of each old section that is still there.
        std::map<int, int> keptSections;
    };

    // Resolves the changes against the row counts before (`oldRows[s]`: rows of section s) and
    // after. A change that names a row or section that does not exist, or counts after that are
    // not the counts before plus the insertions minus the deletions, is an error, described.
    struct Resolution {
        std::optional<Result> result;
        QString error;
    };
    Resolution resolve(const std::vector<int>& oldRows, const std::vector<int>& newRows) const;

private:
    std::map<IndexPath, TableRowAnimation> insertedRows_;
    std::map<IndexPath, TableRowAnimation> deletedRows_;
    std::map<IndexPath, TableRowAnimation> reloadedRows_;
    std::map<IndexPath, IndexPath> movedRows_;  // from → to
    std::map<int, TableRowAnimation> insertedSections_;
    std::map<int, TableRowAnimation> deletedSections_;
    std::map<int, TableRowAnimation> reloadedSections_;
    std::map<int, int> movedSections_;  // from → to
};

}  // namespace platform
