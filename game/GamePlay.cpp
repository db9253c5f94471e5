#include "game/GamePlay.h"

#include <algorithm>

#include "app/Application.h"
#include "app/ResourcePaths.h"
#include "assets/Images.h"
#include "audio/Sounds.h"
#include "game/GameCounter.h"
#include "game/LevelFile.h"
#include "render/Drawer.h"

const char* const GamePlay::LitCounter = "LightBoxesLit";

namespace {

// The play field's own pictures, in the order of GamePlay::Picture.
const PictureSet::Embedded embeddedPictures[] = {
    {&Images::reflector_png, &Images::reflector_png_size},
    {&Images::lightbeamv_png, &Images::lightbeamv_png_size},
    {&Images::lightbeamh_png, &Images::lightbeamh_png_size},
    {&Images::lightboxlit_png, &Images::lightboxlit_png_size},
    {&Images::storyscreen_png, &Images::storyscreen_png_size},
    {&Images::winscreen_png, &Images::winscreen_png_size},
    {&Images::robot_png, &Images::robot_png_size},
};

// The view shows 32 x 24 cells; the tile passes cover two more to the right and below, for
// the cells the view's fraction of a cell brings in.
const int ViewColumns = 32;
const int ViewRows = 24;
const int TileColumns = 34;
const int TileRows = 26;

// Beams cross lamps: they light reflectors beyond them.
bool beamPasses(TileType tile)
{
    return isPassable(tile) || tile == Lamp;
}

// The upward beam of a lit box runs through light pipes.
bool boxBeamPasses(TileType tile)
{
    return isPassable(tile) || tile == LightPipe;
}

// A column is drawn when it is one of the 33 starting at the view's first column.
bool columnInView(int column, float viewX)
{
    int offset = column - static_cast<int>(viewX);
    return offset >= 0 && offset <= ViewColumns;
}

void playSound(Sounds::SoundType type)
{
    Sounds::getInstance()->playSound(type);
}

} // namespace

GamePlay::GamePlay(Application* application)
    : GameState(application), pictures(embeddedPictures, PictureCount), viewX(0.0f), viewY(0.0f), storyShown(true),
      gameOver(false), levelComplete(false), tileCache(true)
{
    std::fill(&map[0][0], &map[0][0] + MapWidth * MapHeight, Empty);
    loadLevel();
}

GamePlay::~GamePlay()
{
    deleteSpikeBalls();
    pictures.release(getDrawer());
    art.release(getDrawer());
    statusBar.release(getDrawer());
}

std::string GamePlay::getName() const
{
    return "GamePlay";
}

void GamePlay::deleteSpikeBalls()
{
    for (SpikeBall* ball : spikeBalls)
        delete ball;
    spikeBalls.clear();
}

void GamePlay::loadLevel()
{
    // A missing or unreadable file leaves the open, empty world the constructor made.
    if (LevelFile::read(getLevelPath(), map) != LevelFile::Read)
        return;
    collectLevelObjects();
}

void GamePlay::loadLevelFromMap()
{
    deleteSpikeBalls();
    light.clear();
    collectLevelObjects();
}

// Boxes and balls are listed in file order: top row first, left to right.
void GamePlay::collectLevelObjects()
{
    for (int row = 0; row < MapHeight; ++row) {
        for (int column = 0; column < MapWidth; ++column) {
            if (map[row][column] == LightBox) {
                light.addLightBox(column, row);
            } else if (map[row][column] == SpikeBallStart) {
                spikeBalls.push_back(new SpikeBall(column, row));
                map[row][column] = CaveBack;
            }
        }
    }
}

bool GamePlay::addReflector(int column, int row)
{
    if (light.hasReflectorAt(column, row))
        return false;
    light.appendReflector(column, row);

    // One round per reflector always lets light run down the longest chain, whatever the
    // order the chain was placed in. The map cannot change between rounds, so the sight
    // lines are measured once.
    light.trace(map);
    size_t rounds = light.getReflectors().size();
    for (size_t i = 0; i < rounds; ++i) {
        LightPuzzle::Outcome outcome = light.update();
        applyOutcome(outcome);
        if (!outcome.changed) {
            // Nothing turned lit, so every remaining round starts from this very state and
            // ends the same way: only its sounds are left to request.
            for (size_t k = i + 1; k < rounds; ++k)
                applyOutcome(outcome);
            break;
        }
    }
    return true;
}

void GamePlay::updateReflectors()
{
    light.trace(map);
    applyOutcome(light.update());
}

