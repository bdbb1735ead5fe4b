// Rows grouped by key in one flat list: the request index's lookups of "all
// rows of a key, in list order" without one allocation per key. Master lists
// hold the rows of one key mostly in a run, so grouping costs about one hash
// probe per run.
#pragma once

#include <span>
#include <unordered_map>
#include <vector>

#include "common/types.h"

namespace vdz {

template <class Key, class Row>
class GroupedRows {
  public:
    // The rows of `key` in the order they were given; empty when none.
    std::span<const Row> find(const Key& key) const {
        const auto found = groups_.find(key);
        if (found == groups_.end()) return {};
        return {rows_.data() + found->second.begin, found->second.count};
    }
    usize key_count() const { return groups_.size(); }

    // Groups the rows that `each(emit)` emits as emit(key, row), keeping
    // their order within each key. `each` is called three times and must
    // emit the same rows each time.
    template <class Each>
    void build(Each each) {
        groups_.clear();
        rows_.clear();
        // 1. Rows per key, one probe per run of equal keys.
        for_each_run(each, [&](const Key& key, usize length) { groups_[key].count += length; });
        // 2. Places in the flat list, in order of first appearance.
        usize offset = 0;
        for_each_run(each, [&](const Key& key, usize) {
            Group& group = groups_[key];
            if (group.filled == 0 && !group.placed) {
                group.begin = offset;
                group.placed = true;
                offset += group.count;
            }
        });
        rows_.resize(offset);
        // 3. The rows, each into its key's next place.
        Group* group = nullptr;
        Key last{};
        each([&](const Key& key, const Row& row) {
            if (!group || !(key == last)) {
                group = &groups_[key];
                last = key;
            }
            rows_[group->begin + group->filled++] = row;
        });
    }

    // Rewrites each key's rows in place; `edit` gets the key's rows and
    // returns how many of them to keep (from the front).
    template <class Edit>
    void edit_groups(Edit edit) {
        for (auto& [key, group] : groups_)
            group.count = edit(std::span<Row>(rows_.data() + group.begin, group.count));
    }

  private:
    struct Group {
        usize begin = 0;
        usize count = 0;
        usize filled = 0;
        bool placed = false;
    };

    // Calls `on_run(key, length)` for every run of equal consecutive keys.
    template <class Each, class OnRun>
    static void for_each_run(Each& each, OnRun on_run) {
        bool open = false;
        Key current{};
        usize length = 0;
        each([&](const Key& key, const Row&) {
            if (open && key == current) {
                ++length;
                return;
            }
            if (open) on_run(current, length);
            open = true;
            current = key;
            length = 1;
        });
        if (open) on_run(current, length);
    }

    std::vector<Row> rows_;
    std::unordered_map<Key, Group> groups_;
};

}  // namespace vdz
