#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

#include "cli/case_file.h"
#include "cli/command.h"

namespace brixel::cli {
namespace {

constexpr const char* kValidCase = R"(title: test case
components: [N2, O2, CACO3]
stream_class:
  substreams:
    - {id: MIXED, type: MIXED}
    - {id: CISOLID, type: CISOLID, psd_mesh: [1.0e-6, 1.0e-5, 1.0e-4]}
feed:
  temperature: 300.0
  pressure: 101325.0
  substreams:
    MIXED:
      flows: {N2: 1.5, O2: 0.45}
    CISOLID:
      flows: {CACO3: 0.2}
      psd: [0.3, 0.7]
separator:
  fluid: gas
  specifications:
    mass fraction of solids to solid outlet: 0.9
    mass fraction of vapor to vapor outlet: 1.0
  sharpness: 0.5
)";

class CaseFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_directory = std::filesystem::temp_directory_path() /
                      ("brixel_case_file_test_" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_directory);
    }
    void TearDown() override { std::filesystem::remove_all(m_directory); }

    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = (m_directory / name).string();
        std::ofstream(path) << text;
        return path;
    }

    // Runs the command on a file; expects exit 2, nothing on stdout, and returns stderr.
    std::string RunBad(const std::string& path) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(RunCommand({"run", path}, out, err), kExitBadInput);
        EXPECT_EQ(out.str(), "");
        return err.str();
    }

    std::filesystem::path m_directory;
};

// 1-based "line:column" of the first occurrence of `anchor` in `text`.
std::string PlaceOf(const std::string& text, const std::string& anchor) {
    const std::size_t at = text.find(anchor);
    EXPECT_NE(at, std::string::npos) << anchor;
    const std::size_t line = std::count(text.begin(), text.begin() + at, '\n') + 1;
    const std::size_t lineStart = text.rfind('\n', at == 0 ? 0 : at - 1);
    const std::size_t column = lineStart == std::string::npos || at == 0 ? at + 1 : at - lineStart;
    return std::to_string(line) + ":" + std::to_string(column);
}

TEST_F(CaseFileTest, ValidBaseCaseRunsAndDefaultsTheOutletState) {
    const SeparatorCase input = ParseCase(kValidCase, "base.yaml");
    ASSERT_EQ(input.outletState.size(), 2u);
    EXPECT_EQ(input.outletState[0].name, "temperature change");
    EXPECT_EQ(input.outletState[1].name, "pressure change");
    EXPECT_EQ(input.substreams.at(0).massFlows.size(), 2u);
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunCommand({"run", Write("base.yaml", kValidCase)}, out, err), kExitCalculated);
    EXPECT_EQ(err.str(), "");
}

struct Fault {
    const char* name;
    const char* from;     // text of the valid case to replace
    const char* to;       // its replacement
    const char* anchor;   // where the message must point, in the changed text
    const char* message;  // what it must say
};