void GamePlay::applyOutcome(const LightPuzzle::Outcome& outcome)
{
    if (outcome.connect)
        playSound(Sounds::Connect);
    if (outcome.boxesLit == 0)
        return;
    GameCounter* counter = GameCounter::getInstance();
    for (int i = 0; i < outcome.boxesLit; ++i)
        counter->incrementCount(LitCounter, 1);
    playSound(Sounds::Lightbox);
    // Only a round that lit a box can finish the level, so a level without boxes never ends.
    if (counter->getCount(LitCounter) >= static_cast<int>(light.getLightBoxes().size()))
        levelComplete = true;
}

void GamePlay::leaveToTitle()
{
    // The lit count lives in the process-wide registry and would outlive this game.
    GameCounter::getInstance()->reset();
    nextState(false);
}

void GamePlay::keyDown(const SDL_keysym& key)
{
    if (storyShown) {
        storyShown = false;
        return;
    }
    if (gameOver || levelComplete) {
        leaveToTitle();
        return;
    }
    switch (key.sym) {
    case SDLK_ESCAPE:
        leaveToTitle();
        return;
    case SDLK_x:
        player.reflector(this);
        break;
    case SDLK_z:
        player.jump(true);
        break;
    case SDLK_RIGHT:
        player.moveRight(true);
        break;
    case SDLK_LEFT:
        player.moveLeft(true);
        break;
    default:
        break;
    }
}

void GamePlay::keyUp(const SDL_keysym& key)
{
    switch (key.sym) {
    case SDLK_z:
        player.jump(false);
        break;
    case SDLK_RIGHT:
        player.moveRight(false);
        break;
    case SDLK_LEFT:
        player.moveLeft(false);
        break;
    default:
        break;
    }
}

void GamePlay::draw(Drawer* drawer)
{
    art.load(drawer);
    pictures.load(drawer);
    statusBar.load(drawer);

    if (storyShown) {
        drawPicture(drawer, StoryPicture, 0, 0);
        return;
    }

    if (!levelComplete) {
        player.move(map);
        if (player.getNumLives() < 1)
            gameOver = true;
    }
    updateView();

    TileScene tiles, halos;
    describeTiles(tiles, halos);
    drawer->drawTiles(tiles, 0);   // the sky and the back pass
    drawBeams(drawer);
    drawReflectors(drawer);
    drawLightBoxes(drawer);
    moveAndDrawSpikeBalls(drawer);
    player.draw(drawer, this);
    drawer->drawTiles(halos, 0);
    drawer->drawTiles(tiles, 1);
    if (levelComplete)
        drawPicture(drawer, WinPicture, 0, 0);
    statusBar.draw(drawer, player.getNumLives(), GameCounter::getInstance()->getCount(LitCounter),
                   player.getNumReflectors());
    if (gameOver)
        drawer->drawText("game over", 225, 350, 64.0f, 1.0f, 1.0f, 1.0f, 1.0f);
}

// The player stays at the centre of the screen except near the edges of the map, where
// the view stops.
void GamePlay::updateView()
{
    float x = player.getX();
    float y = player.getY();
    if (x <= 16.0f)
        viewX = 0.0f;
    else if (x >= 1007.0f)
        viewX = 991.0f;
    else
        viewX = x - 16.0f;
    if (y <= 12.0f)
        viewY = 0.0f;
    else if (y >= 755.0f)
        viewY = 743.0f;
    else
        viewY = y - 12.0f;
}

int GamePlay::screenX(int column) const
{
    int origin = static_cast<int>(viewX);
    int offset = -static_cast<int>((viewX - static_cast<float>(origin)) * CellPixels);
    return (column - origin) * CellPixels + offset;
}

int GamePlay::screenY(int row) const
{
    int origin = static_cast<int>(viewY);
    int offset = -static_cast<int>((viewY - static_cast<float>(origin)) * CellPixels);
    return (row - origin) * CellPixels + offset;
}

