#include "tools/route/KeyRecording.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "game/GameCounter.h"
#include "game/GamePlay.h"
#include "game/LevelFile.h"
#include "game/SpikeBall.h"
#include "render/Drawer.h"
#include "tests/support/NullDrawer.h"

namespace {

SDL_keysym keysym(SDLKey sym)
{
    SDL_keysym key = {};
    key.sym = sym;
    return key;
}

const unsigned FnvStart = 2166136261u;

void fnvMix(unsigned& hash, const void* data, size_t size)
{
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 16777619u;
    }
}

template <typename T>
void fnvMix(unsigned& hash, T value)
{
    fnvMix(hash, &value, sizeof value);
}

std::string hex(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

// The "# name: value" lines of the header, by name.
std::map<std::string, std::string> headerFields(const std::string& text)
{
    std::map<std::string, std::string> fields;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.compare(0, 2, "# ") != 0)
            continue;
        std::string::size_type colon = line.find(": ");
        std::string::size_type space = line.find(' ', 2);
        if (colon != std::string::npos && colon < space)
            fields[line.substr(2, colon - 2)] = line.substr(colon + 2);
    }
    return fields;
}

} // namespace

std::string KeyRecording::toText() const
{
    std::ostringstream out;
    out << "# Tarnwick key recording, written by tools/record_routes.sh: do not edit by hand.\n"
        << "# route: " << route << "\n"
        << "# level: " << level << ", fingerprint " << hex(levelFingerprint) << "\n"
        << "# frames: " << frames << "\n"
        << "# ends: lives " << lives << ", lit " << lit << " of " << boxes << ", world " << hex(worldFingerprint)
        << "\n"
        << "# One event a line, FRAME press|release KEY (right, left, jump = Z, drop = X).\n"
        << "# Frame 0 is the first frame drawn after the story picture is gone; the events of\n"
        << "# frame N reach the game, in the order listed, before frame N is drawn.\n";
    for (const Event& event : events)
        out << event.frame << (event.pressed ? " press " : " release ") << event.key << "\n";
    return out.str();
}

bool KeyRecording::fromText(const std::string& text, KeyRecording& out, std::string& error)
{
    out = KeyRecording();
    std::map<std::string, std::string> fields = headerFields(text);
    const char* const needed[] = {"route", "level", "frames", "ends"};
    for (const char* name : needed) {
        if (!fields.count(name)) {
            error = std::string("the header has no \"# ") + name + ":\" line";
            return false;
        }
    }
    out.route = fields["route"];
    std::string::size_type comma = fields["level"].find(", fingerprint ");
    out.level = fields["level"].substr(0, comma);
    if (comma == std::string::npos ||
        std::sscanf(fields["level"].c_str() + comma, ", fingerprint %x", &out.levelFingerprint) != 1 ||
        std::sscanf(fields["frames"].c_str(), "%d", &out.frames) != 1 ||
        std::sscanf(fields["ends"].c_str(), "lives %d, lit %d of %d, world %x", &out.lives, &out.lit, &out.boxes,
                    &out.worldFingerprint) != 4) {
        error = "the header's level, frames or ends line cannot be read";
        return false;
    }

    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        Event event;
        std::string action;
        std::string rest;
        if (!(words >> event.frame >> action >> event.key) || (words >> rest) ||
            (action != "press" && action != "release") || keySym(event.key) == SDLK_UNKNOWN ||
            event.frame < 0 || event.frame >= out.frames ||
            (!out.events.empty() && event.frame < out.events.back().frame)) {
            error = "line " + std::to_string(lineNumber) + " is not an event in frame order: \"" + line + "\"";
            return false;
        }
        event.pressed = action == "press";
        out.events.push_back(event);
    }
    return true;
}

