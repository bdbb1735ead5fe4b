// The depth-first search's node under bonus tiers, by cards of one bonus
// total: the next card's runs of equal bonus where the pool is listed by
// bonus, the stand-in of cards of one total and the blocks of a run with
// one or two cards after it, and the last cards of a run, each asked for
// all its cards before any is placed. Why each test holds is said where it
// is made.
#include <algorithm>
#include <cstddef>
#include <optional>
#include <vector>

#include "common/check.h"
#include "common/numeric.h"
#include "search/dfs/dfs_node.h"

namespace vdz {

PartialSums DfsNode::range_stand_in(usize l, usize r, std::optional<u64> placed_unit) {
    const i64 total = total_at(l);
    PartialSums run = sums_;
    run.bonus_sum += ceil_percent(static_cast<u32>(total));
    run.bonus_x10 += static_cast<u32>(total);
    // The placed cards' skill values at most what each resolves to in a
    // deck of the free cards more: found once per node.
    if (!pair_placed_) pair_placed_ = with_skill_ceilings(m_, sums_, partial_, depth_, k_);
    if (state_.score_up) {
        // With a score-up lower bound the stand-in also holds the range's
        // largest skill value, which bounds each of its cards' value.
        const u8 top = static_cast<u8>(state_.last_card->skill_max(l, r));
        run = *pair_placed_;
        run.bonus_sum += ceil_percent(static_cast<u32>(total));
        run.bonus_x10 += static_cast<u32>(total);
        run.skill_sum += top;
        run.max_skill = std::max(run.max_skill, top);
        run.add_skill(top);
    }
    first_range_ = FirstRange{l, r, placed_unit ? *placed_unit : u64{sums_.power_sum}};
    return run;
}

void DfsNode::pair_blocks(usize l, usize r, u64 extra, std::optional<u64> placed_unit,
                          std::vector<Block>& out) {
    if (state_.stop || state_.count_step()) return;
    const PartialSums run = range_stand_in(l, r, placed_unit);
    u64 tiers = ~u64{0};
    const bool open = tiers_open(state_.last_card->bound(sums_, l, r, k_ - 1, extra), run,
                                 depth_ + 1, l + 1, used_, true, std::nullopt, nullptr, &tiers);
    first_range_.reset();
    if (!open) return;
    tiers &= tier_mask_;
    // With three free slots a run is asked once: its halves, asked again,
    // cost more than the children they spare. With two, halves of more
    // than sixteen cards: smaller ones, most of which pass again, cost
    // about what their children's own tests do.
    if (k_ == 2 && r - l > 16) {
        // Its halves' decks are some of its own.
        const usize mid = l + (r - l) / 2;
        const u64 outer = tier_mask_;
        tier_mask_ = tiers;
        pair_blocks(l, mid, extra, placed_unit, out);
        pair_blocks(mid, r, extra, placed_unit, out);
        tier_mask_ = outer;
        return;
    }
    out.push_back({l, r, tiers});
}

void DfsNode::reask_block(usize i, u64 extra, std::optional<u64> placed_unit, u64 node_mask,
                          std::vector<Block>& blocks, usize& block) {
    const Block asked = blocks[block];
    const usize appended = blocks.size();
    // The later cards' decks are some of the block's.
    const u64 outer = tier_mask_;
    tier_mask_ = node_mask & asked.tiers;
    // With three free slots `pair_blocks` asks a run whole; the later
    // cards of a long one are asked again as two halves, each a block
    // whose test bounds every deck whose next card it holds: the second
    // half's largest values, past the run's strongest cards, mostly close
    // it.
    if (k_ == 3 && asked.end - i > 8) {
        const usize mid = i + (asked.end - i) / 2;
        pair_blocks(i, mid, extra, placed_unit, blocks);
        pair_blocks(mid, asked.end, extra, placed_unit, blocks);
    } else {
        pair_blocks(i, asked.end, extra, placed_unit, blocks);
    }
    tier_mask_ = outer;
    for (usize b = appended; b < blocks.size(); ++b)
        VDZ_ASSERT(i <= blocks[b].begin && blocks[b].end <= asked.end &&
                   (blocks[b].tiers & ~asked.tiers) == 0);
    blocks[block].end = i;
    ++block;
    std::rotate(blocks.begin() + static_cast<std::ptrdiff_t>(block),
                blocks.begin() + static_cast<std::ptrdiff_t>(appended), blocks.end());
}

void DfsNode::visit_last_cards(usize l, usize r, u64 extra) {
    if (const std::optional<RunTiers> tiers = run_tiers(l)) {
        visit_known_tiers(l, r, extra, *tiers);
        return;
    }
    if (state_.stop || state_.count_step()) return;
    const i64 total = total_at(l);
    PartialSums run = sums_;
    run.bonus_sum += ceil_percent(static_cast<u32>(total));
    run.bonus_x10 += static_cast<u32>(total);
    const u64 bound = last_cards_bound(l, r, extra);
    if (!tiers_open(bound, run, depth_ + 1, l + 1, used_, true)) return;
    if (r - l > 4) {
        const usize mid = l + (r - l) / 2;
        visit_last_cards(l, mid, extra);
        visit_last_cards(mid, r, extra);
        return;
    }
    for (usize i = l; i < r && !state_.stop; ++i) {
        const u16 card = static_cast<u16>(i);
        if (admitted(card)) try_last_card(card, child_sums(m_, sums_, card));
    }
}

u64 DfsNode::last_cards_bound(usize l, usize r, u64 extra) {
    if (!placed_unit_) {
        placed_ceiled_ = with_skill_ceilings(m_, sums_, partial_, depth_, 1);
        placed_unit_ = state_.last_card->placed_unit_power(sums_, partial_, depth_);
    }
    return state_.last_card->last_bound(placed_ceiled_, *placed_unit_, l, r, extra);
}

std::optional<DfsNode::RunTiers> DfsNode::run_tiers(usize l) const {
    const BonusExtras extras = reach().extras(sums_, 1, l, used_);
    if (extras.exact_count == 0) return std::nullopt;
    const auto& tiers = state_.store.tiers;
    RunTiers out;
    out.tier.fill(tiers.size());
    const i64 total = i64{sums_.bonus_x10} + total_at(l);
    for (usize v = 0; v < extras.exact_count; ++v) {
        const u32 doubled = reach().exact_doubled(total, extras, v);
        const usize tier = state_.store.tier_at(doubled);
        for (usize a = 0; a < out.tier.size(); ++a) {
            if (!((extras.exact_attrs[v] >> a) & 1)) continue;
            out.doubled[a] = doubled;
            out.tier[a] = tier;
        }
    }
    return out;
}

void DfsNode::visit_known_tiers(usize l, usize r, u64 extra, const RunTiers& run) {
    if (state_.stop || state_.count_step()) return;
    const auto& tiers = state_.store.tiers;
    const u32 bound = static_cast<u32>(last_cards_bound(l, r, extra));
    bool room = false;
    for (const usize t : run.tier)
        room = room || (t < tiers.size() && !beneath(tiers[t].decks, bound));
    if (!room) return;
    if (r - l > 4) {
        const usize mid = l + (r - l) / 2;
        visit_known_tiers(l, mid, extra, run);
        visit_known_tiers(mid, r, extra, run);
        return;
    }
    for (usize i = l; i < r && !state_.stop; ++i) {
        const u16 card = static_cast<u16>(i);
        const usize a = pool_.attr(card) & 7u;
        if (run.tier[a] == tiers.size() || !admitted(card)) continue;
        take_last_card(card, child_sums(m_, sums_, card), run.doubled[a]);
    }
}

DfsNode::RunStep DfsNode::run_step(usize& i, const BonusRuns& runs, u64 run_bound) const {
    const i64 total = total_at(i);
    if (!runs.admit(total)) {
        const i64 below = runs.end_below(total);
        if (below < 0) return RunStep::END;  // later cards have less
        i = reach().first_at_most(i, below) - 1;
        return RunStep::SKIP;
    }
    // The run stands in for each of its cards by its bonus alone.
    PartialSums run = sums_;
    run.bonus_sum += ceil_percent(static_cast<u32>(total));
    run.bonus_x10 += static_cast<u32>(total);
    if (tiers_open(run_bound, run, depth_ + 1, i + 1, used_, true)) return RunStep::TRY;
    i = reach().first_at_most(i, total - 1) - 1;
    return RunStep::SKIP;
}

DfsNode::BonusRuns DfsNode::next_card_runs(u64 node_bound) const {
    BonusRuns out;
    const auto& tiers = state_.store.tiers;
    if (!state_.tier_reach || 5 * tiers.size() > out.run.size()) return out;
    const usize row = reach().free_row(start_, depth_);
    if (!reach().listed_from(row)) return out;
    out.on = true;
    out.first = row;
    const BonusExtras extras = reach().extras(sums_, k_, row, used_);
    const i64 placed = sums_.bonus_x10, k = static_cast<i64>(k_);
    // The free cards add at most k times the first one's total: a window
    // that asks more holds no run a card from `row` on falls in or lies
    // above, and one that ends below the placed total none at all, so
    // neither is worth its exact ends.
    const i64 most = row < pool_.count() ? k * total_at(row) : -1;
    const auto beyond = [&](const TenthsWindow& w) {
        return w.hi - placed < 0 || w.lo - placed > most;
    };
    for (usize t = 0; t < tiers.size(); ++t) {
        const TierRecord& tier = tiers[t];
        if (t < 64 && !((tier_mask_ >> t) & 1)) continue;
        const DfsTopDecks& decks = tier.decks;
        if (beneath(decks, static_cast<u32>(node_bound))) continue;
        if (beyond(reach().window(tier.tier_key, extras))) continue;
        const TierWindows windows = reach().windows(tier.tier_key, extras);
        for (usize w = 0; w < windows.count; ++w) {
            if (beyond(windows.window[w])) continue;
            const TenthsWindow window =
                extras.exact_count == 0
                    ? windows.window[w]
                    : reach().exact_window(tier.tier_key, extras, w, windows.window[w]);
            const i64 low = window.lo - placed, high = window.hi - placed;
            if (low > high) continue;
            if (high < 0) continue;
            const i64 lo = low <= 0 ? 0 : (low + k - 1) / k;
            out.run[out.count++] = {lo, high};
        }
    }
    return out;
}

}  // namespace vdz