void GamePlay::drawPicture(Drawer* drawer, Picture picture, int x, int y)
{
    drawer->drawImage(pictures[picture], static_cast<short>(x), static_cast<short>(y),
                      1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
}

void GamePlay::drawTilePicture(Drawer* drawer, TileArt::Picture picture, int x, int y)
{
    drawer->drawImage(art.id(picture), static_cast<short>(x), static_cast<short>(y), 1.0f, 1.0f, 1.0f, 1.0f, 1.0f,
                      1.0f);
}

// The tile passes cover the view's 26 x 34 cells from its top-left one, the halos its
// 24 x 32: the play field's two groups of tiles (behind and in front of the sprites) and
// its halos (over the sprites).
void GamePlay::describeTiles(TileScene& tiles, TileScene& halos)
{
    int firstColumn = static_cast<int>(viewX);
    int firstRow = static_cast<int>(viewY);
    tiles.map = &map;
    tiles.art = &art;
    tiles.originX = screenX(0);
    tiles.originY = screenY(0);
    tiles.left = firstColumn;
    tiles.top = firstRow;
    halos = tiles;
    tiles.right = firstColumn + TileColumns;
    tiles.bottom = firstRow + TileRows;
    tiles.groupCount = 2;
    tiles.groups[0] = TileScene::Group{1, {TileArt::PlayBack}};
    tiles.groups[1] = TileScene::Group{1, {TileArt::PlayFront}};
    tiles.cacheable = tileCache;
    setSky(tiles);
    halos.right = firstColumn + ViewColumns;
    halos.bottom = firstRow + ViewRows;
    halos.groupCount = 1;
    halos.groups[0] = TileScene::Group{1, {TileArt::PlayGlow}};
}

// The sky brightens from night to day as the boxes are lit.
void GamePlay::setSky(TileScene& tiles) const
{
    int boxes = static_cast<int>(light.getLightBoxes().size());
    float f = 0.0f;
    if (boxes > 0)
        f = static_cast<float>(GameCounter::getInstance()->getCount(LitCounter)) / static_cast<float>(boxes);
    f = std::min(std::max(f, 0.0f), 1.0f);
    auto channel = [](float value) { return static_cast<unsigned char>(static_cast<int>(value)); };
    const unsigned char top[4] = {channel(f * 128.0f), channel(f * 128.0f), channel(f * 255.0f), 255};
    const unsigned char bottom[4] = {channel(47.0f * (1.0f - f) + 255.0f * f),
                                     channel(65.0f * (1.0f - f) + 255.0f * f),
                                     channel(101.0f * (1.0f - f) + 255.0f * f), 255};
    tiles.backdrop = true;
    std::copy(top, top + 4, tiles.backdropTop);
    std::copy(bottom, bottom + 4, tiles.backdropBottom);
}

void GamePlay::drawBeams(Drawer* drawer)
{
    for (const Reflector& r : light.getReflectors()) {
        if (!r.lit)
            continue;
        if (columnInView(r.x, viewX)) {
            drawPicture(drawer, BeamVerticalPicture, screenX(r.x), screenY(r.y));
            drawPicture(drawer, BeamHorizontalPicture, screenX(r.x), screenY(r.y));
        }
        // The beams run to the first blocking cell whether on screen or not; the drawer clips.
        drawBeamLine(drawer, r, -1, 0, BeamHorizontalPicture);
        drawBeamLine(drawer, r, 1, 0, BeamHorizontalPicture);
        drawBeamLine(drawer, r, 0, -1, BeamVerticalPicture);
        drawBeamLine(drawer, r, 0, 1, BeamVerticalPicture);
    }
}

void GamePlay::drawBeamLine(Drawer* drawer, const Reflector& r, int stepX, int stepY, Picture picture)
{
    int column = r.x + stepX;
    int row = r.y + stepY;
    while (beamPasses(tileAt(map, column, row))) {
        drawPicture(drawer, picture, screenX(column), screenY(row));
        column += stepX;
        row += stepY;
    }
}

void GamePlay::drawReflectors(Drawer* drawer)
{
    for (const Reflector& r : light.getReflectors())
        if (columnInView(r.x, viewX))
            drawPicture(drawer, ReflectorPicture, screenX(r.x) - 16, screenY(r.y) - 16);
}

void GamePlay::drawLightBoxes(Drawer* drawer)
{
    for (const Reflector& box : light.getLightBoxes()) {
        if (!columnInView(box.x, viewX))
            continue;
        int x = screenX(box.x) - 16;
        int y = screenY(box.y) - 16;
        drawTilePicture(drawer, TileArt::CaveBackPicture, x, y);
        if (!box.lit) {
            drawTilePicture(drawer, TileArt::LightBoxPicture, x, y);
            continue;
        }
        for (int row = box.y - 1; boxBeamPasses(tileAt(map, box.x, row)); --row)
            drawPicture(drawer, BeamVerticalPicture, screenX(box.x), screenY(row));
        drawPicture(drawer, LightBoxLitPicture, x, y);
    }
}

// Each ball moves, is drawn, and is then tested against the player, so a later ball sees
// the player where an earlier ball's hit has put it.
void GamePlay::moveAndDrawSpikeBalls(Drawer* drawer)
{
    // A map can hold 786,432 balls: those outside the rows on screen, which draw would
    // leave out anyway, skip the call.
    int firstRow = static_cast<int>(viewY);
    int lastRow = firstRow + ViewRows;
    for (SpikeBall* ball : spikeBalls) {
        if (!levelComplete)
            ball->move(map);
        if (ball->getY() >= firstRow && ball->getY() <= lastRow)
            ball->draw(drawer, this);
        float px = player.getX();
        float py = player.getY();
        float bx = ball->getX();
        float by = static_cast<float>(ball->getY());
        if (px < bx + 1.0f && bx < px + 1.0f && py < by + 1.0f && by < py + 1.0f)
            player.decrementNumLives();
    }
}
