#pragma once

#include "game/TileType.h"

class Drawer;
class GamePlay;

// A hazard that patrols its row, turning wherever its centre would enter a blocking cell.
class SpikeBall {
public:
    SpikeBall(int column, int row);

    void move(const TileMap& map);
    void draw(Drawer* drawer, GamePlay* game);

    float getX() const { return x; }
    int getY() const { return y; }
    bool isMovingRight() const { return movingRight; }

    static constexpr float Step = 0.1f;

private:
    float x;
    int y;
    bool movingRight;
};
