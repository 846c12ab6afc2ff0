// voks-codec: the command-line coder. Each codec adapter (codec_<name>.cpp) registers itself
// with a Codec record; main.cpp parses the command line, reads and writes the files and runs
// the demonstration.
#ifndef VOKS_CODEC_CODEC_H
#define VOKS_CODEC_CODEC_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vokscodec {

// --key value options after the command, minus --codec.
using Args = std::map<std::string, std::string>;

// Returns the option's value or `fallback` when absent.
std::string arg(const Args& args, const std::string& key, const std::string& fallback);

// PCM side of a codec. Usually 16-bit samples (from WAV or raw little-endian files); adapters
// whose options make the PCM file hold other data (G.711 bytes, say) use `bytes` instead.
struct Pcm {
    std::vector<int16_t> samples;
    std::vector<uint8_t> bytes;  // raw file contents when the input is not WAV
    bool use_bytes = false;      // set by an adapter on output to write `bytes` as they are
};

struct Codec {
    const char* name;                  // value of --codec
    const char* summary;               // one line for --help
    const char* option_help;           // option lines for --help ("  --rate R   ...\n")
    std::vector<std::string> options;  // accepted option names without "--"
    int sample_rate;                   // PCM sampling rate in Hz
    // Each returns an empty string on success, else a one-line error message. An option error
    // comes first: encoding an empty signal checks the options.
    std::string (*encode)(const Args& args, const Pcm& in, std::vector<uint8_t>& stream);
    std::string (*decode)(const Args& args, const std::vector<uint8_t>& stream, Pcm& out);
    // Demonstration settings (used when the command runs without arguments): the options for
    // one representative run and its bit rate in bit/s.
    Args demo_args;
    double demo_bitrate;
};

struct Registrar {
    explicit Registrar(const Codec& codec);
};

const std::vector<Codec>& codecs();
const Codec* find_codec(const std::string& name);

// File helpers, shared by main and the adapters. Each returns "" or an error message. The path
// "-" is standard input or output.
std::string read_file(const std::string& path, std::vector<uint8_t>& data);
std::string write_file(const std::string& path, const std::vector<uint8_t>& data);
// PCM files are WAV or raw 16-bit little-endian samples: by name (a .wav suffix means WAV; "-"
// is raw), or as forced. WAV must be mono 16-bit PCM at `rate`; raw files keep their bytes in
// pcm.bytes too.
enum class PcmFile { ByName, Wav, Raw };
std::string read_pcm(const std::string& path, int rate, Pcm& pcm, PcmFile kind = PcmFile::ByName);
std::string write_pcm(const std::string& path, int rate, const Pcm& pcm, PcmFile kind = PcmFile::ByName);
bool has_suffix(const std::string& s, const std::string& suffix);

// Little-endian 16-bit words <-> bytes.
std::vector<int16_t> words_from_bytes(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> bytes_from_words(const std::vector<int16_t>& words);

}  // namespace vokscodec

#endif  // VOKS_CODEC_CODEC_H
