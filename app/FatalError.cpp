#include "app/FatalError.h"

#include <iostream>

FatalError::FatalError(const std::string& message)
    : message(message)
{
}

void FatalError::display()
{
    // The run is about to end: flush so the message survives whatever happens next.
    std::cout << message << std::endl;
}
