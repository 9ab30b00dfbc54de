// The command's machine-readable outputs: the JSON carries every number of the text report,
// the CSV files read back to the JSON's numbers, and paths that cannot be written fail clearly
// with the report still complete on stdout.
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>

#include "cli/output_csv.h"
#include "cli/output_json.h"
#include "output_test_support.h"

namespace brixel::cli {
namespace {

using Json = nlohmann::json;

// One case of each kind, one that ends in the fallback exit and one with warnings.
const std::vector<std::string> kCases = {"",
                                         "hydrocyclone.yaml",
                                         "fallback.yaml",
                                         "dilute_rising.yaml",
                                         "dilute_plugging.yaml",
                                         "dense_conveying.yaml",
                                         "distribution_lognormal.yaml",
                                         "distribution_table.yaml"};

void Collect(const Json& node, std::vector<double>& numbers, std::string& strings) {
    if (node.is_number()) {
        numbers.push_back(node.get<double>());
    } else if (node.is_string()) {
        strings += node.get<std::string>() + "\n";
    } else if (node.is_structured()) {
        for (const Json& child : node) {
            Collect(child, numbers, strings);
        }
        if (node.is_object()) {
            for (const auto& item : node.items()) {
                strings += item.key() + "\n";
            }
        }
    }
}

// Half a unit in the last digit the text shows: "12.5" -> 0.05, "4.4e-06" -> 5e-8.
double HalfLastDigit(const std::string& token) {
    const std::size_t exponentAt = token.find_first_of("eE");
    const std::string mantissa = token.substr(0, exponentAt);
    const int exponent =
        exponentAt == std::string::npos ? 0 : std::stoi(token.substr(exponentAt + 1));
    const std::size_t point = mantissa.find('.');
    const int decimals =
        point == std::string::npos ? 0 : static_cast<int>(mantissa.size() - point - 1);
    return 0.5 * std::pow(10.0, exponent - decimals);
}

TEST(JsonOutput, CarriesEveryNumberOfTheTextReportAndItsSchemaVersion) {
    // A number stands alone in the report: "D50" or "N2" carry no number of their own.
    const std::regex number(
        R"re((^|[\s(,=])([-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?)(?=$|[\s),%]))re");
    for (const std::string& example : kCases) {
        ScratchDirectory scratch;
        const CommandRun run = RunBrixel(CaseArguments(example, {"--json", scratch / "r.json"}));
        ASSERT_TRUE(run.code == kExitCalculated || run.code == kExitFallback) << example << run.err;
        const Json document = Json::parse(ReadFile(scratch / "r.json"));
        EXPECT_EQ(document.at("schema"), "brixel-result");
        EXPECT_EQ(document.at("schema_version"), kResultSchemaVersion);
        EXPECT_EQ(document.at("outcome").at("fallback"), run.code == kExitFallback) << example;
        std::vector<double> numbers;
        std::string strings;
        Collect(document, numbers, strings);
        std::size_t checked = 0;
        for (auto it = std::sregex_iterator(run.out.begin(), run.out.end(), number);
             it != std::sregex_iterator(); ++it) {
            const std::string token = (*it)[2].str();
            const double value = std::stod(token);
            const double tolerance = HalfLastDigit(token) * (1.0 + 1e-9);
            const bool found =
                std::any_of(numbers.begin(), numbers.end(),
                            [&](double json) { return std::abs(json - value) <= tolerance; }) ||
                strings.find(token) != std::string::npos;
            EXPECT_TRUE(found) << example << ": " << token << " of the report is not in the JSON";
            ++checked;
        }
        EXPECT_GT(checked, 20u) << example;
    }
}

TEST(JsonOutput, NamedResultsKeepTheirValuesAndUnreachedOnesAreNull) {
    ScratchDirectory scratch;
    const CommandRun run =
        RunBrixel(CaseArguments("dilute_rising.yaml", {"--json", scratch / "r.json"}));
    ASSERT_EQ(run.code, kExitCalculated) << run.err;
    const Json document = Json::parse(ReadFile(scratch / "r.json"));
    EXPECT_EQ(document.at("kind"), "dilute_conveying");
    const Json& streams = document.at("streams");
    ASSERT_EQ(streams.size(), 2u);
    // The line keeps the mass: the outlet carries the inlet's gas and solids.
    EXPECT_NEAR(streams[1].at("total").get<double>(), streams[0].at("total").get<double>(),
                1e-9 * streams[0].at("total").get<double>());
    const Json& values = document.at("values");
    const auto value = [&values](const std::string& name) {
        for (const Json& item : values) {
            if (item.at("name") == name) {
                return item.at("value").get<double>();
            }
        }
        throw std::runtime_error("no value " + name);
    };
    // The drop the line reports is the pressure lost between the streams, and the profile's.
    const double drop = value("pressure drop");
    EXPECT_NEAR(drop, streams[0].at("pressure").get<double>() - value("outlet pressure"),
                1e-6 * drop);
    const Json& profile = document.at("tables").at(0);
    EXPECT_EQ(profile.at("columns").at(1), "pressure / Pa");
    EXPECT_GT(profile.at("rows").size(), 2u);

    // A result the fallback run never reached is null, never a number.
    const CommandRun fallback =
        RunBrixel(CaseArguments("fallback.yaml", {"--json", scratch / "f.json"}));
    ASSERT_EQ(fallback.code, kExitFallback) << fallback.err;
    const Json failed = Json::parse(ReadFile(scratch / "f.json"));
    EXPECT_EQ(failed.at("outcome").at("calculated"), false);
    bool someNull = false;
    for (const Json& item : failed.at("values")) {
        someNull = someNull || item.at("value").is_null();
    }
    EXPECT_TRUE(someNull);
}

// RFC 4180 fields: quoted ones may hold commas and doubled quotes.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row.push_back(field);
            field.clear();
        } else if (c == '\n') {
            row.push_back(field);
            rows.push_back(row);
            row.clear();
            field.clear();
        } else {
            field += c;
        }
    }
    EXPECT_TRUE(row.empty() && field.empty()) << "the last row has no line end";
    return rows;
}