TEST_F(CaseFileTest, MalformedCasesNameFileLineColumnAndProblem) {
    const Fault faults[] = {
        {"unknown_key", "title: test", "titel: test", "titel",
         "unknown key 'titel' in the case file"},
        {"negative_flow", "N2: 1.5", "N2: -1.5", "-1.5",
         "the mass flow of N2 must not be negative (kg/s)"},
        {"nan_flow", "O2: 0.45", "O2: .nan", ".nan",
         "the mass flow of O2 must be a finite number, not '.nan'"},
        {"missing_marker", "N2: 1.5", "N2: 1.0e35", "1.0e35",
         "the mass flow of N2 must be below 1e35 in size: the host reads that as missing"},
        {"psd_length", "psd: [0.3, 0.7]", "psd: [0.3, 0.3, 0.4]", "[0.3, 0.3",
         "psd has 3 fractions; the psd_mesh of CISOLID has 3 boundaries, so 2 are needed"},
        {"psd_sum", "psd: [0.3, 0.7]", "psd: [0.3, 0.6]", "[0.3, 0.6",
         "psd fractions add up to 0.9, not 1"},
        {"mesh_order", "1.0e-5, 1.0e-4]", "1.0e-4, 1.0e-5]", "1.0e-5]",
         "psd_mesh boundaries must increase strictly"},
        {"unknown_component", "[N2, O2, CACO3]", "[N2, O2, LIMESTON]", "LIMESTON",
         "unknown component 'LIMESTON'"},
        {"solid_in_mixed", "O2: 0.45}", "O2: 0.45, CACO3: 0.1}", "CACO3: 0.1",
         "'CACO3' is a solid: its flow belongs in a 'CISOLID' substream"},
        {"liquid_spec_for_gas", "mass fraction of vapor to vapor outlet: 1.0",
         "solid load of fluid product: 0.01", "solid load of fluid",
         "unknown specification 'solid load of fluid product' for a gas separator"},
        {"split_above_one", "solid outlet: 0.9", "solid outlet: 1.5", "1.5\n",
         "'mass fraction of solids to solid outlet' is a mass fraction: at most 1"},
        {"fluid_type", "fluid: gas", "fluid: vapour", "vapour",
         "fluid must be 'gas' or 'liquid', not 'vapour'"},
        {"wrong_type", "temperature: 300.0", "temperature: hot", "hot",
         "the feed temperature must be a number, not 'hot'"},
        // The reader is strict: a quoted or hexadecimal number is no number.
        {"quoted_number", "temperature: 300.0", "temperature: \"300.0\"", "\"300.0\"",
         "the feed temperature must be a number, not the quoted text '300.0'"},
        {"hex_number", "pressure: 101325.0", "pressure: 0x18bcd", "0x18bcd",
         "the feed pressure must be a decimal number, not '0x18bcd'"},
        {"subnormal", "N2: 1.5", "N2: 1.0e-310", "1.0e-310",
         "the mass flow of N2 '1.0e-310' is subnormal (not 0, but below 2.2e-308 in size): give "
         "0 or a larger value"},
        {"feed_temperature_limit", "temperature: 300.0", "temperature: 20000.0", "20000.0",
         "the feed temperature 20000 K is outside the host's flash limits, 10 to 10000 K"},
        {"feed_pressure_limit", "pressure: 101325.0", "pressure: 0.5", "0.5",
         "the feed pressure 0.5 Pa is outside the host's flash limits, 1 to 1e+09 Pa"},
        {"duplicate_key", "sharpness: 0.5", "sharpness: 0.5\n  sharpness: 0.6", "sharpness: 0.6",
         "duplicate key 'sharpness' in separator"},
        {"missing_key", "  fluid: gas\n", "", "specifications:", "separator lacks the key 'fluid'"},
        {"class_attribute", "sharpness: 0.5", "class_attribute: particle diameter",
         "particle diameter",
         "class_attribute must be 'particle size', 'particle settling "
         "velocity', not 'particle diameter'"},
    };
    for (const Fault& fault : faults) {
        std::string text = kValidCase;
        const std::size_t at = text.find(fault.from);
        ASSERT_NE(at, std::string::npos) << fault.name;
        text.replace(at, std::string(fault.from).size(), fault.to);
        const std::string path = Write(std::string(fault.name) + ".yaml", text);
        const std::string expected =
            "brixel: " + path + ":" + PlaceOf(text, fault.anchor) + ": " + fault.message;
        const std::string err = RunBad(path);
        EXPECT_EQ(err.substr(0, expected.size()), expected) << fault.name;
    }
}

TEST_F(CaseFileTest, YamlSyntaxErrorsCarryTheirPlace) {
    std::string text = kValidCase;
    text.replace(text.find("psd: [0.3, 0.7]"), 15, "psd: [0.3, 0.7");
    const std::string path = Write("syntax.yaml", text);
    const std::string err = RunBad(path);
    EXPECT_TRUE(std::regex_search(err, std::regex("^brixel: " + path + ":[0-9]+:[0-9]+: .+")))
        << err;
}

