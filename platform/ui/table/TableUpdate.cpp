#include "platform/ui/table/TableUpdate.h"

#include <algorithm>

namespace platform {

namespace {

QString describe(IndexPath path) {
    return QStringLiteral("row %1 of section %2").arg(path.row).arg(path.section);
}

template <typename Key, typename Value>
bool has(const std::map<Key, Value>& map, const Key& key) {
    return map.find(key) != map.end();
}

// Fills `slots` new places: the fixed ones (inserted, moved in) are taken, the others get the
// survivors in their old order. Returns the survivor at each free place.
std::vector<int> fillFreePlaces(int places, const std::set<int>& fixed,
                                const std::vector<int>& survivors) {
    std::vector<int> placed(static_cast<std::size_t>(places), -1);
    std::size_t next = 0;
    for (int i = 0; i < places; ++i) {
        if (fixed.count(i) == 0 && next < survivors.size()) {
            placed[static_cast<std::size_t>(i)] = survivors[next++];
        }
    }
    return placed;
}

}  // namespace

void TableUpdate::insertRows(const std::vector<IndexPath>& paths, TableRowAnimation animation) {
    for (const IndexPath& path : paths) {
        insertedRows_[path] = animation;
    }
}

void TableUpdate::deleteRows(const std::vector<IndexPath>& paths, TableRowAnimation animation) {
    for (const IndexPath& path : paths) {
        deletedRows_[path] = animation;
    }
}

void TableUpdate::reloadRows(const std::vector<IndexPath>& paths, TableRowAnimation animation) {
    for (const IndexPath& path : paths) {
        reloadedRows_[path] = animation;
    }
}

void TableUpdate::moveRow(IndexPath from, IndexPath to) {
    movedRows_[from] = to;
}

void TableUpdate::insertSections(const std::set<int>& sections, TableRowAnimation animation) {
    for (const int s : sections) {
        insertedSections_[s] = animation;
    }
}

void TableUpdate::deleteSections(const std::set<int>& sections, TableRowAnimation animation) {
    for (const int s : sections) {
        deletedSections_[s] = animation;
    }
}

void TableUpdate::reloadSections(const std::set<int>& sections, TableRowAnimation animation) {
    for (const int s : sections) {
        reloadedSections_[s] = animation;
    }
}

void TableUpdate::moveSection(int from, int to) {
    movedSections_[from] = to;
}

bool TableUpdate::isEmpty() const {
    return insertedRows_.empty() && deletedRows_.empty() && reloadedRows_.empty() &&
           movedRows_.empty() && insertedSections_.empty() && deletedSections_.empty() &&
           reloadedSections_.empty() && movedSections_.empty();
}

TableUpdate::Resolution TableUpdate::resolve(const std::vector<int>& oldRows,
                                             const std::vector<int>& newRows) const {
    const int oldSections = static_cast<int>(oldRows.size());
    const int newSections = static_cast<int>(newRows.size());
    auto fail = [](QString error) { return Resolution{std::nullopt, std::move(error)}; };
    auto oldSection = [&](int s) { return s >= 0 && s < oldSections; };
    auto newSection = [&](int s) { return s >= 0 && s < newSections; };

    // --- sections ---
    std::set<int> fixedSections;
    for (const auto& [s, animation] : insertedSections_) {
        if (!newSection(s)) {
            return fail(
                QStringLiteral("inserted section %1 does not exist after the update").arg(s));
        }
        fixedSections.insert(s);
    }
    for (const auto& [s, animation] : deletedSections_) {
        if (!oldSection(s)) {
            return fail(QStringLiteral("deleted section %1 did not exist").arg(s));
        }
    }
    for (const auto& [s, animation] : reloadedSections_) {
        if (!oldSection(s) || has(deletedSections_, s)) {
            return fail(QStringLiteral("reloaded section %1 did not exist or was deleted").arg(s));
        }
    }
    for (const auto& [from, to] : movedSections_) {
        if (!oldSection(from) || !newSection(to) || has(deletedSections_, from) ||
            !fixedSections.insert(to).second) {
            return fail(QStringLiteral("section move %1 to %2 is not possible").arg(from).arg(to));
        }
    }
    std::vector<int> survivingSections;
    for (int s = 0; s < oldSections; ++s) {
        if (!has(deletedSections_, s) && !has(movedSections_, s)) {
            survivingSections.push_back(s);
        }
    }
    const int expectedSections = oldSections - static_cast<int>(deletedSections_.size()) +
                                 static_cast<int>(insertedSections_.size());
    if (newSections != expectedSections) {
        return fail(QStringLiteral("%1 sections after the update, but %2 before plus %3 inserted "
                                   "minus %4 deleted")
                        .arg(newSections)
                        .arg(oldSections)
                        .arg(insertedSections_.size())
                        .arg(deletedSections_.size()));
    }
    // sourceOf[new section] = the old section it continues, or -1 for a new one.
    std::vector<int> sourceOf = fillFreePlaces(newSections, fixedSections, survivingSections);
    for (const auto& [from, to] : movedSections_) {
        sourceOf[static_cast<std::size_t>(to)] = from;
    }

    Result result;
    // Sections whose rows are all new: inserted ones and reloaded ones.
    std::map<int, TableRowAnimation> freshSections = insertedSections_;
    for (int ns = 0; ns < newSections; ++ns) {
        const int os = sourceOf[static_cast<std::size_t>(ns)];
        if (os < 0) {
            continue;
        }
        if (const auto reloaded = reloadedSections_.find(os); reloaded != reloadedSections_.end()) {
            freshSections[ns] = reloaded->second;
        } else {
            result.keptSections[os] = ns;
        }
    }
    for (int os = 0; os < oldSections; ++os) {
        if (has(result.keptSections, os)) {
            continue;
        }
        const auto deleted = deletedSections_.find(os);
        const TableRowAnimation animation =
            deleted != deletedSections_.end() ? deleted->second : reloadedSections_.at(os);
        for (int r = 0; r < oldRows[static_cast<std::size_t>(os)]; ++r) {
            result.removed[{os, r}] = animation;
        }
    }
    for (const auto& [ns, animation] : freshSections) {
        for (int r = 0; r < newRows[static_cast<std::size_t>(ns)]; ++r) {
            result.added[{ns, r}] = animation;
        }
    }

    // --- rows ---
    auto oldRow = [&](IndexPath p) {
        return oldSection(p.section) && p.row >= 0 &&
               p.row < oldRows[static_cast<size_t>(p.section)];
    };
    for (const auto* changes : {&deletedRows_, &reloadedRows_}) {
        for (const auto& [path, animation] : *changes) {
            if (!oldRow(path)) {
                return fail(QStringLiteral("%1 did not exist").arg(describe(path)));
            }
        }
    }
    for (const auto& [from, to] : movedRows_) {
        if (!oldRow(from) || !has(result.keptSections, from.section) || has(deletedRows_, from) ||
            !newSection(to.section) || has(freshSections, to.section)) {
            return fail(QStringLiteral("the move of %1 is not possible").arg(describe(from)));
        }
    }
    for (const auto& [path, animation] : insertedRows_) {
        if (!newSection(path.section)) {
            return fail(QStringLiteral("inserted %1 is in no section").arg(describe(path)));
        }
    }

    for (const auto& [os, ns] : result.keptSections) {
        std::set<int> fixed;
        int inserted = 0;
        int movedIn = 0;
        for (auto it = insertedRows_.lower_bound({ns, 0});
             it != insertedRows_.end() && it->first.section == ns; ++it) {
            fixed.insert(it->first.row);
            ++inserted;
        }
        for (const auto& [from, to] : movedRows_) {
            if (to.section == ns) {
                if (!fixed.insert(to.row).second) {
                    return fail(QStringLiteral("two rows go to %1").arg(describe(to)));
                }
                ++movedIn;
            }
        }
        std::vector<int> survivors;
        int deleted = 0;
        int movedOut = 0;
        const int before = oldRows[static_cast<std::size_t>(os)];
        for (int r = 0; r < before; ++r) {
            if (has(deletedRows_, {os, r})) {
                ++deleted;
            } else if (has(movedRows_, {os, r})) {
                ++movedOut;
            } else {
                survivors.push_back(r);
            }
        }
        const int after = newRows[static_cast<std::size_t>(ns)];
        const int expected = before + inserted - deleted + movedIn - movedOut;
        if (after != expected || (!fixed.empty() && *fixed.rbegin() >= after)) {
            return fail(QStringLiteral("section %1 has %2 rows after the update, but %3 before, "
                                       "%4 inserted, %5 deleted, %6 moved in and %7 moved out")
                            .arg(ns)
                            .arg(after)
                            .arg(before)
                            .arg(inserted)
                            .arg(deleted)
                            .arg(movedIn)
                            .arg(movedOut));
        }
        const std::vector<int> placed = fillFreePlaces(after, fixed, survivors);
        for (int nr = 0; nr < after; ++nr) {
            const int r = placed[static_cast<std::size_t>(nr)];
            if (r < 0) {
                continue;
            }
            if (const auto reload = reloadedRows_.find({os, r}); reload != reloadedRows_.end()) {
                result.removed[{os, r}] = reload->second;
                result.added[{ns, nr}] = reload->second;
            } else {
                result.kept[{os, r}] = {ns, nr};
            }
        }
        for (int r = 0; r < before; ++r) {
            if (const auto del = deletedRows_.find({os, r}); del != deletedRows_.end()) {
                result.removed[{os, r}] = del->second;
            }
        }
        for (auto it = insertedRows_.lower_bound({ns, 0});
             it != insertedRows_.end() && it->first.section == ns; ++it) {
            result.added[it->first] = it->second;
        }
    }
    for (const auto& [from, to] : movedRows_) {
        result.kept[from] = to;
    }
    return {std::move(result), {}};
}

}  // namespace platform
