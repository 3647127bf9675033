#include "platform/ui/table/TableUpdate.h"

#include <gtest/gtest.h>

#include <functional>

using namespace platform;
using A = TableRowAnimation;

namespace {

struct Case {
    const char* name;
    std::vector<int> before;
    std::vector<int> after;
    std::function<void(TableUpdate&)> changes;
    // For a valid update: where old rows went, which old rows left and which new rows came.
    std::map<IndexPath, IndexPath> kept;
    std::set<IndexPath> removed;
    std::set<IndexPath> added;
};

template <typename Map>
std::set<IndexPath> keys(const Map& map) {
    std::set<IndexPath> out;
    for (const auto& entry : map) {
        out.insert(entry.first);
    }
    return out;
}

}  // namespace

TEST(TableUpdate, ValidChangesMapEveryOldRow) {
    const Case cases[] = {
        {"insert in the middle",
         {3},
         {4},
         [](TableUpdate& u) {
             u.insertRows({{0, 1}}, A::Top);
         },
         {{{0, 0}, {0, 0}}, {{0, 1}, {0, 2}}, {{0, 2}, {0, 3}}},
         {},
         {{0, 1}}},
        {"deletes name old rows, inserts new ones",
         {4},
         {4},
         [](TableUpdate& u) {
             u.deleteRows({{0, 0}}, A::Fade);
             u.insertRows({{0, 3}}, A::Fade);
         },
         {{{0, 1}, {0, 0}}, {{0, 2}, {0, 1}}, {{0, 3}, {0, 2}}},
         {{0, 0}},
         {{0, 3}}},
        {"move down within a section",
         {4},
         {4},
         [](TableUpdate& u) {
             u.moveRow({0, 0}, {0, 2});
         },
         {{{0, 0}, {0, 2}}, {{0, 1}, {0, 0}}, {{0, 2}, {0, 1}}, {{0, 3}, {0, 3}}},
         {},
         {}},
        {"move to another section",
         {2, 1},
         {1, 2},
         [](TableUpdate& u) {
             u.moveRow({0, 1}, {1, 0});
         },
         {{{0, 0}, {0, 0}}, {{0, 1}, {1, 0}}, {{1, 0}, {1, 1}}},
         {},
         {}},
        {"reload replaces a row in place",
         {2},
         {2},
         [](TableUpdate& u) {
             u.reloadRows({{0, 1}}, A::None);
         },
         {{{0, 0}, {0, 0}}},
         {{0, 1}},
         {{0, 1}}},
        {"section inserted before: rows shift down a section",
         {1},
         {2, 1},
         [](TableUpdate& u) { u.insertSections({0}, A::Fade); },
         {{{0, 0}, {1, 0}}},
         {},
         {{0, 0}, {0, 1}}},
        {"section deleted with its rows, a row deleted in it too",
         {2, 1},
         {1},
         [](TableUpdate& u) {
             u.deleteSections({0}, A::Fade);
             u.deleteRows({{0, 1}}, A::Fade);
         },
         {{{1, 0}, {0, 0}}},
         {{0, 0}, {0, 1}},
         {}},
        {"section reloaded with another count",
         {1, 2},
         {1, 5},
         [](TableUpdate& u) { u.reloadSections({1}, A::Fade); },
         {{{0, 0}, {0, 0}}},
         {{1, 0}, {1, 1}},
         {{1, 0}, {1, 1}, {1, 2}, {1, 3}, {1, 4}}},
        {"sections swapped by a move",
         {1, 2},
         {2, 1},
         [](TableUpdate& u) { u.moveSection(1, 0); },
         {{{0, 0}, {1, 0}}, {{1, 0}, {0, 0}}, {{1, 1}, {0, 1}}},
         {},
         {}},
        {"nothing but new heights",
         {2},
         {2},
         [](TableUpdate&) {},
         {{{0, 0}, {0, 0}}, {{0, 1}, {0, 1}}},
         {},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TableUpdate update;
        c.changes(update);
        const auto resolution = update.resolve(c.before, c.after);
        ASSERT_TRUE(resolution.result) << resolution.error.toStdString();
        EXPECT_EQ(resolution.result->kept, c.kept);
        EXPECT_EQ(keys(resolution.result->removed), c.removed);
        EXPECT_EQ(keys(resolution.result->added), c.added);
    }
}

TEST(TableUpdate, ChangesThatDoNotAddUpAreRefusedWithAReason) {
    struct Invalid {
        const char* name;
        std::vector<int> before;
        std::vector<int> after;
        std::function<void(TableUpdate&)> changes;
    };
    const Invalid cases[] = {
        {"insert the data source did not make",
         {3},
         {3},
         [](TableUpdate& u) {
             u.insertRows({{0, 0}}, A::Fade);
         }},
        {"delete the data source did not make",
         {3},
         {3},
         [](TableUpdate& u) {
             u.deleteRows({{0, 0}}, A::Fade);
         }},
        {"rows changed without telling", {3}, {4}, [](TableUpdate&) {}},
        {"delete past the end",
         {3},
         {2},
         [](TableUpdate& u) {
             u.deleteRows({{0, 3}}, A::Fade);
         }},
        {"insert past the new end",
         {3},
         {4},
         [](TableUpdate& u) {
             u.insertRows({{0, 4}}, A::Fade);
         }},
        {"section count off", {1}, {1, 1}, [](TableUpdate&) {}},
        {"two rows moved to one place",
         {3},
         {3},
         [](TableUpdate& u) {
             u.moveRow({0, 0}, {0, 2});
             u.moveRow({0, 1}, {0, 2});
         }},
        {"a deleted row moved",
         {3},
         {2},
         [](TableUpdate& u) {
             u.deleteRows({{0, 0}}, A::Fade);
             u.moveRow({0, 0}, {0, 1});
         }},
        {"section in no table",
         {1},
         {1},
         [](TableUpdate& u) {
             u.deleteRows({{4, 0}}, A::Fade);
         }},
    };
    for (const Invalid& c : cases) {
        SCOPED_TRACE(c.name);
        TableUpdate update;
        c.changes(update);
        const auto resolution = update.resolve(c.before, c.after);
        EXPECT_FALSE(resolution.result);
        EXPECT_FALSE(resolution.error.isEmpty());
    }
}
