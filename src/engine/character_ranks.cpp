// Canvas bonus rows with their rarity text turned into a rarity code.
#include "engine/character_ranks.h"

#include "engine/cards.h"

namespace vdz {

std::vector<CanvasBonus> convert_canvas_bonus_rows(
    const std::vector<RawCardMysekaiCanvasBonus>& rows) {
    std::vector<CanvasBonus> out;
    out.reserve(rows.size());
    for (const RawCardMysekaiCanvasBonus& row : rows) {
        out.push_back(CanvasBonus{parse_card_rarity_type(row.card_rarity_type),
                                  row.power1_bonus_fixed, row.power2_bonus_fixed,
                                  row.power3_bonus_fixed});
    }
    return out;
}

}  // namespace vdz
