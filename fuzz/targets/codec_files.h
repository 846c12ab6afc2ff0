// Scratch files of the voks-codec targets: one private folder per process, removed at exit.
#ifndef VOKSC_FUZZ_CODEC_FILES_H
#define VOKSC_FUZZ_CODEC_FILES_H

#include <cstdint>
#include <string>
#include <vector>

namespace voksfuzz {

// Path of a scratch file named `name` in the process's folder.
std::string scratch_path(const std::string& name);
// Writes `bytes` to the scratch file `name` and returns its path.
std::string scratch_file(const std::string& name, const std::vector<uint8_t>& bytes);

}  // namespace voksfuzz

#endif  // VOKSC_FUZZ_CODEC_FILES_H
