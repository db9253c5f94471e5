// The Application under the SDL dummy video driver with the software drawer: state
// switching, input forwarding, mouse scaling, joystick mapping and frame pacing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "app/Application.h"
#include "app/FatalError.h"
#include "app/GameState.h"
#include "tests/support/TempFolder.h"

namespace {

// A screen that remembers what reached it.
class RecordingState : public GameState {
public:
    RecordingState(Application* app, const std::string& name, std::vector<std::string>* log)
        : GameState(app), name(name), log(log) {}

    void draw(Drawer*) override { log->push_back(name + " draw"); }
    void keyDown(const SDL_keysym& key) override { log->push_back(name + " down " + std::to_string(key.sym)); }
    void keyUp(const SDL_keysym& key) override { log->push_back(name + " up " + std::to_string(key.sym)); }
    void mouseDown(int button, int x, int y) override { record("mousedown", button, x, y); }
    void mouseUp(int button, int x, int y) override { record("mouseup", button, x, y); }
    void mouseMove(int x, int y) override { record("mousemove", 0, x, y); }
    std::string getName() const override { return name; }

private:
    void record(const char* what, int button, int x, int y)
    {
        log->push_back(name + " " + what + " " + std::to_string(button) + " " + std::to_string(x) + " "
                       + std::to_string(y));
    }

    std::string name;
    std::vector<std::string>* log;
};

// A screen that hands over to a recording screen named "Next" on its first key, from
// inside its key handler as the real screens do.
class SwitchingState : public RecordingState {
public:
    SwitchingState(Application* app, std::vector<std::string>* log)
        : RecordingState(app, "Switching", log), log(log) {}
    void keyDown(const SDL_keysym& key) override
    {
        RecordingState::keyDown(key);
        application->setCurrentState(new RecordingState(application, "Next", log));
    }

private:
    std::vector<std::string>* log;
};

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder.exportAs("HOME");
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        // No bundle: the game runs without level, sounds or music.
        folder.restoreLater("TARNWICK_DATA_DIR");
        setenv("TARNWICK_DATA_DIR", (home + "/no-bundle").c_str(), 1);
    }

    static void pushKey(Uint8 type, SDLKey sym)
    {
        SDL_Event event = {};
        event.type = type;
        event.key.type = type;
        event.key.keysym.sym = sym;
        SDL_PushEvent(&event);
    }

    static void pushQuit()
    {
        SDL_Event event = {};
        event.type = SDL_QUIT;
        SDL_PushEvent(&event);
    }

    TempFolder folder{"app"};
    const std::string home = folder.path();
    std::vector<std::string> log;
};

const std::vector<std::string> softwareQuiet = {"--sdl", "--nosound", "--nomusic"};

TEST_F(ApplicationTest, StartsOnTheTitleScreen)
{
    Application app(softwareQuiet);
    ASSERT_NE(app.getCurrentState(), nullptr);
    EXPECT_EQ(app.getCurrentState()->getName(), "TitleScreen");
    EXPECT_EQ(app.getWidth(), 800);
    EXPECT_EQ(app.getHeight(), 600);
    EXPECT_TRUE(app.isSoundOff());
    EXPECT_TRUE(app.isMusicOff());
}

TEST_F(ApplicationTest, SwitchingFollowsTheTable)
{
    Application app(softwareQuiet);
    app.nextState(false);
    EXPECT_EQ(app.getCurrentState()->getName(), "GamePlay");
    app.nextState(false);
    EXPECT_EQ(app.getCurrentState()->getName(), "TitleScreen");
    app.nextState(true);
    EXPECT_EQ(app.getCurrentState()->getName(), "LevelEditor");
    app.nextState(true);
    EXPECT_EQ(app.getCurrentState()->getName(), "LevelEditor");
    app.nextState(false);
    EXPECT_EQ(app.getCurrentState()->getName(), "TitleScreen");
}

TEST_F(ApplicationTest, AStateOfAnotherNameIsKeptByNextStateFalse)
{
    Application app(softwareQuiet);
    RecordingState* odd = new RecordingState(&app, "Elsewhere", &log);
    app.setCurrentState(odd);
    app.nextState(false);
    EXPECT_EQ(app.getCurrentState(), odd);
    app.nextState(true);
    EXPECT_EQ(app.getCurrentState()->getName(), "LevelEditor");
}

