#pragma once

#include <string>

// Thrown by the Application's constructor for the only two conditions that end a run
// early: SDL cannot start, or "--help" was asked for. SDL_main catches it and prints it.
class FatalError {
public:
    explicit FatalError(const std::string& message);

    // Writes the message and a line end to standard output.
    void display();

    const std::string& getMessage() const { return message; }

private:
    std::string message;
};
