#include "cli/command.h"

#include <exception>

#include "cli/case_kinds.h"
#include "cli/default_case.h"
#include "cli/run_report.h"

namespace brixel::cli {

namespace {

void PrintUsage(std::ostream& out) {
    out << "usage: brixel                 run the built-in default case (a gas cyclone)\n"
           "       brixel run CASE.yaml   run a case file\n"
           "       brixel --help          show this text\n"
           "case kinds (the case file's 'unit:', default separator):\n";
    for (const CaseKind& kind : CaseKinds()) {
        out << "       " << kind.key
            << std::string(22 - std::min<std::size_t>(21, kind.key.size()), ' ') << kind.summary
            << "\n";
    }
    out << "exit codes: 0 calculated, 1 completed through the fallback exit,\n"
           "            2 bad usage or bad case file, 3 internal failure\n"
           "            (with 2 and 3 nothing is printed on stdout)\n";
}

// Writes the report in one piece; a report that could not be written is an internal failure,
// never a silent success.
int Deliver(const RunResult& result, const std::string& source, std::ostream& out,
            std::ostream& err) {
    const std::string report = FormatRunReport(result, source);
    out << report << std::flush;
    if (!out) {
        err << "brixel: internal failure: the report could not be written\n";
        return kExitInternalFailure;
    }
    return result.fallback ? kExitFallback : kExitCalculated;
}

int RunText(const std::string& text, const std::string& source, std::ostream& out,
            std::ostream& err) {
    const CaseRunner run = ReadCase(text, source);
    try {
        return Deliver(run(), source, out, err);
    } catch (const CaseRunError& error) {
        err << "brixel: " << source << ": " << error.what() << "\n";
        return kExitBadInput;
    }
}

}  // namespace

int RunCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    try {
        if (arguments.empty()) {
            return RunText(std::string(DefaultCaseText()), std::string(kDefaultCaseName), out, err);
        }
        if (arguments[0] == "--help" || arguments[0] == "-h") {
            PrintUsage(out);
            return kExitCalculated;
        }
        if (arguments[0] == "run" && arguments.size() == 2) {
            const std::string& path = arguments[1];
            return RunText(ReadCaseText(path), path, out, err);
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
