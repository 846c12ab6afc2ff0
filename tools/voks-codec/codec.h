// voks-codec: the command-line coder. Each codec adapter (codec_<name>.cpp) registers itself
// with a Codec record; main.cpp parses the command line and streams the files through the
// adapter's coders, or runs the demonstration.
//
// Coding streams: a coder pulls what it needs from an Input (PCM samples or coded bytes, in
// any amounts, so frames may vary in size) and pushes its result to an Output, one block of
// frames per step, so memory does not grow with the file.
#ifndef VOKS_CODEC_CODEC_H
#define VOKS_CODEC_CODEC_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vokscodec {

// --key value options after the command, minus --codec.
using Args = std::map<std::string, std::string>;

// Returns the option's value or `fallback` when absent.
std::string arg(const Args& args, const std::string& key, const std::string& fallback);

// The AMR coders' stream formats: the RFC 4867 storage format (the default) or the 3GPP serial
// words. Sets `format` from --format; "" or the usage error.
enum class AmrFormat { Rfc4867, Serial };
std::string parse_amr_format(const Args& args, AmrFormat& format);

// A source of bytes read in order: a file (for WAV, the samples of its data chunk), memory, or
// another coder's output.
class Input {
public:
    virtual ~Input() = default;
    // Reads up to n bytes; fewer only at the end of the input or on a read error (error() then
    // says why).
    size_t read(uint8_t* dst, size_t n);
    // Reads up to n 16-bit little-endian samples; an odd last byte is dropped.
    size_t read_samples(int16_t* dst, size_t n);
    // Bytes still to come when known in advance (a regular file, memory), else -1.
    int64_t remaining() const;
    // Bytes read so far.
    uint64_t consumed() const { return consumed_; }
    const std::string& error() const { return error_; }
    // The PCM comes from a WAV file (16-bit samples, not raw bytes).
    bool wav() const { return wav_; }

protected:
    // Writes up to cap bytes to dst; returns 0 at the end (and on an error, setting error_).
    virtual size_t fill(uint8_t* dst, size_t cap) = 0;
    // Bytes fill() still has when known, else -1.
    virtual int64_t source_remaining() const { return -1; }

    std::string error_;
    bool wav_ = false;
    uint64_t limit_ = UINT64_MAX;  // read() stops when consumed() reaches it (a WAV data chunk)

private:
    static constexpr size_t kBuffer = 1 << 16;
    std::unique_ptr<uint8_t[]> buf_;
    size_t pos_ = 0, end_ = 0;
    bool at_end_ = false;
    uint64_t consumed_ = 0;
};

// A sink of bytes: a file (WAV: samples after a header), or memory.
class Output {
public:
    virtual ~Output() = default;
    // Each returns "" or an error message.
    virtual std::string write(const uint8_t* src, size_t n) = 0;
    std::string write_samples(const int16_t* src, size_t n);
    // Called once after the last write.
    virtual std::string finish() { return ""; }
    // The PCM goes to a WAV file: raw bytes cannot be written.
    bool wav() const { return wav_; }
    const std::string& name() const { return name_; }

protected:
    bool wav_ = false;
    std::string name_;
};