TEST_F(CaseFileTest, UnreadableAndEmptyFiles) {
    const std::string missing = (m_directory / "absent.yaml").string();
    EXPECT_EQ(RunBad(missing), "brixel: " + missing + ": cannot open the case file\n");
    EXPECT_EQ(RunBad(m_directory.string()),
              "brixel: " + m_directory.string() + ": is a directory, not a case file\n");
    const std::string empty = Write("empty.yaml", "");
    EXPECT_EQ(RunBad(empty), "brixel: " + empty + ": the case file is empty\n");
    const std::string two = Write("two.yaml", std::string(kValidCase) + "---\n" + kValidCase);
    EXPECT_EQ(RunBad(two).substr(0, 8 + two.size() + 6), "brixel: " + two + ":23:1:");
}

TEST_F(CaseFileTest, APipeIsReadLikeAFile) {
    // As `brixel run <(generate-case)` hands it over: a FIFO, not a regular file.
    const std::string fifo = (m_directory / "case.fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] { std::ofstream(fifo) << kValidCase; });
    std::ostringstream out;
    std::ostringstream err;
    const int code = RunCommand({"run", fifo}, out, err);
    writer.join();
    EXPECT_EQ(code, kExitCalculated) << err.str();
    EXPECT_NE(out.str().find("Outcome: calculated"), std::string::npos);
}

TEST_F(CaseFileTest, UnterminatedQuotesAndDeepNestingAreSyntaxErrorsWithTheirLine) {
    std::string text = kValidCase;
    text.replace(text.find("title: test case"), 16, "title: \"test case");
    const std::string quote = Write("quote.yaml", text);
    EXPECT_EQ(RunBad(quote).substr(0, 8 + quote.size() + 3), "brixel: " + quote + ":1:");

    const std::string nested =
        Write("nested.yaml", "title: x\nblock: " + std::string(100000, '[') + "\n");
    const std::string err = RunBad(nested);
    EXPECT_EQ(err.substr(0, 8 + nested.size() + 3), "brixel: " + nested + ":2:") << err;
}

// Lines "k0:", " k1:", "  k2:", ...: each key opens one more map level.
std::string Staircase(int levels) {
    std::string text;
    for (int i = 0; i < levels; ++i) {
        text += std::string(static_cast<std::size_t>(i), ' ') + "k" + std::to_string(i) + ":\n";
    }
    return text;
}

TEST_F(CaseFileTest, NestingByIndentationIsRefusedWhereTheLevelTooManyOpens) {
    const std::string tooDeep = " lists and maps nested deeper than 32 levels\n";
    // The 33rd map opens on line 33, at its key in column 33; the YAML library itself would
    // recurse through all 3000 levels and fail hundreds of lines later.
    const std::string deep = Write("deep.yaml", Staircase(3000));
    EXPECT_EQ(RunBad(deep), "brixel: " + deep + ":33:33:" + tooDeep);
    // 32 levels are allowed (the case is refused for its content instead).
    EXPECT_EQ(RunBad(Write("deep32.yaml", Staircase(32))).find("nested deeper"), std::string::npos);

    // A sequence under a key at the key's own column is one level deeper; "- - -" opens one
    // level per dash: the root map, the list at column 1 and 31 more dashes reach 33 at the
    // 32nd dash (column 63).
    std::string dashes = "title: x\nblock:\n";
    for (int i = 0; i < 40; ++i) {
        dashes += "- ";
    }
    const std::string compact = Write("compact.yaml", dashes + "a\n");
    EXPECT_EQ(RunBad(compact), "brixel: " + compact + ":3:63:" + tooDeep);

    // Block and flow levels add up: 31 maps, then "[[": the second bracket is the 33rd level.
    std::string mixed = Staircase(30) + std::string(30, ' ') + "k30: [[x]]\n";
    const std::string both = Write("both.yaml", mixed);
    EXPECT_EQ(RunBad(both), "brixel: " + both + ":31:37:" + tooDeep);
}

TEST_F(CaseFileTest, IndentedTextInsideScalarsAndCommentsIsNoNesting) {
    // A block scalar, a quoted scalar over several lines and comments may indent as they
    // like: the case still runs.
    std::string text = kValidCase;
    std::string block = "title: |\n  a title\n";
    std::string quoted = "\"a quoted\n";
    for (int i = 1; i < 60; ++i) {
        const std::string indent(static_cast<std::size_t>(2 + i), ' ');
        block += indent + "- k" + std::to_string(i) + ": [\n";
        quoted += indent + "k" + std::to_string(i) + ": [ - '\n";
        text += indent + "# k" + std::to_string(i) + ": [\n";
    }
    for (const std::string& title : {block, "title: " + quoted + "  title\"\n"}) {
        std::string edited = text;
        edited.replace(edited.find("title: test case\n"), 17, title);
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(RunCommand({"run", Write("scalar.yaml", edited)}, out, err), kExitCalculated)
            << err.str();
    }
}

TEST_F(CaseFileTest, LoadsOfBothOutletsAreRejected) {
    std::string text = kValidCase;
    text.replace(text.find("mass fraction of solids to solid outlet: 0.9"), 44,
                 "vapor load of solid product: 0.1");
    text.replace(text.find("mass fraction of vapor to vapor outlet: 1.0"), 43,
                 "solid load of vapor product: 0.01");
    const std::string path = Write("loads.yaml", text);
    EXPECT_NE(RunBad(path).find("the loads of both outlets leave the split undefined"),
              std::string::npos);
}

TEST_F(CaseFileTest, StrayTokensAndOversizedFilesAnswerAtOnce) {
    // A leading ',' once sent the reader round an endless loop of empty documents.
    const std::string comma = Write("comma.yaml", ",\n");
    EXPECT_EQ(RunBad(comma), "brixel: " + comma +
                                 ":1:1: unexpected text where the case file's map should start\n");
    const std::string broken = Write("broken.yaml", "# a comment\n, title: x\n");
    EXPECT_NE(RunBad(broken).find(broken + ":2:1: unexpected text"), std::string::npos);

    const std::string large = Write("large.yaml", std::string(kMaxCaseFileBytes + 1, '#'));
    EXPECT_EQ(RunBad(large), "brixel: " + large + ": the case file is larger than 16 MiB\n");
}

TEST_F(CaseFileTest, UnitKeyChoosesTheKind) {
    const std::string separator = Write("sep.yaml", "unit: separator\n" + std::string(kValidCase));
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunCommand({"run", separator}, out, err), kExitCalculated) << err.str();
    const std::string unknown = Write("mixer.yaml", "unit: mixer\n" + std::string(kValidCase));
    EXPECT_EQ(RunBad(unknown),
              "brixel: " + unknown +
                  ":1:7: unknown unit 'mixer' (known: 'separator', "
                  "'dilute_conveying', 'dense_conveying', 'distribution', 'growth', "
                  "'efficiency_fit')\n");
    const std::string list = Write("list.yaml", "- unit\n- separator\n");
    EXPECT_EQ(RunBad(list),
              "brixel: " + list + ":1:1: the case file must be a map of keys and values\n");
}

TEST_F(CaseFileTest, AReportThatCannotBeWrittenIsAnInternalFailure) {
    const std::string path = Write("base.yaml", kValidCase);
    std::ostringstream out;
    out.setstate(std::ios::badbit);
    std::ostringstream err;
    EXPECT_EQ(RunCommand({"run", path}, out, err), kExitInternalFailure);
    EXPECT_EQ(err.str(), "brixel: internal failure: the report could not be written\n");
}

}  // namespace
}  // namespace brixel::cli
