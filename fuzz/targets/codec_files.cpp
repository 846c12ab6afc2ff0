#include "codec_files.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace voksfuzz {

namespace {
struct Folder {
    std::string path;
    std::vector<std::string> files;
    Folder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/voksc-fuzz-XXXXXX";
        if (!mkdtemp(templ.data())) std::abort();
        path = templ;
    }
    ~Folder() {
        for (const auto& f : files) std::remove(f.c_str());
        rmdir(path.c_str());
    }
};
Folder& folder() {
    static Folder f;
    return f;
}
}  // namespace

std::string scratch_path(const std::string& name) {
    Folder& f = folder();
    const std::string p = f.path + "/" + name;
    for (const auto& known : f.files)
        if (known == p) return p;
    f.files.push_back(p);
    return p;
}

std::string scratch_file(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string p = scratch_path(name);
    FILE* out = std::fopen(p.c_str(), "wb");
    if (!out) std::abort();
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) std::abort();
    if (std::fclose(out) != 0) std::abort();
    return p;
}

}  // namespace voksfuzz
