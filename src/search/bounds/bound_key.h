// The bound key's formulas: the general one, and the one a search picks
// once for its target, live type and order strategy.
#pragma once

#include "search/bounds/dfs_bounds.h"

namespace vdz {

// The formula `bound_key` takes for the model `m` (its suffix tables set):
// an instance made for its target and live formula, or the general one.
BoundModel::KeyFormula pick_key_formula(const BoundModel& m);

// The key by the general formula, which decides the target, the live type
// and the order strategy on every call: the rare modes take it, and debug
// builds check every picked formula's key against it.
u64 general_bound_key(const BoundModel& m, u64 power, const SkillValues& skills, u32 lead,
                      u64 bonus, double coupled, const SlotSkills* slots);

}  // namespace vdz
