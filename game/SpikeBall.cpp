#include "game/SpikeBall.h"

#include "game/GamePlay.h"
#include "render/Drawer.h"

SpikeBall::SpikeBall(int column, int row)
    : x(static_cast<float>(column)), y(row), movingRight(false)
{
}

void SpikeBall::move(const TileMap& map)
{
    float candidate = movingRight ? x + Step : x - Step;
    int centre = static_cast<int>(static_cast<double>(candidate) + 0.5);
    // A ball that meets a wall stays put for this frame and turns round.
    if (isPassable(tileAt(map, centre, y)))
        x = candidate;
    else
        movingRight = !movingRight;
}

void SpikeBall::draw(Drawer* drawer, GamePlay* game)
{
    float dx = x - game->getViewX();
    float dy = static_cast<float>(y) - game->getViewY();
    int column = static_cast<int>(dx);
    int row = static_cast<int>(dy);
    if (column < 0 || column > 31 || row < 0 || row > 23)
        return;
    int screenX = static_cast<int>(dx * CellPixels) - 16;
    int screenY = static_cast<int>(dy * CellPixels - 16.0f);
    // One picture for every ball, loaded once by the play state: a map can hold 786,432.
    drawer->drawImage(game->getSpikeBallImage(), static_cast<short>(screenX), static_cast<short>(screenY),
                      1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
}