bool KeyRecording::load(const std::string& path, KeyRecording& out, std::string& error)
{
    std::ifstream in(path.c_str());
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!fromText(text.str(), out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

SDLKey KeyRecording::keySym(const std::string& key)
{
    if (key == "right")
        return SDLK_RIGHT;
    if (key == "left")
        return SDLK_LEFT;
    if (key == "jump")
        return SDLK_z;
    if (key == "drop")
        return SDLK_x;
    return SDLK_UNKNOWN;
}

unsigned KeyRecording::fingerprintLevel(const TileMap& map)
{
    unsigned hash = FnvStart;
    for (int row = 0; row < MapHeight; ++row)
        for (int column = 0; column < MapWidth; ++column)
            fnvMix(hash, static_cast<unsigned char>(map[row][column]));
    return hash;
}

unsigned KeyRecording::fingerprintWorld(const GamePlay& game)
{
    unsigned hash = FnvStart;
    const Player& robot = game.getPlayer();
    fnvMix(hash, robot.getX());
    fnvMix(hash, robot.getY());
    fnvMix(hash, robot.getNumLives());
    fnvMix(hash, robot.getNumReflectors());
    for (const SpikeBall* ball : game.getSpikeBalls()) {
        fnvMix(hash, ball->getX());
        fnvMix(hash, ball->isMovingRight());
    }
    for (const Reflector& reflector : game.getReflectors()) {
        fnvMix(hash, reflector.x);
        fnvMix(hash, reflector.y);
        fnvMix(hash, reflector.lit);
    }
    return hash;
}

std::string KeyRecording::describe() const
{
    return "recorded from " + route + " on " + level + " (fingerprint " + hex(levelFingerprint) + ")";
}

void KeyRecording::playThrough(GamePlay& game, Drawer& drawer, Outcome& out) const
{
    size_t next = 0;
    int held = game.getPlayer().getNumReflectors();
    out.fewestHeldAfterDrop = -1;
    out.frames = frames;
    for (int frame = 0; frame < frames; ++frame) {
        for (; next < events.size() && events[next].frame == frame; ++next) {
            const Event& event = events[next];
            SDL_keysym key = keysym(keySym(event.key));
            if (!event.pressed) {
                game.keyUp(key);
                continue;
            }
            // Any press after the game is over or won leaves for the title screen.
            if (game.isGameOver() || game.isLevelComplete()) {
                out.frames = frame;
                return;
            }
            game.keyDown(key);
        }
        drawer.beginDrawing();
        game.draw(&drawer);
        drawer.endDrawing();
        int now = game.getPlayer().getNumReflectors();
        if (now < held && (out.fewestHeldAfterDrop < 0 || now < out.fewestHeldAfterDrop))
            out.fewestHeldAfterDrop = now;
        held = now;
    }
}

std::unique_ptr<GamePlay> KeyRecording::gameOnLevel(const std::string& levelPath)
{
    GameCounter::getInstance()->reset();
    std::unique_ptr<GamePlay> game(new GamePlay(nullptr));
    if (LevelFile::read(levelPath, game->getMap()) != LevelFile::Read)
        return nullptr;
    game->loadLevelFromMap();
    return game;
}

bool KeyRecording::replay(const std::string& levelPath, Outcome& out) const
{
    std::unique_ptr<GamePlay> game = gameOnLevel(levelPath);
    if (!game)
        return false;
    out = Outcome();
    out.levelFingerprint = fingerprintLevel(game->getMap());
    game->keyDown(keysym(SDLK_SPACE));
    game->keyUp(keysym(SDLK_SPACE));

    NullDrawer drawer;
    playThrough(*game, drawer, out);
    out.complete = game->isLevelComplete();
    out.gameOver = game->isGameOver();
    out.lives = game->getPlayer().getNumLives();
    out.lit = GameCounter::getInstance()->getCount(GamePlay::LitCounter);
    out.boxes = static_cast<int>(game->getLightBoxes().size());
    for (const Reflector& box : game->getLightBoxes())
        out.boxesLit += box.lit;
    out.worldFingerprint = fingerprintWorld(*game);
    GameCounter::getInstance()->reset();
    return true;
}
