// Scratch files of the voks-codec targets: one private folder per process, removed at exit.
#ifndef VOKSC_FUZZ_CODEC_FILES_H
#define VOKSC_FUZZ_CODEC_FILES_H

#include <unistd.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace voksfuzz {

// Path of a scratch file named `name` in the process's folder.
inline std::string scratch_path(const std::string& name) {
    static struct Folder {
        std::string path;
        std::vector<std::string> files;
        Folder() {
            const char* tmp = std::getenv("TMPDIR");
            path = std::string(tmp && *tmp ? tmp : "/tmp") + "/voksc-fuzz-XXXXXX";
            if (!mkdtemp(path.data())) std::abort();
        }
        ~Folder() {
            for (const auto& f : files) std::remove(f.c_str());
            rmdir(path.c_str());
        }
    } folder;
    const std::string p = folder.path + "/" + name;
    for (const auto& known : folder.files)
        if (known == p) return p;
    folder.files.push_back(p);
    return p;
}

// Writes `bytes` to the scratch file `name` and returns its path.
inline std::string scratch_file(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string p = scratch_path(name);
    FILE* out = std::fopen(p.c_str(), "wb");
    if (!out || (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) ||
        std::fclose(out) != 0)
        std::abort();
    return p;
}

}  // namespace voksfuzz

#endif  // VOKSC_FUZZ_CODEC_FILES_H
