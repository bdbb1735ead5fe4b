// The table behind the reachable tiers. Outside the final chapter a deck's
// event bonus is 0.1 x the sum of its cards' totals in tenths, plus, in a
// World Bloom event, the bonus of its number of distinct attributes and its
// support sum: the first `count` support entries whose cards are not in the
// deck. The table runs over characters (over card ids where characters may
// repeat), one card or none each, and keeps for each number of cards,
// attribute set and support state the set of reachable sums as a bitset.
// Support entries beyond the first `count` + 5 are never reached, since a
// deck removes at most five; within them, adjacent entries of equal value
// are interchangeable (removing either leaves the same values in the same
// order), so a support state is the multiset of runs of equal values the
// deck's cards remove. At the end every sum of every complete state is
// turned into its key exactly as the evaluator forms it. The same table over
// what a partial deck in the fixed slots' runs still takes tells its node
// which tiers its completions can land on.
#include "search/bounds/reachable_bonus.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <unordered_map>

#include "common/check.h"
#include "common/numeric.h"
#include "search/evaluation/deck_key.h"

namespace vdz {
namespace {

constexpr u8 NO_RUN = 0xFF;
// Removed runs: five bytes, ascending, NO_RUN where unused.
constexpr u64 NO_RUNS = 0xFF'FFFF'FFFFull;

// A state's key: removed runs in bits 0..39, attribute set in 40..47, cards in
// 48..55.
u64 state_key(u64 runs, u32 attrs, u32 cards) {
    return runs | (u64{attrs} << 40) | (u64{cards} << 48);
}
u64 runs_of(u64 key) {
    return key & NO_RUNS;
}
u32 attrs_of(u64 key) {
    return static_cast<u32>((key >> 40) & 0xFF);
}
u32 cards_of(u64 key) {
    return static_cast<u32>(key >> 48);
}

// `runs` with one more removal of run `r`.
u64 add_run(u64 runs, u8 r) {
    std::array<u8, 6> v{};
    for (usize i = 0; i < 5; ++i)
        v[i] = static_cast<u8>(runs >> (8 * i));
    v[5] = r;
    std::sort(v.begin(), v.end());
    u64 out = 0;
    for (usize i = 0; i < 5; ++i)
        out |= u64{v[i]} << (8 * i);
    return out;
}

// One card as the table sees it.
// Ordered by attribute and run first, which groups the items that lead to
// one state.
struct Item {
    u8 attr_bit = 0;  // 1 << (attr & 7) in a World Bloom event, else 0
    u8 run = NO_RUN;  // the support run its card id sits in
    u32 x10 = 0;      // event bonus total, tenths of a percent

    auto operator<=>(const Item&) const = default;
};

u8 support_run_of(const std::vector<u16>& ids, const std::vector<u8>& run, u16 card_id) {
    u8 found = NO_RUN;
    for (usize i = 0; i < ids.size(); ++i)
        if (ids[i] == card_id) found = run[i];
    return found;
}

// The support sum of a deck removing `runs`, summed in list order as the
// evaluator sums it.
double support_sum(const std::vector<double>& values, const std::vector<u8>& run, usize count,
                   u64 runs) {
    std::array<u8, 256> removed{};
    for (usize i = 0; i < 5; ++i) {
        const u8 r = static_cast<u8>(runs >> (8 * i));
        if (r != NO_RUN) ++removed[r];
    }
    double total = 0.0;
    usize taken = 0;
    for (usize i = 0; i < values.size() && taken < count; ++i) {
        if (removed[run[i]] != 0) {
            --removed[run[i]];
            continue;
        }
        total += values[i];
        ++taken;
    }
    return total;
}

// The support list as far as a deck can reach into it.
struct SupportRuns {
    bool on = false;
    bool exact = true;
    std::vector<double> values;  // the reachable entries, in list order
    std::vector<u16> ids;
    std::vector<u8> run;  // run of each entry
    usize count = 0;      // entries a deck takes

