"""Areas and area items: areas.json, areaItems.json, areaItemLevels.json
(power bonuses aimed at an attribute, a unit or a character) and
shopItems.json (the price of every level of every area item).
"""

from . import constants as c

AREA_ITEM_MAX_LEVEL = 15
COMMON_AREA_ID = 1
UNIT_ITEMS_PER_UNIT = 2
# The game prices area-item levels 1-10 and 11-15 in two id ranges.
SHOP_ITEM_LOW_LEVEL_BASE = 990
SHOP_ITEM_HIGH_LEVEL_BASE = 1535
SHOP_ITEM_LOW_LEVEL_LAST = 10
COIN_RESOURCE = ("coin", 0)
SEED_RESOURCE = ("material", 17)
SZK_RESOURCE = ("material", 57)
OTHER_MATERIAL_RESOURCE = ("material", 3)


def unit_area_id(unit):
    return COMMON_AREA_ID + 1 + c.UNITS.index(unit)


def area_item_plan():
    """(item id, area id, target) for every area item, target being
    ("attr", attr), ("unit", unit) or ("character", character id)."""
    items = [(COMMON_AREA_ID, ("attr", attr)) for attr in c.ATTRS]
    for unit in c.UNITS:
        items += [(unit_area_id(unit), ("unit", unit))] * UNIT_ITEMS_PER_UNIT
        items += [(unit_area_id(unit), ("character", ch)) for ch in c.unit_members(unit)]
    return [(item_id, area_id, target) for item_id, (area_id, target) in enumerate(items, start=1)]


def shop_item_id(area_item_id, level):
    if level <= SHOP_ITEM_LOW_LEVEL_LAST:
        return SHOP_ITEM_LOW_LEVEL_BASE + 10 * area_item_id + level
    return SHOP_ITEM_HIGH_LEVEL_BASE + 5 * area_item_id + level


def build_areas():
    rows = [{"id": COMMON_AREA_ID, "areaType": "reality_world", "viewType": "side_view"}]
    rows += [{"id": unit_area_id(u), "areaType": "spirit_world", "viewType": "quarter_view"} for u in c.UNITS]
    return rows


def build_area_items():
    return [
        {"id": item_id, "areaId": area_id, "assetbundleName": f"area_item_{item_id:03d}"}
        for item_id, area_id, _ in area_item_plan()
    ]


def build_area_item_levels():
    rows = []
    for item_id, _, (kind, target) in area_item_plan():
        for level in range(1, AREA_ITEM_MAX_LEVEL + 1):
            row = {"areaItemId": item_id, "level": level}
            if kind == "attr":
                row |= {"targetUnit": "any", "targetCardAttr": target}
                rate, all_match = 0.5 * level, 1.0 * level
            elif kind == "unit":
                row |= {"targetUnit": target, "targetCardAttr": "any"}
                rate, all_match = 0.5 * level, 1.0 * level
            else:
                row |= {"targetUnit": None, "targetGameCharacterId": target}
                rate = all_match = 0.4 * level
            row |= {"power1BonusRate": round(rate, 1), "power1AllMatchBonusRate": round(all_match, 1)}
            rows.append(row)
    return rows


def level_costs(level):
    """(resource type, resource id, quantity) of one level's price."""
    costs = [(*COIN_RESOURCE, 2000 * level + 500 * level * level)]
    if level >= 6:
        costs.append((*SEED_RESOURCE, 5 * level))
    if level >= 3:
        costs.append((*OTHER_MATERIAL_RESOURCE, 2 * level))
    if level > SHOP_ITEM_LOW_LEVEL_LAST:
        costs.append((*SZK_RESOURCE, level - SHOP_ITEM_LOW_LEVEL_LAST))
    return costs


def build_shop_items():
    rows = []
    for item_id, _, _ in area_item_plan():
        for level in range(1, AREA_ITEM_MAX_LEVEL + 1):
            costs = [
                {"seq": seq, "cost": {"resourceId": rid, "resourceType": rtype, "quantity": quantity}}
                for seq, (rtype, rid, quantity) in enumerate(level_costs(level), start=1)
            ]
            rows.append({"id": shop_item_id(item_id, level), "shopId": 1, "costs": costs})
    rows.sort(key=lambda row: row["id"])
    ids = [row["id"] for row in rows]
    assert len(ids) == len(set(ids)), "shop item ids of two area-item levels collide"
    return rows
