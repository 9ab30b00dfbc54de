#include "cli/command.h"

#include <exception>

#include "cli/case_file.h"
#include "cli/case_run.h"
#include "cli/default_case.h"
#include "cli/report.h"

namespace brixel::cli {

namespace {

void PrintUsage(std::ostream& out) {
    out << "usage: brixel                 run the built-in default case (a gas cyclone)\n"
           "       brixel run CASE.yaml   run a separator case file\n"
           "       brixel --help          show this text\n"
           "exit codes: 0 calculated, 1 completed through the fallback exit,\n"
           "            2 bad usage or bad case file, 3 internal failure\n"
           "            (with 2 and 3 nothing is printed on stdout)\n";
}

int RunCase(const SeparatorCase& input, const std::string& source, std::ostream& out) {
    const CaseResult result = RunSeparatorCase(input);
    const std::string report = FormatReport(result, source);
    out << report << std::flush;
    return result.fallback ? kExitFallback : kExitCalculated;
}

}  // namespace

int RunCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    try {
        if (arguments.empty()) {
            const std::string name(kDefaultCaseName);
            return RunCase(ParseCase(std::string(DefaultCaseText()), name), name, out);
        }
        if (arguments[0] == "--help" || arguments[0] == "-h") {
            PrintUsage(out);
            return kExitCalculated;
        }
        if (arguments[0] == "run" && arguments.size() == 2) {
            const std::string& path = arguments[1];
            try {
                return RunCase(LoadCaseFile(path), path, out);
            } catch (const CaseRunError& error) {
                err << "brixel: " << path << ": " << error.what() << "\n";
                return kExitBadInput;
            }
        }
        if (arguments[0] == "run") {
            err << "brixel: run takes exactly one case file\n";
        } else {
            err << "brixel: unknown argument '" << arguments[0] << "'\n";
        }
        PrintUsage(err);
        return kExitBadInput;
    } catch (const CaseFileError& error) {
        err << "brixel: " << error.what() << "\n";
        return kExitBadInput;
    } catch (const std::exception& error) {
        err << "brixel: internal failure: " << error.what() << "\n";
        return kExitInternalFailure;
    } catch (...) {
        err << "brixel: internal failure\n";
        return kExitInternalFailure;
    }
}

}  // namespace brixel::cli
