// The brixel command: runs unit operations on the substitute host.
#include <exception>
#include <iostream>
#include <string>

#include "cli/default_case.h"

namespace {

void PrintUsage(std::ostream& out) {
    out << "usage: brixel            run the built-in default case\n"
           "       brixel --help     show this text\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        const std::string argument = argv[1];
        if (argument == "--help" || argument == "-h") {
            PrintUsage(std::cout);
            return 0;
        }
        std::cerr << "brixel: unknown argument '" << argument << "'\n";
        PrintUsage(std::cerr);
        return 2;
    }
    try {
        return brixel::cli::RunDefaultCase(std::cout);
    } catch (const std::exception& error) {
        std::cerr << "brixel: " << error.what() << "\n";
        return 1;
    }
}
