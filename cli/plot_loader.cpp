// RenderFigure through the plotting module, loaded on the first figure and kept loaded (the
// drawing library keeps state of its own across figures).
#include <dlfcn.h>

#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>

#include "cli/plots.h"

namespace brixel::cli {

namespace {

struct PlotModule {
    DrawFigureEntry draw = nullptr;
    std::string failure;
};

// The module beside the command's libraries (bin/../lib), else wherever the loader finds it.
PlotModule Load() {
    PlotModule module;
    std::error_code error;
    const std::filesystem::path command = std::filesystem::read_symlink("/proc/self/exe", error);
    void* handle = nullptr;
    if (!error) {
        const std::filesystem::path beside =
            command.parent_path().parent_path() / "lib" / kPlotModule;
        handle = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    if (handle == nullptr) {
        handle = dlopen(kPlotModule, RTLD_NOW | RTLD_LOCAL);
    }
    if (handle == nullptr) {
        const char* reason = dlerror();
        module.failure = std::string("plotting: cannot load ") + kPlotModule + ": " +
                         (reason ? reason : "unknown reason");
        return module;
    }
    module.draw = reinterpret_cast<DrawFigureEntry>(dlsym(handle, kDrawFigureEntry));
    if (module.draw == nullptr) {
        module.failure = std::string("plotting: ") + kPlotModule + " has no " + kDrawFigureEntry;
    }
    return module;
}

}  // namespace

std::string RenderFigure(const Figure& figure, FigureFormat format) {
    static const PlotModule module = Load();
    if (module.draw == nullptr) {
        throw std::runtime_error(module.failure);
    }
    // No exception may unwind through the module's frames: a failed append is only noted.
    struct Received {
        std::string text;
        bool whole = true;
    } received;
    const FigureSink append = [](void* context, const char* data, std::size_t size) {
        auto* into = static_cast<Received*>(context);
        try {
            into->text.append(data, size);
        } catch (...) {
            into->whole = false;
        }
    };
    const bool drawn = module.draw(&figure, static_cast<int>(format), append, &received);
    if (!received.whole) {
        throw std::bad_alloc();
    }
    if (!drawn) {
        throw std::runtime_error(received.text);
    }
    return std::move(received.text);
}

}  // namespace brixel::cli