// Fails on a loop that drops the rest of the queue after a switch (the Down key and the
// mouse move never reach "Next"), and on one that keeps handing events to the old state.
TEST_F(ApplicationTest, EventsAfterASwitchReachTheNewStateWhichDrawsThatPass)
{
    Application app(softwareQuiet);
    app.setCurrentState(new SwitchingState(&app, &log));
    pushKey(SDL_KEYDOWN, SDLK_RETURN);
    pushKey(SDL_KEYDOWN, SDLK_DOWN);
    SDL_Event move = {};
    move.type = SDL_MOUSEMOTION;
    move.motion.type = SDL_MOUSEMOTION;
    move.motion.x = 10;
    move.motion.y = 20;
    SDL_PushEvent(&move);
    ASSERT_TRUE(app.runPass());
    std::vector<std::string> expected = {"Switching down 13", "Next down 274", "Next mousemove 0 10 20", "Next draw"};
    EXPECT_EQ(log, expected);
}

TEST_F(ApplicationTest, QuitStillDeliversQueuedEventsButDrawsNoMore)
{
    Application app(softwareQuiet);
    app.setCurrentState(new RecordingState(&app, "Screen", &log));
    pushQuit();
    pushKey(SDL_KEYDOWN, SDLK_z);
    EXPECT_FALSE(app.runPass());
    EXPECT_TRUE(app.isQuitRequested());
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "Screen down 122");
}

TEST_F(ApplicationTest, APassDrawsTheCurrentState)
{
    Application app(softwareQuiet);
    app.setCurrentState(new RecordingState(&app, "Screen", &log));
    ASSERT_TRUE(app.runPass());
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "Screen draw");
}

TEST_F(ApplicationTest, TheSoftwareDrawersWindowIsTheLogicalScreenWhateverSizeWasAsked)
{
    Application app(softwareQuiet);  // 800 x 600 asked for, 1024 x 768 opened
    app.setCurrentState(new RecordingState(&app, "S", &log));
    app.mouseDown(1, 400, 300);
    app.mouseUp(3, 1023, 767);
    app.mouseMove(0, 0);
    std::vector<std::string> expected = {"S mousedown 1 400 300", "S mouseup 3 1023 767", "S mousemove 0 0 0"};
    EXPECT_EQ(log, expected);
}

TEST(MouseScaling, ByThePicturesPlaceInTheWindowRoundingDown)
{
    // 800 x 600: the whole window.
    EXPECT_EQ(Application::scaleToLogical(400, 0, 800, 1024), 512);
    EXPECT_EQ(Application::scaleToLogical(799, 0, 800, 1024), 1022);
    EXPECT_EQ(Application::scaleToLogical(599, 0, 600, 768), 766);
    // 1280 x 800: the picture is 1066 wide from x 106, with bands either side.
    EXPECT_EQ(Application::scaleToLogical(639, 106, 1066, 1024), 512);
    EXPECT_EQ(Application::scaleToLogical(106, 106, 1066, 1024), 0);
    EXPECT_EQ(Application::scaleToLogical(105, 106, 1066, 1024), -1);  // the left band
    EXPECT_EQ(Application::scaleToLogical(1172, 106, 1066, 1024), 1024);  // the right band
}

TEST_F(ApplicationTest, StickMovesPressAndReleaseArrows)
{
    Application app(softwareQuiet);
    app.setCurrentState(new RecordingState(&app, "S", &log));

    // Centre to full right: only a press of Right; further moves press it again.
    app.joystickAxis(0, 32767);
    app.joystickAxis(0, 20000);
    // Back to the centre: Right then Left released, held or not.
    app.joystickAxis(0, 100);
    std::vector<std::string> expected = {"S down 275", "S down 275", "S up 275", "S up 276"};
    EXPECT_EQ(log, expected);

    log.clear();
    app.joystickAxis(1, 32767);   // down
    app.joystickAxis(1, -32768);  // straight to up: release Down, press Up
    expected = {"S down 274", "S up 274", "S down 273"};
    EXPECT_EQ(log, expected);

    log.clear();
    app.joystickAxis(0, -129);  // just outside the dead zone: Left
    app.joystickAxis(0, 129);   // Left was held: release it, press Right
    app.joystickAxis(0, -128);  // the dead zone's edge
    expected = {"S down 276", "S up 276", "S down 275", "S up 275", "S up 276"};
    EXPECT_EQ(log, expected);

    log.clear();
    app.joystickAxis(2, 32767);  // other axes do nothing
    EXPECT_TRUE(log.empty());
}