    u8 run_of(u16 card_id) const { return support_run_of(ids, run, card_id); }
    double sum(u64 runs) const { return support_sum(values, run, count, runs); }
};

SupportRuns support_runs(const SearchContext& context) {
    SupportRuns s;
    const SupportDeckList& list = context.world_bloom_support.general;
    if (!context.world_bloom || list.count == 0 || list.entries.empty()) return s;
    s.on = true;
    s.count = list.count;
    const usize reach = std::min(list.entries.size(), s.count + 5);
    if (reach >= NO_RUN) {
        s.exact = false;
        return s;
    }
    u8 run = 0;
    for (usize i = 0; i < reach; ++i) {
        const SupportEntry& e = list.entries[i];
        if (i > 0 && e.value != s.values.back()) ++run;
        if (std::find(s.ids.begin(), s.ids.end(), e.card_id) != s.ids.end()) s.exact = false;
        s.values.push_back(e.value);
        s.ids.push_back(e.card_id);
        s.run.push_back(run);
    }
    return s;
}

// Bitsets of sums, one per state.
class SumTable {
  public:
    explicit SumTable(usize words) : words_(words) {}

    usize size() const { return keys_.size(); }
    u64 key(usize i) const { return keys_[i]; }
    const u64* bits(usize i) const { return bits_.data() + i * words_; }
    u64* bits(usize i) { return bits_.data() + i * words_; }

    // The index of row `key`, added empty when new.
    usize row(u64 key) {
        const auto [at, added] = index_.try_emplace(key, keys_.size());
        if (added) {
            keys_.push_back(key);
            bits_.resize(bits_.size() + words_, 0);
        }
        return at->second;
    }

    // Row `to` |= `from` shifted up by `shift` bits, where `from` has no set
    // bit in words `used` and above.
    void or_shifted(usize to, const u64* from, usize used, usize shift) {
        u64* out = bits(to);
        const usize whole = shift / 64, part = shift % 64;
        const usize end = std::min(words_, used + whole + 1);
        for (usize w = end; w-- > whole;) {
            const usize src = w - whole;
            u64 v = src < used ? from[src] << part : 0;
            if (part != 0 && src > 0) v |= from[src - 1] >> (64 - part);
            out[w] |= v;
        }
    }

