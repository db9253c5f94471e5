#pragma once

#include <cstdlib>
#include <memory>

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include "render/SDLDrawer.h"

// A software drawer on a 1024 x 768 window of SDL's dummy video driver, made afresh for
// each test, so pixels can be read back without any display.
class SoftwareDrawerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(0, SDL_Init(SDL_INIT_VIDEO));
        drawer.reset(new SDLDrawer);
        ASSERT_TRUE(drawer->initialise(1024, 768, false, 0));
    }
    void TearDown() override
    {
        drawer.reset();
        SDL_Quit();
    }

    std::unique_ptr<SDLDrawer> drawer;
};
