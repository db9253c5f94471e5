#include "tools/route/RoutePlayer.h"

#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "game/GameCounter.h"
#include "game/GamePlay.h"
#include "game/SpikeBall.h"

namespace {

std::string baseName(const std::string& path)
{
    std::string::size_type slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The commands of a route with their line numbers, comments and blank lines dropped.
std::vector<std::pair<int, std::string>> routeLines(const std::string& text)
{
    std::vector<std::pair<int, std::string>> lines;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::string::size_type hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        if (line.find_first_not_of(" \t\r") != std::string::npos)
            lines.emplace_back(number, line);
    }
    return lines;
}

SDL_keysym keysym(SDLKey sym)
{
    SDL_keysym key = {};
    key.sym = sym;
    return key;
}

} // namespace

RoutePlayer::RoutePlayer(GamePlay& game) : game(game), frame(0), trace(nullptr)
{
}

bool RoutePlayer::play(const std::string& routeText, std::string& error)
{
    game.keyDown(keysym(SDLK_SPACE));
    game.keyUp(keysym(SDLK_SPACE));

    for (const auto& line : routeLines(routeText)) {
        std::istringstream words(line.second);
        std::string command;
        words >> command;
        std::string failure;
        if (game.isLevelComplete() && command != "expect")
            failure = "the level was already complete";
        else if (game.isGameOver())
            failure = "the game is over";
        else
            failure = run(line.second);
        if (!failure.empty()) {
            error = "line " + std::to_string(line.first) + " \"" + line.second + "\": " + failure + " (" + state() + ")";
            return false;
        }
        if (trace)
            *trace << line.first << " " << line.second << ": " << state() << "\n";
    }
    step();
    noteOutcome();
    return true;
}

std::string RoutePlayer::state() const
{
    const Player& robot = game.getPlayer();
    std::ostringstream text;
    text << "x " << robot.getX() << ", y " << robot.getY() << ", frame " << frame << ", lives "
         << robot.getNumLives();
    return text.str();
}

void RoutePlayer::noteOutcome()
{
    recording.frames = frame;
    recording.lives = game.getPlayer().getNumLives();
    recording.lit = GameCounter::getInstance()->getCount(GamePlay::LitCounter);
    recording.boxes = static_cast<int>(game.getLightBoxes().size());
    recording.worldFingerprint = KeyRecording::fingerprintWorld(game);
}

std::string RoutePlayer::run(const std::string& line)
{
    std::istringstream words(line);
    std::string command;
    words >> command;
    if ((command == "right" || command == "left") && line.find(" until ") != std::string::npos) {
        std::string until;
        words >> until;
        send(command, true);
        std::string failure = advanceUntil(words);
        send(command, false);
        return failure;
    }
    if (command == "press" || command == "release") {
        std::string name;
        words >> name;
        if (name != "right" && name != "left" && name != "jump")
            return "unknown key " + name;
        send(name, command == "press");
        return "";
    }
    if (command == "until")
        return advanceUntil(words);
    if (command == "wait") {
        int frames = 0;
        words >> frames;
        for (int i = 0; i < frames; ++i)
            step();
        return "";
    }
    if (command == "settle")
        return settle();
    if (command == "jump") {
        send("jump", true);
        std::string failure = settle();
        send("jump", false);
        return failure;
    }
    if (command == "drop") {
        size_t placed = game.getReflectors().size();
        send("drop", true);
        send("drop", false);
        return game.getReflectors().size() == placed + 1 ? "" : "no reflector was placed";
    }
    if (command == "expect")
        return expect(words);
    return "unknown command";
}

void RoutePlayer::step()
{
    drawer.beginDrawing();
    game.draw(&drawer);
    drawer.endDrawing();
    ++frame;
}

// Every key goes to the game through here, so the recording holds exactly what it saw.
void RoutePlayer::send(const std::string& key, bool pressed)
{
    recording.events.push_back(KeyRecording::Event{frame, pressed, key});
    SDL_keysym sym = keysym(KeyRecording::keySym(key));
    if (pressed)
        game.keyDown(sym);
    else
        game.keyUp(sym);
}

bool RoutePlayer::value(const std::string& name, std::istream& words, float& out) const
{
    const Player& player = game.getPlayer();
    if (name == "x")
        out = player.getX();
    else if (name == "y")
        out = player.getY();
    else if (name == "frame")
        out = static_cast<float>(frame);
    else if (name == "lives")
        out = static_cast<float>(player.getNumLives());
    else if (name == "ball" || name == "gap") {
        size_t index = 0;
        words >> index;
        const std::vector<SpikeBall*>& balls = game.getSpikeBalls();
        if (index >= balls.size())
            return false;
        out = balls[index]->getX() - (name == "gap" ? player.getX() : 0.0f);
    } else
        return false;
    return true;
}

// Reads "VALUE >= NUMBER" and tells whether it holds now; `valid` is false when the words
// do not make a condition.
bool RoutePlayer::holds(const std::string& condition, bool& valid) const
{
    std::istringstream words(condition);
    std::string name, comparison;
    float current = 0.0f, target = 0.0f;
    words >> name;
    valid = value(name, words, current) && (words >> comparison >> target) &&
            (comparison == ">=" || comparison == "<=");
    if (!valid)
        return false;
    return comparison == ">=" ? current >= target : current <= target;
}

std::string RoutePlayer::advanceUntil(std::istream& words)
{
    std::string condition;
    std::getline(words, condition);
    bool valid = true;
    for (int i = 0; i < FrameLimit; ++i) {
        if (holds(condition, valid))
            return "";
        if (!valid)
            return "cannot read the condition";
        step();
    }
    return "condition not reached in time";
}

std::string RoutePlayer::settle()
{
    float previous = game.getPlayer().getY();
    int still = 0;
    for (int i = 0; i < FrameLimit; ++i) {
        step();
        float y = game.getPlayer().getY();
        still = y == previous ? still + 1 : 0;
        previous = y;
        if (still >= 2)
            return "";
    }
    return "the robot never came to rest";
}

std::string RoutePlayer::expect(std::istream& words)
{
    std::string what;
    int wanted = 0;
    words >> what >> wanted;
    int have;
    if (what == "lit")
        have = GameCounter::getInstance()->getCount(GamePlay::LitCounter);
    else if (what == "reflectors")
        have = game.getPlayer().getNumReflectors();
    else if (what == "lives")
        have = game.getPlayer().getNumLives();
    else
        return "unknown expectation " + what;
    if (have != wanted)
        return "expected " + what + " " + std::to_string(wanted) + ", have " + std::to_string(have);
    return "";
}

bool RoutePlayer::record(const std::string& routePath, const std::string& levelPath, KeyRecording& out,
                         std::string& error, std::ostream* trace)
{
    std::ifstream routeFile(routePath.c_str());
    if (!routeFile) {
        error = "cannot read " + routePath;
        return false;
    }
    std::ostringstream routeText;
    routeText << routeFile.rdbuf();

    std::unique_ptr<GamePlay> game = KeyRecording::gameOnLevel(levelPath);
    if (!game) {
        error = "cannot read " + levelPath;
        return false;
    }
    unsigned fingerprint = KeyRecording::fingerprintLevel(game->getMap());   // before crates are taken

    RoutePlayer player(*game);
    player.setTrace(trace);
    bool played = player.play(routeText.str(), error);
    if (!played)
        error = baseName(routePath) + " " + error;
    out = player.getRecording();
    out.route = baseName(routePath);
    out.level = baseName(levelPath);
    out.levelFingerprint = fingerprint;
    GameCounter::getInstance()->reset();
    return played;
}