// An empty cell is a null of the JSON; a number reads back to the very same double.
void ExpectSameNumber(const std::string& cell, const Json& json, const std::string& where) {
    if (json.is_null()) {
        EXPECT_EQ(cell, "") << where;
        return;
    }
    char* end = nullptr;
    const double value = std::strtod(cell.c_str(), &end);
    EXPECT_TRUE(!cell.empty() && *end == '\0') << where << ": " << cell;
    EXPECT_EQ(value, json.get<double>()) << where;
}

void ExpectValuesFile(const std::string& path, const Json& values) {
    const auto rows = ParseCsv(ReadFile(path));
    ASSERT_EQ(rows.size(), values.size() + 1) << path;
    EXPECT_EQ(rows[0], (std::vector<std::string>{"quantity", "value", "unit"}));
    for (std::size_t i = 0; i < values.size(); ++i) {
        ASSERT_EQ(rows[i + 1].size(), 3u) << path;
        EXPECT_EQ(rows[i + 1][0], values[i].at("name")) << path;
        ExpectSameNumber(rows[i + 1][1], values[i].at("value"), path + " " + rows[i + 1][0]);
        EXPECT_EQ(rows[i + 1][2], values[i].at("unit")) << path;
    }
}

TEST(CsvOutput, EveryTableReadsBackToTheNumbersOfTheJson) {
    for (const std::string& example : kCases) {
        ScratchDirectory scratch;
        const CommandRun run = RunBrixel(
            CaseArguments(example, {"--json", scratch / "r.json", "--csv", scratch / "csv"}));
        ASSERT_TRUE(run.code == kExitCalculated || run.code == kExitFallback) << example << run.err;
        const Json document = Json::parse(ReadFile(scratch / "r.json"));

        std::set<std::string> expected = {"streams.csv", "values.csv"};
        const auto rows = ParseCsv(ReadFile(scratch / "csv/streams.csv"));
        const std::vector<std::string> header = {
            "stream",         "vapour / (kg/s)", "liquid / (kg/s)", "solids / (kg/s)",
            "total / (kg/s)", "temperature / K", "pressure / Pa"};
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows[0], header);
        const Json& streams = document.at("streams");
        ASSERT_EQ(rows.size(), streams.size() + 1) << example;
        for (std::size_t s = 0; s < streams.size(); ++s) {
            EXPECT_EQ(rows[s + 1].at(0), streams[s].at("port"));
            for (std::size_t c = 1; c < header.size(); ++c) {
                const std::string key = header[c].substr(0, header[c].find(" / "));
                ExpectSameNumber(rows[s + 1].at(c), streams[s].at(key), example + " " + key);
            }
        }
        ExpectValuesFile(scratch / "csv/values.csv", document.at("values"));
        if (!document.at("settings").empty()) {
            expected.insert("settings.csv");
            ExpectValuesFile(scratch / "csv/settings.csv", document.at("settings"));
        }
        for (const Json& table : document.at("tables")) {
            const std::string name = table.at("name").get<std::string>() + ".csv";
            expected.insert(name);
            const auto cells = ParseCsv(ReadFile(scratch / ("csv/" + name)));
            ASSERT_EQ(cells.size(), table.at("rows").size() + 1) << example << " " << name;
            EXPECT_EQ(cells[0], table.at("columns").get<std::vector<std::string>>());
            for (std::size_t r = 0; r < table.at("rows").size(); ++r) {
                const Json& row = table.at("rows")[r];
                ASSERT_EQ(cells[r + 1].size(), row.size()) << name;
                for (std::size_t c = 0; c < row.size(); ++c) {
                    ExpectSameNumber(cells[r + 1][c], row[c], example + " " + name);
                }
            }
        }
        std::set<std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(scratch.Path() / "csv")) {
            files.insert(entry.path().filename().string());
        }
        EXPECT_EQ(files, expected) << example;
    }
}

