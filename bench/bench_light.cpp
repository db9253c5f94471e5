// Light puzzle speed: places 200 reflectors one by one and prints how long the placements
// took, the last one in particular (the n-th placement runs up to n rounds of lighting).
//
//   bench_light [count]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "game/GameCounter.h"
#include "game/GamePlay.h"

namespace {

typedef std::chrono::steady_clock Clock;

std::unique_ptr<GamePlay> emptyGame()
{
    setenv("TARNWICK_DATA_DIR", "/nonexistent/tarnwick-bench", 1);
    GameCounter::getInstance()->reset();
    return std::unique_ptr<GamePlay>(new GamePlay(nullptr));
}

void fill(TileMap& map, TileType tile)
{
    for (int row = 0; row < MapHeight; ++row)
        for (int column = 0; column < MapWidth; ++column)
            map[row][column] = tile;
}

// Caves: tunnels dug by random walks through solid rock, with lamps and light boxes on
// the tunnel walls.
void digCaves(TileMap& map, std::mt19937& random)
{
    fill(map, Earth);
    for (int tunnel = 0; tunnel < 400; ++tunnel) {
        int column = 1 + static_cast<int>(random() % (MapWidth - 2));
        int row = 1 + static_cast<int>(random() % (MapHeight - 2));
        int dx = 1;
        int dy = 0;
        for (int step = 0; step < 600; ++step) {
            map[row][column] = CaveBack;
            if (random() % 12 == 0) {
                int turn = static_cast<int>(random() % 4);
                dx = turn == 0 ? 1 : turn == 1 ? -1 : 0;
                dy = turn == 2 ? 1 : turn == 3 ? -1 : 0;
            }
            column = std::min(std::max(column + dx, 1), MapWidth - 2);
            row = std::min(std::max(row + dy, 1), MapHeight - 2);
        }
    }
    for (int row = 1; row < MapHeight - 1; ++row) {
        for (int column = 1; column < MapWidth - 1; ++column) {
            if (map[row][column] != Earth || !isPassable(map[row][column - 1]))
                continue;
            unsigned roll = random() % 1000;
            if (roll < 20)
                map[row][column] = Lamp;
            else if (roll < 25)
                map[row][column] = LightBox;
        }
    }
}

std::vector<std::pair<int, int>> passableCells(const TileMap& map, std::mt19937& random, int count)
{
    std::vector<std::pair<int, int>> cells;
    while (static_cast<int>(cells.size()) < count) {
        int column = static_cast<int>(random() % MapWidth);
        int row = static_cast<int>(random() % MapHeight);
        if (isPassable(map[row][column]))
            cells.emplace_back(column, row);
    }
    return cells;
}

void run(const char* name, GamePlay& game, const std::vector<std::pair<int, int>>& cells)
{
    double last = 0.0;
    double slowest = 0.0;
    double total = 0.0;
    int placed = 0;
    for (const auto& cell : cells) {
        Clock::time_point begin = Clock::now();
        bool ok = game.addReflector(cell.first, cell.second);
        double ms = std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
        if (!ok)
            continue;
        ++placed;
        last = ms;
        slowest = std::max(slowest, ms);
        total += ms;
    }
    int lit = 0;
    for (const Reflector& r : game.getReflectors())
        lit += r.lit ? 1 : 0;
    std::printf("%-28s %4d placed, %4d lit, %3d boxes lit: last %8.3f ms, slowest %8.3f ms, all %9.3f ms\n",
                name, placed, lit, GameCounter::getInstance()->getCount("LightBoxesLit"), last, slowest, total);
}

} // namespace

int main(int argc, char** argv)
{
    int count = argc > 1 ? std::atoi(argv[1]) : 200;

    {
        std::mt19937 random(7);
        std::unique_ptr<GamePlay> game = emptyGame();
        fill(game->getMap(), Empty);
        game->loadLevelFromMap();
        run("open map, all Empty", *game, passableCells(game->getMap(), random, count));
    }
    {
        // Reflectors on a 20 x 20 lattice that shares rows and columns, and a lamp at the
        // left end of the lattice's first row: light spreads along the open lines, several
        // rounds deep, and the lamp seen on the left repeats Connect in every round.
        std::mt19937 random(7);
        std::unique_ptr<GamePlay> game = emptyGame();
        fill(game->getMap(), Empty);
        game->getMap()[100][0] = Lamp;
        game->loadLevelFromMap();
        std::vector<std::pair<int, int>> lattice;
        for (int j = 0; j < 20; ++j)
            for (int i = 0; i < 20; ++i)
                lattice.emplace_back(100 + 40 * i, 100 + 30 * j);
        std::shuffle(lattice.begin(), lattice.end(), random);
        lattice.resize(static_cast<size_t>(std::min(count, 400)));
        run("open map, lamp, lattice", *game, lattice);
    }
    {
        std::mt19937 random(11);
        std::unique_ptr<GamePlay> game = emptyGame();
        digCaves(game->getMap(), random);
        game->loadLevelFromMap();
        GameCounter::getInstance()->reset();
        run("cave map", *game, passableCells(game->getMap(), random, count));
    }
    return 0;
}
