#include "game/SpikeBall.h"

#include "assets/Images.h"
#include "game/GamePlay.h"
#include "render/Drawer.h"
#include "render/ImageLoader.h"

SpikeBall::SpikeBall(int column, int row)
    : image(0), x(static_cast<float>(column)), y(row), movingRight(false)
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
    // Every ball decodes its own copy of the picture on its first draw.
    if (image == 0) {
        ImageLoader loader;
        ImageLoader::PixelData ball = loader.loadImage(Images::spikeball_png, Images::spikeball_png_size);
        image = drawer->loadImage(ball.pixels, ball.width, ball.height);
    }
    float dx = x - game->getViewX();
    float dy = static_cast<float>(y) - game->getViewY();
    int column = static_cast<int>(dx);
    int row = static_cast<int>(dy);
    if (column < 0 || column > 31 || row < 0 || row > 23)
        return;
    int screenX = static_cast<int>(dx * CellPixels) - 16;
    int screenY = static_cast<int>(dy * CellPixels - 16.0f);
    drawer->drawImage(image, static_cast<short>(screenX), static_cast<short>(screenY),
                      1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
}
