#include "tools/levelcheck/LightPlan.h"

#include <algorithm>
#include <memory>
#include <set>

#include "game/GamePlay.h"
#include "game/LightPuzzle.h"
#include "tools/levelcheck/ReachSearch.h"

LightPlan::LightPlan(const TileMap& map, const ReachSearch& reach)
    : map(map), reach(reach), rowRun(static_cast<size_t>(MapWidth) * MapHeight, -1),
      columnRun(static_cast<size_t>(MapWidth) * MapHeight, -1),
      distance(static_cast<size_t>(MapWidth) * MapHeight, 0), parent(static_cast<size_t>(MapWidth) * MapHeight, -1),
      lowestTotal(0), confirmed(true)
{
    findRuns();
    spreadFromLamps();
    judgeBoxes();
    confirmWithGame();
}

// Each run is measured once, from its first cell, with the game's look.
void LightPlan::findRuns()
{
    for (int row = 0; row < MapHeight; ++row)
        for (int column = 0; column < MapWidth; ++column) {
            bool startsRow = isPassable(map[row][column]) && rowRun[cellIndex(column, row)] < 0;
            bool startsColumn = isPassable(map[row][column]) && columnRun[cellIndex(column, row)] < 0;
            if (!startsRow && !startsColumn)
                continue;
            LightPuzzle::Sight sight = LightPuzzle::look(map, column, row);
            if (startsRow) {
                int id = static_cast<int>(runs.size());
                runs.push_back(Run{true, row, column, sight.right - 1,
                                   tileAt(map, column - 1, row) == Lamp || tileAt(map, sight.right, row) == Lamp});
                for (int c = column; c < sight.right; ++c)
                    rowRun[cellIndex(c, row)] = id;
            }
            if (startsColumn) {
                int id = static_cast<int>(runs.size());
                runs.push_back(Run{false, column, row, sight.down - 1,
                                   tileAt(map, column, row - 1) == Lamp || tileAt(map, column, sight.down) == Lamp});
                for (int r = row; r < sight.down; ++r)
                    columnRun[cellIndex(column, r)] = id;
            }
        }
}

std::vector<int> LightPlan::cellsOfRun(int run) const
{
    std::vector<int> cells;
    const Run& line = runs[static_cast<size_t>(run)];
    for (int at = line.first; at <= line.last; ++at)
        cells.push_back(line.isRow ? cellIndex(at, line.line) : cellIndex(line.line, at));
    return cells;
}

// Every droppable cell of a run not yet reached gets one reflector more than `cell`.
void LightPlan::reachRun(int run, int cell, std::vector<int>& queue)
{
    int next = cell < 0 ? 1 : distance[static_cast<size_t>(cell)] + 1;
    for (int other : cellsOfRun(run)) {
        if (distance[static_cast<size_t>(other)] != 0 || !reach.passesThrough(other % MapWidth, other / MapWidth))
            continue;
        distance[static_cast<size_t>(other)] = next;
        parent[static_cast<size_t>(other)] = cell;
        queue.push_back(other);
    }
}

void LightPlan::spreadFromLamps()
{
    std::vector<bool> done(runs.size(), false);
    std::vector<int> queue;
    for (size_t run = 0; run < runs.size(); ++run)
        if (runs[run].seesLamp) {
            done[run] = true;
            reachRun(static_cast<int>(run), -1, queue);
        }
    for (size_t next = 0; next < queue.size(); ++next) {
        int cell = queue[next];
        for (int run : {rowRun[static_cast<size_t>(cell)], columnRun[static_cast<size_t>(cell)]})
            if (!done[static_cast<size_t>(run)]) {
                done[static_cast<size_t>(run)] = true;
                reachRun(run, cell, queue);
            }
    }
}

// The cells the robot passes through on the box's four sight lines: the runs that end
// beside it.
std::vector<int> LightPlan::droppableSeeing(int column, int row) const
{
    std::vector<int> cells;
    const int steps[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
    for (const auto& step : steps) {
        int c = column + step[0];
        int r = row + step[1];
        if (!isPassable(tileAt(map, c, r)))
            continue;
        int run = step[1] == 0 ? rowRun[static_cast<size_t>(cellIndex(c, r))]
                               : columnRun[static_cast<size_t>(cellIndex(c, r))];
        for (int cell : cellsOfRun(run))
            if (reach.passesThrough(cell % MapWidth, cell / MapWidth))
                cells.push_back(cell);
    }
    return cells;
}

void LightPlan::judgeBoxes()
{
    std::set<int> kept;
    std::vector<std::vector<int>> seeing;
    for (int row = 0; row < MapHeight; ++row)
        for (int column = 0; column < MapWidth; ++column) {
            if (map[row][column] != LightBox)
                continue;
            LightPuzzle::Sight sight = LightPuzzle::look(map, column, row);
            bool walledIn = sight.left == column - 1 && sight.right == column + 1 && sight.up == row - 1 &&
                            sight.down == row + 1;
            std::vector<int> cells = droppableSeeing(column, row);
            int best = -1;
            for (int cell : cells)
                if (distance[static_cast<size_t>(cell)] > 0 &&
                    (best < 0 || distance[static_cast<size_t>(cell)] < distance[static_cast<size_t>(best)]))
                    best = cell;
            Box box{column, row, Lit, 0};
            if (walledIn)
                box.verdict = Blocked;
            else if (cells.empty())
                box.verdict = Unreachable;
            else if (best < 0)
                box.verdict = NoLamp;
            else
                box.reflectors = distance[static_cast<size_t>(best)];
            for (int cell = best; cell >= 0; cell = parent[static_cast<size_t>(cell)])
                kept.insert(cell);
            if (box.verdict == Lit)
                seeing.push_back(cells);
            boxes.push_back(box);
        }
    chosen.assign(kept.begin(), kept.end());
    std::stable_sort(chosen.begin(), chosen.end(), [this](int a, int b) {
        return distance[static_cast<size_t>(a)] < distance[static_cast<size_t>(b)];
    });
    findLowestTotal(seeing);
}

// One reflector in a box's sight lines can serve another box only if it stands in both
// boxes' lines; boxes whose lines share no droppable cell need a reflector each.
void LightPlan::findLowestTotal(const std::vector<std::vector<int>>& seeing)
{
    std::vector<size_t> order(seeing.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return seeing[a].size() < seeing[b].size(); });
    std::set<int> used;
    int apart = 0;
    for (size_t i : order) {
        bool shares = std::any_of(seeing[i].begin(), seeing[i].end(), [&](int cell) { return used.count(cell) != 0; });
        if (shares)
            continue;
        ++apart;
        used.insert(seeing[i].begin(), seeing[i].end());
    }
    lowestTotal = apart;
    for (const Box& box : boxes)
        lowestTotal = std::max(lowestTotal, box.reflectors);
}

// The plan is only as good as the light it predicts: place the chosen reflectors, lamp
// end first, in a play state holding this map and see that the boxes light.
void LightPlan::confirmWithGame()
{
    std::unique_ptr<GamePlay> game(new GamePlay(nullptr));
    std::copy(&map[0][0], &map[0][0] + MapWidth * MapHeight, &game->getMap()[0][0]);
    game->loadLevelFromMap();
    for (int cell : chosen)
        game->addReflector(cell % MapWidth, cell / MapWidth);
    const std::vector<Reflector>& lit = game->getLightBoxes();
    for (size_t i = 0; i < boxes.size() && i < lit.size(); ++i)
        if (boxes[i].verdict == Lit && !lit[i].lit)
            confirmed = false;
    confirmed = confirmed && lit.size() == boxes.size();
}
