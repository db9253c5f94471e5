#include "game/LightPuzzle.h"

#include <algorithm>

LightPuzzle::LightPuzzle() : rowIndex(MapHeight), columnIndex(MapWidth)
{
}

void LightPuzzle::clear()
{
    reflectors.clear();
    lightBoxes.clear();
    reflectorSights.clear();
    lightBoxSights.clear();
    reflectorAt.clear();
    for (auto& line : rowIndex)
        line.clear();
    for (auto& line : columnIndex)
        line.clear();
}

long long LightPuzzle::cellKey(int column, int row)
{
    // Reflectors can stand just outside the map (a player at the top of a high jump).
    return static_cast<long long>(row) * 0x100000000LL + static_cast<unsigned>(column);
}

void LightPuzzle::addLightBox(int column, int row)
{
    lightBoxes.push_back(Reflector{column, row, false});
    lightBoxSights.push_back(Sight{column, column, row, row, false, false});
}

bool LightPuzzle::hasReflectorAt(int column, int row) const
{
    return reflectorAt.count(cellKey(column, row)) != 0;
}

void LightPuzzle::insertSorted(std::vector<IndexEntry>& line, IndexEntry entry)
{
    auto at = std::lower_bound(line.begin(), line.end(), entry.position,
                               [](const IndexEntry& e, int position) { return e.position < position; });
    line.insert(at, entry);
}

void LightPuzzle::appendReflector(int column, int row)
{
    int index = static_cast<int>(reflectors.size());
    reflectors.push_back(Reflector{column, row, false});
    reflectorSights.push_back(Sight{column, column, row, row, false, false});
    reflectorAt[cellKey(column, row)] = index;
    // Light only ever travels inside the map, so a reflector outside it is never on a
    // sight line and needs no place in the line index.
    if (isInsideMap(column, row)) {
        insertSorted(rowIndex[row], IndexEntry{column, index});
        insertSorted(columnIndex[column], IndexEntry{row, index});
    }
}

LightPuzzle::Sight LightPuzzle::look(const TileMap& map, int column, int row)
{
    Sight sight;
    sight.left = column - 1;
    while (isPassable(tileAt(map, sight.left, row)))
        --sight.left;
    sight.right = column + 1;
    while (isPassable(tileAt(map, sight.right, row)))
        ++sight.right;
    sight.up = row - 1;
    while (isPassable(tileAt(map, column, sight.up)))
        --sight.up;
    sight.down = row + 1;
    while (isPassable(tileAt(map, column, sight.down)))
        ++sight.down;
    // tileAt gives solid rock outside the map, never a lamp.
    sight.lampLeft = tileAt(map, sight.left, row) == Lamp;
    sight.lampElsewhere = tileAt(map, sight.right, row) == Lamp || tileAt(map, column, sight.up) == Lamp ||
                          tileAt(map, column, sight.down) == Lamp;
    return sight;
}

void LightPuzzle::trace(const TileMap& map)
{
    for (size_t i = 0; i < reflectors.size(); ++i)
        reflectorSights[i] = look(map, reflectors[i].x, reflectors[i].y);
    // A lit box is never looked at again.
    for (size_t i = 0; i < lightBoxes.size(); ++i)
        if (!lightBoxes[i].lit)
            lightBoxSights[i] = look(map, lightBoxes[i].x, lightBoxes[i].y);
}

// Is a lit reflector strictly between `after` and `before` on this line?
bool LightPuzzle::anyLit(const std::vector<IndexEntry>& line, int after, int before) const
{
    auto it = std::upper_bound(line.begin(), line.end(), after,
                               [](int position, const IndexEntry& e) { return position < e.position; });
    for (; it != line.end() && it->position < before; ++it)
        if (reflectors[static_cast<size_t>(it->index)].lit)
            return true;
    return false;
}

bool LightPuzzle::seesLitReflector(const Reflector& from, const Sight& sight) const
{
    // Something just outside the map can still look into it along its column or row.
    if (from.y >= 0 && from.y < MapHeight) {
        const std::vector<IndexEntry>& row = rowIndex[static_cast<size_t>(from.y)];
        if (anyLit(row, sight.left, from.x) || anyLit(row, from.x, sight.right))
            return true;
    }
    if (from.x >= 0 && from.x < MapWidth) {
        const std::vector<IndexEntry>& column = columnIndex[static_cast<size_t>(from.x)];
        if (anyLit(column, sight.up, from.y) || anyLit(column, from.y, sight.down))
            return true;
    }
    return false;
}

// A reflector that is already lit still walks its left line, and there it compares each
// cell with the earliest-placed reflector alone: seeing that one lit raises Connect again.
bool LightPuzzle::seesFirstReflectorLeft(const Reflector& from, const Sight& sight) const
{
    const Reflector& first = reflectors.front();
    return first.lit && first.y == from.y && first.x > sight.left && first.x < from.x;
}

LightPuzzle::Outcome LightPuzzle::update()
{
    Outcome outcome{false, 0, false};

    // Lamps light reflectors. The left look is made for every reflector, lit or not, and
    // a lamp seen there raises Connect each time.
    for (size_t i = 0; i < reflectors.size(); ++i) {
        Reflector& r = reflectors[i];
        const Sight& sight = reflectorSights[i];
        if (sight.lampLeft || (!r.lit && sight.lampElsewhere)) {
            outcome.connect = true;
            outcome.changed = outcome.changed || !r.lit;
            r.lit = true;
        }
    }

    // Lit reflectors light reflectors, in list order, so a reflector lit here lights the
    // later ones in this same round, but not the earlier ones.
    for (size_t i = 0; i < reflectors.size(); ++i) {
        Reflector& r = reflectors[i];
        const Sight& sight = reflectorSights[i];
        if (r.lit) {
            if (i > 0 && seesFirstReflectorLeft(r, sight))
                outcome.connect = true;
        } else if (seesLitReflector(r, sight)) {
            r.lit = true;
            outcome.connect = true;
            outcome.changed = true;
        }
    }

    // Lit reflectors light boxes; lamps do not.
    for (size_t i = 0; i < lightBoxes.size(); ++i) {
        Reflector& box = lightBoxes[i];
        if (!box.lit && seesLitReflector(box, lightBoxSights[i])) {
            box.lit = true;
            ++outcome.boxesLit;
            outcome.changed = true;
        }
    }
    return outcome;
}
