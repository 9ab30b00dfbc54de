#include "cli/command.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <stdexcept>
#include <utility>

#include "cli/case_kinds.h"
#include "cli/default_case.h"
#include "cli/output_files.h"
#include "cli/run_report.h"

namespace brixel::cli {

namespace {

void PrintUsage(std::ostream& out) {
    out << "usage: brixel [OUTPUTS]                 run the built-in default case (a gas cyclone)\n"
           "       brixel run CASE.yaml [OUTPUTS]   run a case file\n"
           "       brixel --help                    show this text\n"
           "outputs, besides the text report on stdout (files are replaced):\n"
           "       --plots DIR   figures as SVG and PNG    e.g. brixel --plots figures\n"
           "       --json FILE   the whole result as JSON  e.g. brixel --json result.json\n"
           "       --csv DIR     every table as CSV        e.g. brixel run CASE.yaml --csv out\n"
           "       --html FILE   a self-contained page     e.g. brixel --html report.html\n"
           "case kinds (the case file's 'unit:', default separator):\n";
    for (const CaseKind& kind : CaseKinds()) {
        out << "       " << kind.key
            << std::string(22 - std::min<std::size_t>(21, kind.key.size()), ' ') << kind.summary
            << "\n";
    }
    out << "exit codes: 0 calculated, 1 completed through the fallback exit,\n"
           "            2 bad usage or bad case file, 3 internal failure\n"
           "            (with 2 and 3 nothing is printed on stdout, unless only an output\n"
           "            could not be written: then the report is complete on stdout)\n";
}

// What the arguments ask for.
struct Invocation {
    bool help = false;
    std::string casePath;  // empty: the built-in default case
    OutputRequest outputs;
};

class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

Invocation ParseArguments(const std::vector<std::string>& arguments) {
    Invocation invocation;
    if (!arguments.empty() && (arguments[0] == "--help" || arguments[0] == "-h")) {
        invocation.help = true;
        return invocation;
    }
    const std::pair<const char*, std::string OutputRequest::*> options[] = {
        {"--plots", &OutputRequest::plotsDirectory},
        {"--json", &OutputRequest::jsonFile},
        {"--csv", &OutputRequest::csvDirectory},
        {"--html", &OutputRequest::htmlFile}};
    bool run = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const auto option =
            std::find_if(std::begin(options), std::end(options),
                         [&](const auto& known) { return argument == known.first; });
        if (option != std::end(options)) {
            std::string& value = invocation.outputs.*(option->second);
            if (i + 1 == arguments.size() || arguments[i + 1].empty()) {
                throw UsageError(argument + " needs a path");
            }
            if (!value.empty()) {
                throw UsageError(argument + " is given twice");
            }
            value = arguments[++i];
        } else if (argument == "run" && !run) {
            if (i + 1 == arguments.size()) {
                throw UsageError("run takes exactly one case file");
            }
            run = true;
            invocation.casePath = arguments[++i];
        } else if (run && argument.rfind("--", 0) != 0) {
            throw UsageError("run takes exactly one case file");
        } else {
            throw UsageError("unknown argument '" + argument + "'");
        }
    }
    return invocation;
}

// Writes the report in one piece, then the outputs asked for; a report that could not be
// written is an internal failure, never a silent success. An output that could not be written
// does not take the report away: it is complete on `out` before any output is tried.
int Deliver(const RunResult& result, const std::string& source, const OutputRequest& outputs,
            std::ostream& out, std::ostream& err) {
    const std::string report = FormatRunReport(result, source);
    out << report << std::flush;
    if (!out) {
        err << "brixel: internal failure: the report could not be written\n";
        return kExitInternalFailure;
    }
    const int written =
        outputs.Any() ? WriteOutputs(result, source, outputs, err) : kExitCalculated;
    if (written != kExitCalculated) {
        return written;
    }
    return result.fallback ? kExitFallback : kExitCalculated;
}

int RunText(const std::string& text, const std::string& source, const OutputRequest& outputs,
            std::ostream& out, std::ostream& err) {
    const CaseRunner run = ReadCase(text, source);
    RunResult result;
    try {
        result = run();
    } catch (const CaseRunError& error) {
        err << "brixel: " << source << ": " << error.what() << "\n";
        return kExitBadInput;
    }
    return Deliver(result, source, outputs, out, err);
}

}  // namespace

int RunCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    try {
        const Invocation invocation = ParseArguments(arguments);
        if (invocation.help) {
            PrintUsage(out);
            return kExitCalculated;
        }
        if (invocation.casePath.empty()) {
            return RunText(std::string(DefaultCaseText()), std::string(kDefaultCaseName),
                           invocation.outputs, out, err);
        }
        return RunText(ReadCaseText(invocation.casePath), invocation.casePath, invocation.outputs,
                       out, err);
    } catch (const UsageError& error) {
        err << "brixel: " << error.what() << "\n";
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
