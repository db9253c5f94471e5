#pragma once

#include <SDL/SDL.h>

// The key event a screen gets for `sym` pressed with the modifiers `mod`.
inline SDL_keysym keyOf(int sym, int mod = KMOD_NONE)
{
    SDL_keysym key = SDL_keysym();
    key.sym = static_cast<SDLKey>(sym);
    key.mod = static_cast<SDLMod>(mod);
    return key;
}
