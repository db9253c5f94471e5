#include "game/GamePlay.h"

#include <algorithm>

#include "app/Application.h"
#include "app/ResourcePaths.h"
#include "assets/Images.h"
#include "audio/Sounds.h"
#include "game/GameCounter.h"
#include "game/LevelFile.h"
#include "render/Drawer.h"
#include "render/ImageLoader.h"

const char* const GamePlay::LitCounter = "LightBoxesLit";

namespace {

// The play field's pictures, in the order they are loaded (the order of GamePlay::Picture).
struct EmbeddedPicture {
    const char* const* bytes;
    const unsigned* size;
};

const EmbeddedPicture embeddedPictures[] = {
    {&Images::caveback_png, &Images::caveback_png_size},
    {&Images::earthtile_png, &Images::earthtile_png_size},
    {&Images::grasstile_png, &Images::grasstile_png_size},
    {&Images::lamp_png, &Images::lamp_png_size},
    {&Images::lampglow_png, &Images::lampglow_png_size},
    {&Images::reflector_png, &Images::reflector_png_size},
    {&Images::lightbeamv_png, &Images::lightbeamv_png_size},
    {&Images::lightbeamh_png, &Images::lightbeamh_png_size},
    {&Images::lightbox_png, &Images::lightbox_png_size},
    {&Images::lightboxlit_png, &Images::lightboxlit_png_size},
    {&Images::lightpipe_png, &Images::lightpipe_png_size},
    {&Images::crate_png, &Images::crate_png_size},
    {&Images::spikes_png, &Images::spikes_png_size},
    {&Images::lava_png, &Images::lava_png_size},
    {&Images::lightboxui_png, &Images::lightboxui_png_size},
    {&Images::reflectorui_png, &Images::reflectorui_png_size},
    {&Images::heartui_png, &Images::heartui_png_size},
    {&Images::storyscreen_png, &Images::storyscreen_png_size},
    {&Images::winscreen_png, &Images::winscreen_png_size},
    {&Images::spikeball_png, &Images::spikeball_png_size},
};

// The view shows 32 x 24 cells; the tile passes cover two more in each direction so that
// pictures hanging in from beyond the edge are drawn too.
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
    : GameState(application), viewX(0.0f), viewY(0.0f), storyShown(true), gameOver(false),
      levelComplete(false), tileCache(true),
      backLayer(map, backPassOverhang, [this](Drawer* d, int l, int t, int r, int b, int x, int y) { paintTiles(d, false, l, t, r, b, x, y); },
                [this](TileType tile) { return coversCell(false, tile); }),
      foreLayer(map, forePassOverhang, [this](Drawer* d, int l, int t, int r, int b, int x, int y) { paintTiles(d, true, l, t, r, b, x, y); },
                [this](TileType tile) { return coversCell(true, tile); })
{
    std::fill(pictures, pictures + PictureCount, 0u);
    std::fill(opaqueOverCell, opaqueOverCell + PictureCount, false);
    std::fill(&map[0][0], &map[0][0] + MapWidth * MapHeight, Empty);
    loadLevel();
}

GamePlay::~GamePlay()
{
    Drawer* drawer = application ? application->getDrawer() : nullptr;
    backLayer.release(drawer);
    foreLayer.release(drawer);
    deleteSpikeBalls();
    for (unsigned id : pictures)
        releaseImage(id);
    if (Drawer* drawer = getDrawer())
        player.releaseImage(drawer);
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
    if (pictures[CaveBackPicture] == 0)
        loadPictures(drawer);

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

    // The passes from layers when the drawer keeps them; then the sky and the back pass
    // are only drawn where the passes above them leave them to be seen.
    int originX = screenX(0);
    int originY = screenY(0);
    bool backCached = tileCache && backLayer.prepare(drawer, originX, originY);
    bool foreCached = tileCache && foreLayer.prepare(drawer, originX, originY);
    if (backCached && foreCached) {
        TileLayerCache::findOpenParts({&backLayer, &foreLayer}, originX, originY, openSky);
        drawSky(drawer, &openSky);
    } else {
        drawSky(drawer, nullptr);
    }
    if (backCached)
        backLayer.draw(drawer, originX, originY, foreCached ? &foreLayer : nullptr);
    else
        drawTileLayer(drawer, false);
    drawBeams(drawer);
    drawReflectors(drawer);
    drawLightBoxes(drawer);
    moveAndDrawSpikeBalls(drawer);
    player.draw(drawer, this);
    drawHalos(drawer);
    if (foreCached)
        foreLayer.draw(drawer, originX, originY);
    else
        drawTileLayer(drawer, true);
    if (levelComplete)
        drawPicture(drawer, WinPicture, 0, 0);
    drawCounters(drawer);
    if (gameOver)
        drawer->drawText("game over", 225, 350, 64.0f, 1.0f, 1.0f, 1.0f, 1.0f);
}

void GamePlay::loadPictures(Drawer* drawer)
{
    ImageLoader loader;
    for (int i = 0; i < PictureCount; ++i) {
        ImageLoader::PixelData data = loader.loadImage(*embeddedPictures[i].bytes, *embeddedPictures[i].size);
        opaqueOverCell[i] = isOpaqueOverCell(data.pixels, data.width, data.height);
        pictures[i] = drawer->loadImage(data.pixels, data.width, data.height);
    }
}

// Whether a tile picture, drawn 16 pixels up and left of its cell, is opaque over the
// whole 32 x 32 cell.
bool GamePlay::isOpaqueOverCell(const unsigned char* rgba, unsigned width, unsigned height)
{
    if (!rgba || width < TileOverhang * 2 + CellPixels || height < TileOverhang * 2 + CellPixels)
        return false;
    for (unsigned y = TileOverhang; y < TileOverhang + CellPixels; ++y)
        for (unsigned x = TileOverhang; x < TileOverhang + CellPixels; ++x)
            if (rgba[(y * width + x) * 4 + 3] != 255)
                return false;
    return true;
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

// The sky brightens from night to day as the boxes are lit. Drawn only in the parts
// given, when given.
void GamePlay::drawSky(Drawer* drawer, const std::vector<Drawer::LayerPart>* parts)
{
    int boxes = static_cast<int>(light.getLightBoxes().size());
    float f = 0.0f;
    if (boxes > 0)
        f = static_cast<float>(GameCounter::getInstance()->getCount(LitCounter)) / static_cast<float>(boxes);
    f = std::min(std::max(f, 0.0f), 1.0f);
    auto channel = [](float value) { return static_cast<unsigned char>(static_cast<int>(value)); };
    unsigned char top[4] = {channel(f * 128.0f), channel(f * 128.0f), channel(f * 255.0f), 255};
    unsigned char bottom[4] = {channel(47.0f * (1.0f - f) + 255.0f * f), channel(65.0f * (1.0f - f) + 255.0f * f),
                               channel(101.0f * (1.0f - f) + 255.0f * f), 255};
    if (parts)
        drawer->fillGradientParts(0, 0, Drawer::ScreenWidth, Drawer::ScreenHeight, top, bottom, *parts);
    else
        drawer->fillGradient(0, 0, Drawer::ScreenWidth, Drawer::ScreenHeight, top[0], top[1], top[2], top[3],
                             bottom[0], bottom[1], bottom[2], bottom[3]);
}

// The two tile passes cover the cells whose pictures reach the screen: 35 x 27 from the
// cell left of and above the view's origin (its picture overhangs the screen's left and top
// 16 pixels while the view is scrolled less than half a cell into it).
void GamePlay::drawTileLayer(Drawer* drawer, bool foreground)
{
    int firstColumn = static_cast<int>(viewX);
    int firstRow = static_cast<int>(viewY);
    int originX = screenX(0);
    int originY = screenY(0);
    paintTiles(drawer, foreground, std::max(firstColumn - 1, 0), std::max(firstRow - 1, 0),
               std::min(firstColumn + TileColumns, MapWidth), std::min(firstRow + TileRows, MapHeight), originX,
               originY);
}

void GamePlay::paintTiles(Drawer* drawer, bool foreground, int left, int top, int right, int bottom, int originX,
                          int originY)
{
    for (int row = top; row < bottom; ++row) {
        for (int column = left; column < right; ++column) {
            int x = originX + column * CellPixels - TileOverhang;
            int y = originY + row * CellPixels - TileOverhang;
            Picture drawn[MaxTilePictures];
            int count = tilePictures(foreground, map[row][column], drawn);
            for (int i = 0; i < count; ++i)
                drawPicture(drawer, drawn[i], x, y);
        }
    }
}

// The pictures a pass draws for a cell, bottom first. Behind the rest of the play field:
// the cave's back wall (also behind spikes), lamps and lava. In front: rock, grass, pipes,
// crates (on the back wall) and spikes.
int GamePlay::tilePictures(bool foreground, TileType tile, Picture drawn[MaxTilePictures])
{
    int count = 0;
    if (!foreground) {
        if (tile == CaveBack || tile == Spikes)
            drawn[count++] = CaveBackPicture;
        else if (tile == Lamp)
            drawn[count++] = LampPicture;
        else if (tile == Lava)
            drawn[count++] = LavaPicture;
        return count;
    }
    if (tile == Earth)
        drawn[count++] = EarthPicture;
    else if (tile == Grass)
        drawn[count++] = GrassPicture;
    else if (tile == LightPipe)
        drawn[count++] = LightPipePicture;
    else if (tile == Crate) {
        drawn[count++] = CaveBackPicture;
        drawn[count++] = CratePicture;
    } else if (tile == Spikes)
        drawn[count++] = SpikesPicture;
    return count;
}

// Every tile picture is 64 x 64 over its 32 x 32 cell: 16 pixels beyond it on each side.
int GamePlay::backPassOverhang(TileType tile)
{
    Picture drawn[MaxTilePictures];
    return tilePictures(false, tile, drawn) > 0 ? TileOverhang : TileLayerCache::NotDrawn;
}

int GamePlay::forePassOverhang(TileType tile)
{
    Picture drawn[MaxTilePictures];
    return tilePictures(true, tile, drawn) > 0 ? TileOverhang : TileLayerCache::NotDrawn;
}

bool GamePlay::coversCell(bool foreground, TileType tile) const
{
    Picture drawn[MaxTilePictures];
    int count = tilePictures(foreground, tile, drawn);
    for (int i = 0; i < count; ++i)
        if (opaqueOverCell[drawn[i]])
            return true;
    return false;
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
        drawPicture(drawer, CaveBackPicture, x, y);
        if (!box.lit) {
            drawPicture(drawer, LightBoxPicture, x, y);
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

// The halos lie over the sprites; only the 32 x 24 cells on screen are looked at.
void GamePlay::drawHalos(Drawer* drawer)
{
    int firstColumn = static_cast<int>(viewX);
    int firstRow = static_cast<int>(viewY);
    for (int row = firstRow; row < firstRow + ViewRows && row < MapHeight; ++row)
        for (int column = firstColumn; column < firstColumn + ViewColumns && column < MapWidth; ++column)
            if (map[row][column] == Lamp)
                drawPicture(drawer, LampGlowPicture, screenX(column) - 48, screenY(row) - 48);
}

void GamePlay::drawCounters(Drawer* drawer)
{
    drawPicture(drawer, HeartIconPicture, -20, -20);
    drawer->drawText(std::to_string(player.getNumLives()), 60, 18, 36.0f, 1.0f, 1.0f, 1.0f, 1.0f);
    drawPicture(drawer, LightBoxIconPicture, 435, -20);
    drawer->drawText(std::to_string(GameCounter::getInstance()->getCount(LitCounter)), 535, 18, 36.0f,
                     1.0f, 1.0f, 1.0f, 1.0f);
    drawPicture(drawer, ReflectorIconPicture, 820, -20);
    drawer->drawText(std::to_string(player.getNumReflectors()), 920, 18, 36.0f, 1.0f, 1.0f, 1.0f, 1.0f);
}
