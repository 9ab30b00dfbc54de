// The HTML report page: self-contained, every table and figure in it, and it renders in a real
// browser without console errors.
#include <unistd.h>

#include <cstdlib>
#include <regex>

#include "cli/case_kinds.h"
#include "cli/default_case.h"
#include "cli/figures.h"
#include "cli/output_html.h"
#include "output_test_support.h"

namespace brixel::cli {
namespace {

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST(ReportPage, HoldsEveryTableAndFigureAndFetchesNothing) {
    for (const std::string& example : {std::string(), std::string("dilute_rising.yaml")}) {
        ScratchDirectory scratch;
        const CommandRun run = RunBrixel(CaseArguments(example, {"--html", scratch / "r.html"}));
        ASSERT_EQ(run.code, kExitCalculated) << run.err;
        const std::string page = ReadFile(scratch / "r.html");
        const RunResult result =
            example.empty()
                ? ReadCase(std::string(DefaultCaseText()), std::string(kDefaultCaseName))()
                : ReadCase(ReadCaseText(ExamplePath(example)), example)();
        EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
        EXPECT_EQ(Count(page, "<svg"), FiguresOf(result).size()) << example;
        EXPECT_EQ(Count(page, "<?xml"), 0u) << "a figure's prolog inside the page";
        EXPECT_NE(page.find("<h1>" + EscapeHtml(result.title) + "</h1>"), std::string::npos);
        for (const ResultTable& table : result.tables) {
            EXPECT_NE(page.find("<h2>" + EscapeHtml(table.title) + "</h2>"), std::string::npos);
            // One row per table row, one for the heading.
            const std::size_t start = page.find("<h2>" + EscapeHtml(table.title) + "</h2>");
            const std::size_t end = page.find("</table>", start);
            EXPECT_EQ(Count(page.substr(start, end - start), "<tr>"), table.rows.size() + 1);
        }
        for (const auto& [port, stream] : result.streams) {
            EXPECT_NE(page.find("<th>" + port + "</th>"), std::string::npos) << port;
        }
        // Self-contained: nothing is loaded from elsewhere, no script runs.
        for (const char* outside : {"src=", "href=", "<link", "<script", "@import"}) {
            EXPECT_EQ(page.find(outside), std::string::npos) << outside;
        }
        EXPECT_EQ(Count(page, "url("), Count(page, "url(#")) << "only references within the page";
    }
}

TEST(ReportPage, EscapesTextFromTheCase) {
    RunResult result;
    result.kind = "separator";
    result.title = "<script>alert('x')</script> & more";
    result.messages = {"a <b> message"};
    result.tables = {{"t", "heights \"x\" < 1", {"x / m"}, {{1.0}}}};
    const std::string page = FormatHtml(result, "case<1>.yaml", {});
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; more"),
              std::string::npos);
    EXPECT_NE(page.find("case&lt;1&gt;.yaml"), std::string::npos);
    EXPECT_NE(page.find("a &lt;b&gt; message"), std::string::npos);
    EXPECT_NE(page.find("heights &quot;x&quot; &lt; 1"), std::string::npos);
}

std::string BrowserPath() {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        for (const char* name : {"chromium", "chromium-browser"}) {
            const std::string candidate = folder + "/" + name;
            if (::access(candidate.c_str(), X_OK) == 0) {
                return candidate;
            }
        }
    }
    return "";
}

struct Rendering {
    int status = -1;
    std::string screenshot;  // PNG
    std::string log;         // the browser's stderr, where console messages appear
};

Rendering Render(const std::string& browser, const std::string& page,
                 const ScratchDirectory& scratch, const std::string& name) {
    const std::string shot = scratch / (name + ".png");
    const std::string log = scratch / (name + ".log");
    const std::string command = "timeout 120 '" + browser +
                                "' --headless --no-sandbox --disable-gpu --hide-scrollbars "
                                "--enable-logging=stderr --v=0 --user-data-dir='" +
                                (scratch / (name + "-profile")) +
                                "' --window-size=1000,2400 --screenshot='" + shot + "' 'file://" +
                                page + "' >/dev/null 2>'" + log + "'";
    Rendering rendering;
    rendering.status = std::system(command.c_str());
    rendering.screenshot = ReadFile(shot);
    rendering.log = ReadFile(log);
    return rendering;
}

unsigned BigEndianWord(const std::string& bytes, std::size_t at) {
    unsigned word = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        word = (word << 8) | static_cast<unsigned char>(bytes.at(at + i));
    }
    return word;
}

TEST(ReportPage, RendersInAHeadlessBrowserWithoutConsoleErrors) {
    const std::string browser = BrowserPath();
    if (browser.empty()) {
        GTEST_SKIP() << "no chromium on PATH: the report page was not rendered in a browser "
                        "(scripts/install-deps installs it)";
    }
    ScratchDirectory scratch;
    const CommandRun run = RunBrixel({"--html", scratch / "report.html"});
    ASSERT_EQ(run.code, kExitCalculated) << run.err;
    std::ofstream(scratch / "blank.html") << "<!DOCTYPE html><html><body></body></html>\n";

    const Rendering report = Render(browser, scratch / "report.html", scratch, "report");
    ASSERT_EQ(report.status, 0) << report.log;
    ASSERT_GT(report.screenshot.size(), 24u) << report.log;
    EXPECT_EQ(report.screenshot.substr(1, 3), "PNG");
    EXPECT_EQ(BigEndianWord(report.screenshot, 16), 1000u);
    EXPECT_EQ(BigEndianWord(report.screenshot, 20), 2400u);
    EXPECT_EQ(report.log.find("CONSOLE"), std::string::npos) << report.log;

    // The page drew something: its screenshot holds far more than an empty page's.
    const Rendering blank = Render(browser, scratch / "blank.html", scratch, "blank");
    ASSERT_EQ(blank.status, 0) << blank.log;
    EXPECT_GT(report.screenshot.size(), 4 * blank.screenshot.size())
        << report.screenshot.size() << " bytes against " << blank.screenshot.size();

    // The check sees console errors when a page has them.
    std::ofstream(scratch / "noisy.html")
        << "<!DOCTYPE html><html><body><script>console.error('broken')</script></body></html>\n";
    const Rendering noisy = Render(browser, scratch / "noisy.html", scratch, "noisy");
    EXPECT_NE(noisy.log.find("CONSOLE"), std::string::npos) << noisy.log;
}

}  // namespace
}  // namespace brixel::cli
