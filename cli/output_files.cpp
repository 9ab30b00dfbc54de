#include "cli/output_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <utility>
#include <vector>

#include "cli/command.h"
#include "cli/figures.h"
#include "cli/output_csv.h"
#include "cli/output_html.h"
#include "cli/output_json.h"
#include "cli/plots.h"
#include "cli/yaml_reader.h"

namespace brixel::cli {

namespace {

class OutputFailure : public std::runtime_error {
  public:
    OutputFailure(int exitCode, const std::string& what)
        : std::runtime_error(what), exitCode_(exitCode) {}
    int ExitCode() const { return exitCode_; }

  private:
    int exitCode_;
};

// Running out of room or a failing device is the machine's problem; anything else (no such
// directory, no permission, a file in the way) is the path the user gave.
int ExitCodeFor(int error) {
    return error == ENOSPC || error == EDQUOT || error == EIO || error == EFBIG
               ? kExitInternalFailure
               : kExitBadInput;
}

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
    throw OutputFailure(ExitCodeFor(error),
                        "cannot " + what + " " + Quoted(path) + ": " + std::strerror(error));
}

void WriteAll(int descriptor, const std::string& bytes, const std::string& path) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(descriptor, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            Fail("write", path, written < 0 ? errno : ENOSPC);
        }
        done += static_cast<std::size_t>(written);
    }
}

// A file beside the target that disappears unless it was renamed into place.
struct PartialFile {
    std::string path;
    int descriptor = -1;
    bool placed = false;

    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;
    explicit PartialFile(const std::string& target) : path(target + ".partial-XXXXXX") {
        descriptor = ::mkstemp(path.data());
        if (descriptor < 0) {
            Fail("create a file beside", target, errno);
        }
    }
    ~PartialFile() {
        if (descriptor >= 0) {
            ::close(descriptor);
        }
        if (!placed) {
            ::unlink(path.c_str());
        }
    }
    void Close(const std::string& target) {
        const int closing = descriptor;
        descriptor = -1;
        if (::close(closing) != 0) {
            Fail("write", target, errno);
        }
    }
};

// A link is written through: the file it names is replaced, the link stays.
std::string Resolved(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_symlink(path, error)) {
        return path;
    }
    const std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
    return error ? path : target.string();
}

void WriteFile(const std::string& named, const std::string& bytes) {
    const std::string path = Resolved(named);
    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        throw OutputFailure(kExitBadInput, Quoted(path) + " is a directory, not a file");
    }
    if (exists && !S_ISREG(existing.st_mode)) {
        // A device or a pipe is written in place: it cannot be replaced by renaming.
        const int descriptor = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (descriptor < 0) {
            Fail("open", path, errno);
        }
        try {
            WriteAll(descriptor, bytes, path);
        } catch (...) {
            ::close(descriptor);
            throw;
        }
        if (::close(descriptor) != 0) {
            Fail("write", path, errno);
        }
        return;
    }
    PartialFile partial(path);
    WriteAll(partial.descriptor, bytes, path);
    const mode_t mode = exists ? existing.st_mode & 07777 : 0644;
    if (::fchmod(partial.descriptor, mode) != 0 || ::fsync(partial.descriptor) != 0) {
        Fail("write", path, errno);
    }
    partial.Close(path);
    if (::rename(partial.path.c_str(), path.c_str()) != 0) {
        Fail("replace", path, errno);
    }
    partial.placed = true;
}

void EnsureDirectory(const std::string& directory) {
    std::error_code error;
    if (std::filesystem::is_directory(directory, error)) {
        return;
    }
    if (std::filesystem::exists(directory, error)) {
        throw OutputFailure(kExitBadInput, Quoted(directory) + " is a file, not a directory");
    }
    std::filesystem::create_directories(directory, error);
    if (error) {
        Fail("create the directory", directory, error.value());
    }
}

std::string InDirectory(const std::string& directory, const std::string& name) {
    return (std::filesystem::path(directory) / name).string();
}

// Runs one output's writing; a failure is told and turned into its exit code.
template <typename Write>
int Attempt(const char* option, std::ostream& err, Write write) {
    try {
        write();
        return kExitCalculated;
    } catch (const OutputFailure& failure) {
        err << "brixel: " << option << ": " << failure.what() << "\n";
        return failure.ExitCode();
    } catch (const std::exception& error) {
        err << "brixel: " << option << ": internal failure: " << error.what() << "\n";
        return kExitInternalFailure;
    }
}

}  // namespace

int WriteOutputs(const RunResult& result, const std::string& source, const OutputRequest& request,
                 std::ostream& err) {
    int code = kExitCalculated;
    const auto note = [&code](int attempt) { code = std::max(code, attempt); };
    const std::vector<Figure> figures = request.plotsDirectory.empty() && request.htmlFile.empty()
                                            ? std::vector<Figure>()
                                            : FiguresOf(result);
    if (!request.jsonFile.empty()) {
        note(Attempt("--json", err,
                     [&] { WriteFile(request.jsonFile, FormatJson(result, source)); }));
    }
    if (!request.csvDirectory.empty()) {
        note(Attempt("--csv", err, [&] {
            EnsureDirectory(request.csvDirectory);
            for (const CsvFile& file : CsvFilesOf(result)) {
                WriteFile(InDirectory(request.csvDirectory, file.name), file.text);
            }
        }));
    }
    if (!request.plotsDirectory.empty()) {
        note(Attempt("--plots", err, [&] {
            EnsureDirectory(request.plotsDirectory);
            for (const Figure& figure : figures) {
                const std::string stem = InDirectory(request.plotsDirectory, figure.stem);
                WriteFile(stem + ".svg", RenderFigure(figure, FigureFormat::kSvg));
                WriteFile(stem + ".png", RenderFigure(figure, FigureFormat::kPng));
            }
        }));
    }
    if (!request.htmlFile.empty()) {
        note(Attempt("--html", err, [&] {
            std::vector<std::pair<Figure, std::string>> drawn;
            for (const Figure& figure : figures) {
                drawn.emplace_back(figure, RenderFigure(figure, FigureFormat::kSvg));
            }
            WriteFile(request.htmlFile, FormatHtml(result, source, drawn));
        }));
    }
    return code;
}

}  // namespace brixel::cli