TEST_F(ApplicationTest, JoystickButtonsAreZXAndC)
{
    Application app(softwareQuiet);
    app.setCurrentState(new RecordingState(&app, "S", &log));
    app.joystickButton(0, true);
    app.joystickButton(1, true);
    app.joystickButton(2, true);
    app.joystickButton(7, false);
    std::vector<std::string> expected = {"S down 122", "S down 120", "S down 99", "S up 99"};
    EXPECT_EQ(log, expected);
}

TEST_F(ApplicationTest, JoystickEventsFromTheQueueAreMapped)
{
    Application app(softwareQuiet);
    app.setCurrentState(new RecordingState(&app, "S", &log));
    SDL_Event axis = {};
    axis.type = SDL_JOYAXISMOTION;
    axis.jaxis.type = SDL_JOYAXISMOTION;
    axis.jaxis.axis = 0;
    axis.jaxis.value = -30000;
    SDL_PushEvent(&axis);
    SDL_Event button = {};
    button.type = SDL_JOYBUTTONUP;
    button.jbutton.type = SDL_JOYBUTTONUP;
    button.jbutton.button = 0;
    SDL_PushEvent(&button);
    ASSERT_TRUE(app.runPass());
    std::vector<std::string> expected = {"S down 276", "S up 122", "S draw"};
    EXPECT_EQ(log, expected);
}

TEST(FramePacing, PausesUpToThirtyMillisecondsCountingThePauseTowardsTheNextFrame)
{
    Uint32 last = 0;
    EXPECT_EQ(Application::framePause(10, last), 20u);
    EXPECT_EQ(last, 10u);
    EXPECT_EQ(Application::framePause(40, last), 0u);  // 30 ms since: no pause
    EXPECT_EQ(Application::framePause(69, last), 1u);  // 29 ms: pause 1
    EXPECT_EQ(Application::framePause(169, last), 0u);
}

// A clock that only moves when the loop pauses or a frame is drawn.
Uint32 fakeNow = 0;
Uint32 fakeTicks() { return fakeNow; }
void fakeDelay(Uint32 milliseconds) { fakeNow += milliseconds; }

// Draws in 5 ms of the fake clock, noting when each frame began.
class FiveMillisecondState : public GameState {
public:
    FiveMillisecondState(Application* app, std::vector<Uint32>* starts) : GameState(app), starts(starts) {}
    void draw(Drawer*) override
    {
        starts->push_back(fakeNow);
        fakeNow += 5;
    }
    std::string getName() const override { return "Timed"; }

private:
    std::vector<Uint32>* starts;
};

// Drives the real loop. Fails on a loop that takes its stamp again after the pause
// (every frame 30 ms apart) and on one that does not pause at all (every frame 5 ms).
TEST_F(ApplicationTest, FiveMillisecondFramesAlternateThirtyAndFiveApart)
{
    Application app(softwareQuiet);
    std::vector<Uint32> starts;
    fakeNow = 1000;
    app.setClock(fakeTicks, fakeDelay);
    app.setCurrentState(new FiveMillisecondState(&app, &starts));
    for (int i = 0; i < 7; ++i)
        ASSERT_TRUE(app.runPass());
    // The first frame comes long after the start stamp of 0, so it does not pause.
    std::vector<Uint32> gaps;
    for (size_t i = 1; i < starts.size(); ++i)
        gaps.push_back(starts[i] - starts[i - 1]);
    std::vector<Uint32> expected = {30, 5, 30, 5, 30, 5};
    EXPECT_EQ(starts.at(0), 1000u);
    EXPECT_EQ(gaps, expected);
}

TEST_F(ApplicationTest, HelpEndsTheRunWithAFatalErrorOfOneNewline)
{
    testing::internal::CaptureStdout();
    try {
        Application app({"-w", "640", "--help"});
        FAIL() << "no FatalError";
    } catch (FatalError& error) {
        EXPECT_EQ(error.getMessage(), "\n");
    }
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Usage:"), std::string::npos);
    EXPECT_EQ(out.find("Using default"), std::string::npos);
}

} // namespace