class MemoryInput : public Input {
public:
    MemoryInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

private:
    size_t fill(uint8_t* dst, size_t cap) override;
    int64_t source_remaining() const override { return static_cast<int64_t>(size_ - pos_); }
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

class MemoryOutput : public Output {
public:
    std::string write(const uint8_t* src, size_t n) override;
    std::vector<uint8_t> bytes;
};

// Codes a stream, one block of frames per step.
class Coder {
public:
    virtual ~Coder() = default;
    // Codes the next block of `in` into `out`. Returns false when done: the input is used up and
    // everything written (err empty), or on an error (err says why).
    virtual bool step(Input& in, Output& out, std::string& err) = 0;
    // Samples of silence an encoder added to complete its last frame.
    uint64_t padded() const { return padded_; }

protected:
    uint64_t padded_ = 0;
};

// Runs a coder to the end of its input; returns "" or the error.
std::string run(Coder& coder, Input& in, Output& out);

// The output of `coder` on `pcm` as an Input: for roundtrip, encoder feeding decoder in blocks.
std::unique_ptr<Input> coded_input(Coder& coder, Input& pcm);

struct Codec {
    const char* name;                  // value of --codec
    const char* summary;               // one line for --help
    const char* option_help;           // option lines for --help ("  --rate R   ...\n")
    std::vector<std::string> options;  // accepted option names without "--"
    int sample_rate;                   // PCM sampling rate in Hz
    // Each returns the coder for the options, or null with a one-line error message in `err`.
    // Option errors are the encoder's to report: making one checks the options.
    std::unique_ptr<Coder> (*encoder)(const Args& args, std::string& err);
    std::unique_ptr<Coder> (*decoder)(const Args& args, std::string& err);
    // Demonstration settings (used when the command runs without arguments): the options for
    // one representative run and its bit rate in bit/s.
    Args demo_args;
    double demo_bitrate;
    // The PCM sampling rate for the options when it depends on them (null: sample_rate).
    int (*rate_for)(const Args& args) = nullptr;
};

struct Registrar {
    explicit Registrar(const Codec& codec);
};

const std::vector<Codec>& codecs();
const Codec* find_codec(const std::string& name);

// Files. The path "-" is standard input or output. PCM files are WAV or raw 16-bit
// little-endian samples: by name (a .wav suffix means WAV; "-" is raw), or as forced. A WAV
// input must be mono 16-bit PCM at `rate`; its header is read on opening.
enum class PcmFile { ByName, Wav, Raw };
// Each returns null with the error message in `err`.
std::unique_ptr<Input> open_input(const std::string& path, std::string& err);
std::unique_ptr<Input> open_pcm_input(const std::string& path, int rate, PcmFile kind, std::string& err);
// Outputs are created on the first write (or at finish). A regular file (or one not there yet) is
// written to a temporary file beside it and renamed over it by finish(), so a run that fails
// leaves an existing file untouched; abandon() (or destruction before finish) removes the
// temporary file. Standard output, devices and named pipes are written in place. A WAV
// header carries the true sizes once finish() has patched them, or, when the output cannot
// seek back (a pipe), 0xFFFFFFFF for an unknown length.
class FileOutput : public Output {
public:
    // `hold` keeps everything in memory until finish(): for an output that is also the input.
    FileOutput(const std::string& path, int rate, bool wav, bool hold);
    ~FileOutput() override;
    std::string write(const uint8_t* src, size_t n) override;
    std::string finish() override;
    void abandon();

private:
    std::string open();
    std::string flush();

    std::string path_;
    int rate_;
    bool hold_;
    int fd_ = -1;
    std::string temp_;       // the temporary file while it is being written
    std::string target_;     // the file it replaces (the path, its links followed)
    bool seekable_ = false;  // the WAV header can be patched
    int64_t header_at_ = 0;  // offset of the WAV header
    uint64_t data_bytes_ = 0;
    std::vector<uint8_t> buf_;
};
std::unique_ptr<FileOutput> open_output(const std::string& path, int rate, PcmFile kind, bool hold);
// Whether a PCM path is WAV.
bool is_wav(const std::string& path, PcmFile kind);
// Whether two paths name the same existing file.
bool same_file(const std::string& a, const std::string& b);
// Reads a whole small file (a loss pattern, say).
std::string read_file(const std::string& path, std::vector<uint8_t>& data);
bool has_suffix(const std::string& s, const std::string& suffix);
// Reads the RFC 4867 storage header `magic` ("#!AMR\n", "#!AMR-WB\n"): true when the stream
// starts with it; otherwise false, with err naming the missing header, or empty when the input
// failed (in.error() says why).
bool read_amr_magic(Input& in, const char* magic, std::string& err);

}  // namespace vokscodec

#endif  // VOKS_CODEC_CODEC_H
