#include "launcher/program_modules.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace tarvik {

namespace {

// The folder of the program file itself, not of the name it was started by.
std::string ProgramFolder() {
    std::vector<char> path(4096);
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0) return ".";
    const std::string file(path.data(), static_cast<std::size_t>(length));
    const std::size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string(".") : file.substr(0, slash);
}

} // namespace

int RunProgramModule(const char* module, const char* entry, int argc, char** argv) {
    const std::string folder = ProgramFolder();
    const std::string name = std::string(module) + ".so";
    std::string reasons;
    for (const std::string& path : {folder + "/" + name, folder + "/../lib/tarvik/" + name}) {
        if (access(path.c_str(), F_OK) != 0) continue;
        // Resolved at once, so that a missing library is said here and not
        // in the middle of a run.
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            reasons = dlerror();
            break;
        }
        using Entry = int (*)(int, char**);
        const auto main = reinterpret_cast<Entry>(dlsym(handle, entry));
        if (!main) {
            reasons = dlerror();
            break;
        }
        // Not unloaded: Qt's own threads and exit handlers outlive the call.
        return main(argc, argv);
    }
    if (reasons.empty()) reasons = "not found beside the program or in " + folder + "/../lib/tarvik";
    std::fprintf(stderr, "tarvik: cannot load %s: %s\n", name.c_str(), reasons.c_str());
    return 1;
}

} // namespace tarvik
