// The program's entry. On the platforms where SDL 1.2 wants its own launcher it renames
// main to SDL_main; here the launcher is this plain main, so the rename is undone and
// SDL_main is defined by hand as the one portable entry.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/FatalError.h"

#ifdef main
#undef main
#endif

extern "C" int SDL_main(int argc, char** argv);

extern "C" int SDL_main(int argc, char** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; i++)
        args.push_back(argv[i]);

    try {
        Application application(args);
        application.eventLoop();
    } catch (FatalError& error) {
        FatalError copy(error);
        copy.display();
    }
    return 0;
}

int main(int argc, char** argv)
{
    // Standard output is often a pipe; line buffering keeps every finished message even
    // when the process is killed.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    // "tarnwick | head -1": once the reader is gone a message is simply lost; the game
    // goes on and still ends with status 0.
    std::signal(SIGPIPE, SIG_IGN);
    Application::keepMemoryFlat();
    return SDL_main(argc, argv);
}