TEST(CsvOutput, FieldsWithSeparatorsOrQuotesAreQuotedWithTheirQuotesDoubled) {
    RunResult result;
    result.streams = {{"OUT \"A\", B", StreamSummary{}}, {"PLAIN", StreamSummary{}}};
    const std::vector<CsvFile> files = CsvFilesOf(result);
    ASSERT_FALSE(files.empty());
    ASSERT_EQ(files[0].name, "streams.csv");
    const std::string& text = files[0].text;
    // The first data row starts with the quoted port name, then the next field.
    const std::string quoted = "\"OUT \"\"A\"\", B\",";
    EXPECT_EQ(text.substr(text.find('\n') + 1, quoted.size()), quoted);
    EXPECT_NE(text.find("\nPLAIN,"), std::string::npos);
    EXPECT_EQ(text.back(), '\n');
}

// The report a run prints when it writes nothing else.
std::string PlainReport(const std::string& example) {
    const CommandRun run = RunBrixel(CaseArguments(example, {}));
    EXPECT_EQ(run.code, kExitCalculated) << run.err;
    return run.out;
}

TEST(OutputFailures, PathsThatCannotBeUsedAreBadUsageWithTheReportComplete) {
    ScratchDirectory scratch;
    const std::string report = PlainReport("");
    ASSERT_FALSE(report.empty());
    std::ofstream(scratch / "a-file") << "keep me\n";
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    for (const Case& bad : std::vector<Case>{
             {{"--plots", scratch / "a-file"},
              "brixel: --plots: '" + (scratch / "a-file") + "' is a file, not a directory\n"},
             {{"--csv", scratch / "a-file/tables"},
              "brixel: --csv: cannot create the directory '" + (scratch / "a-file/tables") +
                  "': Not a directory\n"},
             {{"--json", scratch.Path().string()},
              "brixel: --json: '" + scratch.Path().string() + "' is a directory, not a file\n"},
             {{"--html", "/proc/brixel/report.html"},
              "brixel: --html: cannot create a file beside"},
         }) {
        const CommandRun run = RunBrixel(bad.arguments);
        EXPECT_EQ(run.code, kExitBadInput) << bad.arguments[1] << run.err;
        EXPECT_EQ(run.err.rfind(bad.message, 0), 0u) << run.err;
        EXPECT_EQ(run.out, report) << bad.arguments[1];
    }
    EXPECT_EQ(ReadFile(scratch / "a-file"), "keep me\n");
}

