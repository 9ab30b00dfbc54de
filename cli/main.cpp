// The brixel command: runs unit-operation cases on the substitute host.
#include <iostream>
#include <string>
#include <vector>

#include "cli/command.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return brixel::cli::RunCommand(arguments, std::cout, std::cerr);
}
