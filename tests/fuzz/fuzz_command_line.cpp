// The command line: the bytes are the arguments, one per line.
#include <string>
#include <vector>

#include "app/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size; i++) {
        if (data[i] == '\n')
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    }
    if (CommandLine::wantsHelp(args))
        CommandLine::printHelp();
    else
        CommandLine::parse(args);
    return 0;
}