TEST(OutputFailures, AFullDeviceIsAnInternalFailureAndTheOtherOutputsAreStillWritten) {
    struct stat device {};
    ASSERT_EQ(stat("/dev/full", &device), 0);
    ScratchDirectory scratch;
    const CommandRun run = RunBrixel(
        {"--json", "/dev/full", "--csv", scratch / "csv", "--plots", scratch / "a-file-to-be"});
    EXPECT_EQ(run.code, kExitInternalFailure) << run.err;
    EXPECT_NE(run.err.find("brixel: --json: cannot write '/dev/full': No space left on device\n"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.out, PlainReport(""));
    EXPECT_TRUE(std::filesystem::exists(scratch / "csv/streams.csv"));
    EXPECT_TRUE(std::filesystem::exists(scratch / "a-file-to-be/psd_q3.svg"));
    // A device is written in place, never replaced.
    struct stat after {};
    ASSERT_EQ(stat("/dev/full", &after), 0);
    EXPECT_TRUE(S_ISCHR(after.st_mode));
    EXPECT_EQ(after.st_rdev, device.st_rdev);

    // Two failures: the worse exit code, every message.
    std::ofstream(scratch / "a-file") << "x";
    const CommandRun both = RunBrixel({"--json", "/dev/full", "--plots", scratch / "a-file"});
    EXPECT_EQ(both.code, kExitInternalFailure);
    EXPECT_NE(both.err.find("--json: "), std::string::npos);
    EXPECT_NE(both.err.find("--plots: "), std::string::npos);
}

TEST(OutputFailures, AFullFileSystemLeavesNoHalfWrittenFile) {
    // A small file system of its own, in a mount namespace of a child process only.
    ScratchDirectory scratch;
    const std::string report = PlainReport("");
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipe[0]);
        if (unshare(CLONE_NEWNS) != 0 ||
            mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", scratch.Path().c_str(), "tmpfs", 0, "size=12k") != 0) {
            _exit(77);
        }
        const std::string old = scratch / "r.json";
        std::ofstream(old) << "{\"old\": true}\n";
        const CommandRun run = RunBrixel(
            {"--json", old, "--plots", scratch / "figures", "--html", scratch / "r.html"});
        std::string problems;
        if (run.code != kExitInternalFailure) {
            problems += "exit code " + std::to_string(run.code) + "\n";
        }
        if (run.out != report) {
            problems += "the report is not complete\n";
        }
        if (run.err.find("No space left on device") == std::string::npos) {
            problems += "no message of the full disk: " + run.err;
        }
        if (ReadFile(old) != "{\"old\": true}\n" && !Json::accept(ReadFile(old))) {
            problems += "the JSON file is half written\n";
        }
        for (const auto& entry : std::filesystem::recursive_directory_iterator(scratch.Path())) {
            if (entry.path().string().find(".partial-") != std::string::npos) {
                problems += "left behind: " + entry.path().string() + "\n";
            }
        }
        (void)!::write(pipe[1], problems.data(), problems.size());
        _exit(problems.empty() ? 0 : 1);
    }
    ::close(pipe[1]);
    std::string problems;
    char buffer[512];
    for (ssize_t got; (got = ::read(pipe[0], buffer, sizeof buffer)) > 0;) {
        problems.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipe[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) {
        GTEST_SKIP() << "no permission to mount a small file system in a mount namespace";
    }
    EXPECT_EQ(WEXITSTATUS(status), 0) << problems;
}

TEST(OutputFiles, AnExistingFileIsReplacedWholeKeepingItsMode) {
    ScratchDirectory scratch;
    const std::string path = scratch / "r.json";
    std::ofstream(path) << "old content that is much longer than nothing";
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    const CommandRun run = RunBrixel({"--json", path, "--csv", scratch.Path().string()});
    ASSERT_EQ(run.code, kExitCalculated) << run.err;
    EXPECT_TRUE(Json::accept(ReadFile(path)));
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    for (const auto& entry : std::filesystem::directory_iterator(scratch.Path())) {
        EXPECT_EQ(entry.path().string().find(".partial-"), std::string::npos) << entry.path();
    }
}

TEST(OutputFiles, ALinkIsWrittenThrough) {
    ScratchDirectory scratch;
    std::ofstream(scratch / "target.html") << "old";
    std::filesystem::create_symlink(scratch / "target.html", scratch / "link.html");
    const CommandRun run = RunBrixel({"--html", scratch / "link.html"});
    ASSERT_EQ(run.code, kExitCalculated) << run.err;
    EXPECT_TRUE(std::filesystem::is_symlink(scratch / "link.html"));
    EXPECT_EQ(ReadFile(scratch / "target.html").rfind("<!DOCTYPE html>", 0), 0u);
}

TEST(OutputOptions, MisusedOptionsAreBadUsageWithNothingOnStdout) {
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"--json"},
             {"--json", ""},
             {"--json", "a.json", "--json", "b.json"},
             {"--pdf", "a.pdf"},
             {"run", ExamplePath("hydrocyclone.yaml"), "--plots"},
             {"run", ExamplePath("hydrocyclone.yaml"), "other.yaml", "--csv", "x"}}) {
        const CommandRun run = RunBrixel(arguments);
        EXPECT_EQ(run.code, kExitBadInput) << arguments[0];
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("usage:"), std::string::npos);
    }
    const CommandRun twice = RunBrixel({"--json", "a.json", "--json", "b.json"});
    EXPECT_EQ(twice.err.rfind("brixel: --json is given twice\n", 0), 0u) << twice.err;
    // Options may come before the case file too.
    ScratchDirectory scratch;
    const CommandRun before =
        RunBrixel({"--json", scratch / "r.json", "run", ExamplePath("dense_conveying.yaml")});
    EXPECT_EQ(before.code, kExitCalculated) << before.err;
    EXPECT_EQ(Json::parse(ReadFile(scratch / "r.json")).at("kind"), "dense_conveying");
}

}  // namespace
}  // namespace brixel::cli