  private:
    usize words_;
    std::unordered_map<u64, usize> index_;
    std::vector<u64> keys_;
    std::vector<u64> bits_;
};

// One step of the table: every state either takes none of `items` (unless
// `required`) or one of them. Items of one attribute and support run lead
// from a state to the same state.
SumTable take_one_of(const SumTable& from, const std::vector<Item>& items, bool required,
                     usize words) {
    SumTable next(words);
    if (!required) {
        for (usize i = 0; i < from.size(); ++i) {
            const usize to = next.row(from.key(i));
            std::copy(from.bits(i), from.bits(i) + words, next.bits(to));
        }
    }
    // Items sorted by attribute and run: one class per run of equal pairs.
    std::vector<usize> class_start;
    for (usize j = 0; j < items.size(); ++j) {
        if (j == 0 || items[j].attr_bit != items[j - 1].attr_bit ||
            items[j].run != items[j - 1].run) {
            class_start.push_back(j);
        }
    }
    class_start.push_back(items.size());
    const usize classes = class_start.size() - 1;
    // 1. The state each class leads to, made before any row is written.
    std::vector<usize> target(from.size() * classes, SIZE_MAX);
    for (usize i = 0; i < from.size(); ++i) {
        const u64 key = from.key(i);
        if (cards_of(key) >= 5) continue;
        for (usize c = 0; c < classes; ++c) {
            const Item& item = items[class_start[c]];
            const u64 runs = item.run == NO_RUN ? runs_of(key) : add_run(runs_of(key), item.run);
            target[i * classes + c] =
                next.row(state_key(runs, attrs_of(key) | item.attr_bit, cards_of(key) + 1));
        }
    }
    // 2. The sums.
    for (usize i = 0; i < from.size(); ++i) {
        if (cards_of(from.key(i)) >= 5) continue;
        const u64* src = from.bits(i);
        usize used = words;
        while (used > 0 && src[used - 1] == 0)
            --used;
        if (used == 0) continue;
        for (usize c = 0; c < classes; ++c) {
            const usize to = target[i * classes + c];
            for (usize j = class_start[c]; j < class_start[c + 1]; ++j)
                next.or_shifted(to, src, used, items[j].x10);
        }
    }
    return next;
}

Item item_of(const CardPool& pool, const SearchContext& context, const SupportRuns& support,
             u16 i) {
    Item item;
    item.x10 = pool.event_bonus(i).total_x10();
    if (context.world_bloom) item.attr_bit = static_cast<u8>(1u << (pool.attr(i) & 7u));
    if (support.on) item.run = support.run_of(pool.card_id(i));
    return item;
}

void sort_unique(std::vector<Item>& items) {
    std::sort(items.begin(), items.end());
    items.erase(std::unique(items.begin(), items.end()), items.end());
}

// The pool's cards grouped as the table takes them: per character, or per
// card id where characters may repeat; a group with a fixed card offers that
// card only and must be taken, as must a fixed character's group.
struct Group {
    std::vector<Item> items;
    bool required = false;
};

std::vector<Group> card_groups(const CardPool& pool, const SearchContext& context,
                               const SupportRuns& support) {
    const bool per_character = context.dominance_pruning;
    std::unordered_map<u32, usize> group_of;
    std::vector<Group> groups;
    std::vector<u32> group_names;
    const auto fixed_card = [&](u16 id) {
        return std::find(context.fixed_cards.begin(), context.fixed_cards.end(), id) !=
               context.fixed_cards.end();
    };
    // Characters whose card is fixed take that card only.
    u32 fixed_card_characters = 0;
    for (u16 i = 0; i < pool.count(); ++i)
        if (fixed_card(pool.card_id(i))) fixed_card_characters |= 1u << pool.character_id(i);
    for (u16 i = 0; i < pool.count(); ++i) {
        const u8 character = pool.character_id(i);
        const u32 name = per_character ? character : u32{pool.card_id(i)};
        const auto [at, added] = group_of.try_emplace(name, groups.size());
        if (added) {
            groups.emplace_back();
            group_names.push_back(name);
        }
        Group& g = groups[at->second];
        const bool fixed = fixed_card(pool.card_id(i));
        if (per_character && ((fixed_card_characters >> character) & 1) && !fixed) continue;
        g.required |= fixed;
        g.items.push_back(item_of(pool, context, support, i));
    }
    // A fixed character must give a card (challenge lives take none).
    if (per_character) {
        for (usize g = 0; g < groups.size(); ++g) {
            for (const u8 c : context.fixed_characters)
                if (group_names[g] == c) groups[g].required = true;
        }
    }
    for (Group& g : groups)
        sort_unique(g.items);
    // Required groups first, since a table without their cards dies early;
    // then the groups without support cards, which keep the table small, and
    // last those that split it by support state.
    const auto rank = [](const Group& g) {
        if (g.required) return 0;
        const bool support = std::any_of(g.items.begin(), g.items.end(),
                                         [](const Item& item) { return item.run != NO_RUN; });
        return support ? 2 : 1;
    };
    std::stable_sort(groups.begin(), groups.end(),
                     [&](const Group& a, const Group& b) { return rank(a) < rank(b); });
    return groups;
}

// Whether every fixed card and fixed character has a card in the pool.
bool constraints_present(const CardPool& pool, const SearchContext& context) {
    const auto has = [&](auto pred) {
        for (u16 i = 0; i < pool.count(); ++i)
            if (pred(i)) return true;
        return false;
    };
    for (const u16 id : context.fixed_cards)
        if (!has([&](u16 i) { return pool.card_id(i) == id; })) return false;
    if (context.dominance_pruning) {
        for (const u8 c : context.fixed_characters)
            if (!has([&](u16 i) { return pool.character_id(i) == c; })) return false;
    }
    return true;
}

}  // namespace

bool ReachableBonuses::may_reach(u32 doubled_bonus) const {
    return !known || std::binary_search(keys.begin(), keys.end(), doubled_bonus);
}

ReachableBonuses reachable_bonuses(const CardPool& pool, const SearchContext& context) {
    ReachableBonuses out;
    if (context.final_chapter) return out;
    const SupportRuns support = support_runs(context);
    if (!support.exact) return out;
    out.known = true;
    if (pool.count() < 5 || !constraints_present(pool, context)) return out;
    // 1. Sums reach at most the five largest totals together.
    std::vector<u32> totals;
    for (u16 i = 0; i < pool.count(); ++i)
        totals.push_back(pool.event_bonus(i).total_x10());
    std::sort(totals.begin(), totals.end(), std::greater<u32>());
    u32 largest = 0;
    for (usize i = 0; i < 5; ++i)
        largest += totals[i];
    const usize words = largest / 64 + 1;
    // 2. The table, group by group, from the empty deck.
    SumTable table(words);
    table.bits(table.row(state_key(NO_RUNS, 0, 0)))[0] = 1;
    for (const Group& group : card_groups(pool, context, support))
        table = take_one_of(table, group.items, group.required, words);
    // 3. The sums of the five-card states, merged where the attribute and
    // support bonuses agree, each keyed as the evaluator keys it.
    std::map<std::pair<double, double>, std::vector<u64>> by_extra;
    for (usize i = 0; i < table.size(); ++i) {
        const u64 key = table.key(i);
        if (cards_of(key) != 5) continue;
        const double attr_bonus =
            context.world_bloom
                ? context.distinct_attr_bonus[std::min<u32>(bit_count(attrs_of(key)), 5)]
                : 0.0;
        const double support_sum = support.on ? support.sum(runs_of(key)) : 0.0;
        std::vector<u64>& sums = by_extra[{attr_bonus, support_sum}];
        sums.resize(words, 0);
        for (usize w = 0; w < words; ++w)
            sums[w] |= table.bits(i)[w];
    }
    for (const auto& [extra, sums] : by_extra) {
        for (usize w = 0; w < words; ++w) {
            for (u64 v = sums[w]; v != 0; v &= v - 1) {
                const u32 x10 = static_cast<u32>(64 * w + static_cast<usize>(__builtin_ctzll(v)));
                double bonus = 0.1 * x10;
                if (context.world_bloom) {
                    bonus += extra.first;
                    bonus += extra.second;
                }
                KeyInputs in;
                in.event_bonus = bonus;
                const u32 doubled = static_cast<u32>(deck_key(Target::BONUS, true, in) >> 32);
                if (out.keys.empty() || out.keys.back() != doubled) out.keys.push_back(doubled);
            }
        }
    }
    std::sort(out.keys.begin(), out.keys.end());
    out.keys.erase(std::unique(out.keys.begin(), out.keys.end()), out.keys.end());
    return out;
}

CompletionBonusReach completion_bonus_reach(const CardPool& pool, const SearchContext& context,
                                            const FixedSlotLayout& layout) {
    CompletionBonusReach out;
    if (context.final_chapter || !layout.on() || pool.count() < 5) return out;
    const SupportRuns support = support_runs(context);
    if (!support.exact) return out;
    out.pool_ = &pool;
    out.world_bloom_ = context.world_bloom;
    for (usize a = 0; a < 6; ++a)
        out.attr_bonus_[a] = context.distinct_attr_bonus[a];
    if (support.on) {
        out.support_values_ = support.values;
        out.support_ids_ = support.ids;
        out.support_run_ = support.run;
        out.support_count_ = support.count;
    }
    u32 largest = 0;
    for (u16 i = 0; i < pool.count(); ++i) {
        const Item item = item_of(pool, context, support, i);
        largest = std::max<u32>(largest, item.x10);
        out.run_at_.push_back(item.run);
        out.attr_at_.push_back(item.attr_bit);
        out.x10_at_.push_back(item.x10);
    }
    const usize words = 5 * usize{largest} / 64 + 1;
    // The cards after the runs, one group per character: the search takes
    // them of distinct characters, so a group offers at most one.
    std::map<u8, std::vector<Item>> after;
    for (usize i = layout.end; i < pool.count(); ++i) {
        const u16 card = static_cast<u16>(i);
        after[pool.character_id(card)].push_back(item_of(pool, context, support, card));
    }
    for (auto& [character, items] : after)
        sort_unique(items);
    // A node of d cards, with one or more to come, is asked while its cards
    // lie in the runs, and so is its parent about it.
    const usize depths = std::min<usize>(layout.slots(), 4) + 1;
    out.by_depth_.resize(depths);
    for (usize d = 1; d < depths; ++d) {
        SumTable table(words);
        table.bits(table.row(state_key(NO_RUNS, 0, 0)))[0] = 1;
        for (usize g = d; g < layout.slots(); ++g) {
            std::vector<Item> items;
            for (usize i = layout.begin[g]; i < layout.run_end(g); ++i)
                items.push_back(item_of(pool, context, support, static_cast<u16>(i)));
            sort_unique(items);
            table = take_one_of(table, items, true, words);
        }
        for (const auto& [character, items] : after)
            table = take_one_of(table, items, false, words);
        for (usize i = 0; i < table.size(); ++i) {
            const u64 key = table.key(i);
            if (cards_of(key) != 5 - d) continue;
            const u64* bits = table.bits(i);
            out.by_depth_[d].push_back({runs_of(key), static_cast<u8>(attrs_of(key)),
                                        std::vector<u64>(bits, bits + words)});
        }
        // A depth no completion fills is left on with no state: every tier
        // is out of reach.
        if (out.by_depth_[d].empty()) out.by_depth_[d].push_back({NO_RUNS, 0, {}});
    }
    return out;
}

std::vector<CompletionBonusReach::ByExtra>& CompletionBonusReach::by_extra(usize depth,
                                                                           u64 placed_runs,
                                                                           u8 placed_attrs) const {
    const u64 name = placed_runs | (u64{placed_attrs} << 40) | (u64{depth} << 48);
    const auto [at, added] = merged_.try_emplace(name);
    if (!added) return at->second;
    std::vector<ByExtra>& out = at->second;
    for (const State& state : by_depth_[depth]) {
        if (state.bits.empty()) continue;
        u64 runs = placed_runs;
        for (usize i = 0; i < 5; ++i) {
            const u8 r = static_cast<u8>(state.runs >> (8 * i));
            if (r != NO_RUN) runs = add_run(runs, r);
        }
        double extra = 0.0;
        if (world_bloom_) {
            extra += attr_bonus_[std::min<u32>(bit_count(placed_attrs | state.attrs), 5)];
            if (support_count_ != 0)
                extra += support_sum(support_values_, support_run_, support_count_, runs);
        }
        auto same = std::find_if(out.begin(), out.end(),
                                 [&](const ByExtra& e) { return e.extra == extra; });
        if (same == out.end()) {
            out.push_back({extra, state.bits, {}});
        } else {
            for (usize w = 0; w < state.bits.size(); ++w)
                same->bits[w] |= state.bits[w];
        }
    }
    return out;
}

CompletionBonusReach::Placed CompletionBonusReach::placed(usize depth,
                                                          const DeckSlots& partial) const {
    Placed p{NO_RUNS, 0, 0};
    for (usize s = 0; s < depth; ++s)
        p = with_card(p, partial[s]);
    return p;
}

CompletionBonusReach::Placed CompletionBonusReach::with_card(const Placed& p, u16 card) const {
    Placed out = p;
    out.x10 += x10_at_[card];
    if (world_bloom_) out.attrs |= attr_at_[card];
    if (support_count_ != 0 && run_at_[card] != NO_RUN) out.runs = add_run(out.runs, run_at_[card]);
    return out;
}

u64 CompletionBonusReach::reachable_tiers(usize depth, const DeckSlots& partial,
                                          std::span<const u32> tier_keys) const {
    return reachable_tiers(depth, placed(depth, partial), tier_keys);
}

std::vector<CompletionBonusReach::ByExtra>& CompletionBonusReach::windowed(
    usize depth, u64 placed_runs, u8 placed_attrs, std::span<const u32> tier_keys) const {
    std::vector<ByExtra>& list = by_extra(depth, placed_runs, placed_attrs);
    for (ByExtra& merged : list) {
        if (merged.windows.size() == tier_keys.size()) continue;
        merged.windows.clear();
        // A deck of total x (tenths) lands on tier K where round(2 (x / 10 +
        // extra)) is K, so x lies within 5 K - 10 extra +- 2.5; a tenth more
        // each side covers the rounding of the sum.
        for (const u32 key : tier_keys) {
            const double centre = 5.0 * key - 10.0 * merged.extra;
            merged.windows.emplace_back(static_cast<i64>(std::floor(centre - 2.5)) - 1,
                                        static_cast<i64>(std::ceil(centre + 2.5)) + 1);
        }
    }
    return list;
}

namespace {

// Whether `bits` has a bit set within `lo`..=`hi`.
bool any_bit_within(const std::vector<u64>& bits, i64 lo, i64 hi) {
    lo = std::max<i64>(lo, 0);
    hi = std::min<i64>(hi, static_cast<i64>(64 * bits.size()) - 1);
    for (i64 w = lo / 64; w <= hi / 64 && lo <= hi; ++w) {
        u64 word = bits[static_cast<usize>(w)];
        if (w == lo / 64) word &= ~u64{0} << (lo % 64);
        if (w == hi / 64 && hi % 64 != 63) word &= (u64{1} << (hi % 64 + 1)) - 1;
        if (word != 0) return true;
    }
    return false;
}

}  // namespace

const std::vector<u64>& CompletionBonusReach::run_tiers(usize depth, const Placed& p, usize begin,
                                                        usize end, std::span<const u32> tier_keys,
                                                        std::vector<u64>& spare) const {
    // Kept within a few megabytes; past that, each node forms its own.
    constexpr usize KEPT = usize{1} << 13;
    const u64 name =
        p.runs | (u64{p.attrs} << 40) | (u64{depth} << 48) | (static_cast<u64>(p.x10) << 51);
    const bool named = p.x10 < (i64{1} << 13);
    if (named) {
        if (const auto known = run_tiers_.find(name); known != run_tiers_.end())
            return known->second;
    }
    std::vector<u64>& out = named && run_tiers_.size() < KEPT ? run_tiers_[name] : spare;
    out.clear();
    for (usize i = begin; i < end; ++i)
        out.push_back(reachable_tiers(depth, with_card(p, static_cast<u16>(i)), tier_keys));
    return out;
}

u64 CompletionBonusReach::reachable_tiers(usize depth, const Placed& p,
                                          std::span<const u32> tier_keys) const {
    // Runs in bits 0..39, attributes 40..47, depth 48..50, total 51..63.
    const u64 name =
        p.runs | (u64{p.attrs} << 40) | (u64{depth} << 48) | (static_cast<u64>(p.x10) << 51);
    const bool named = p.x10 < (i64{1} << 13);
    if (masks_.empty()) masks_.resize(usize{1} << 17);
    KnownMask& known = masks_[((name * 0x9E3779B97F4A7C15ull) >> 40) & (masks_.size() - 1)];
    if (named && known.name == name) return known.mask;
    const u64 all = tier_keys.size() >= 64 ? ~u64{0} : (u64{1} << tier_keys.size()) - 1;
    u64 mask = 0;
    for (const ByExtra& merged : windowed(depth, p.runs, p.attrs, tier_keys)) {
        if (merged.bits.empty()) continue;
        for (usize t = 0; t < tier_keys.size(); ++t) {
            if ((mask >> t) & 1) continue;
            if (any_bit_within(merged.bits, merged.windows[t].first - p.x10,
                               merged.windows[t].second - p.x10))
                mask |= u64{1} << t;
        }
        if (mask == all) break;
    }
    if (named) known = {name, mask};
    return mask;
}

}  // namespace vdz
