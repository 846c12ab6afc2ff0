#include <cerrno>
#include <cstdio>
#include <cstring>

#include "codec.h"

namespace vokscodec {

namespace {
std::vector<Codec>& registry() {
    static std::vector<Codec> r;
    return r;
}
uint32_t le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24);
}
uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
void put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}
void put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
}  // namespace

Registrar::Registrar(const Codec& codec) {
    registry().push_back(codec);
}
const std::vector<Codec>& codecs() {
    return registry();
}
const Codec* find_codec(const std::string& name) {
    for (const auto& c : registry())
        if (name == c.name) return &c;
    return nullptr;
}

std::string arg(const Args& args, const std::string& key, const std::string& fallback) {
    const auto it = args.find(key);
    return it == args.end() ? fallback : it->second;
}

bool has_suffix(const std::string& s, const std::string& suffix) {
    if (s.size() < suffix.size()) return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        char c = s[s.size() - suffix.size() + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i]) return false;
    }
    return true;
}

std::string read_file(const std::string& path, std::vector<uint8_t>& data) {
    const bool std_in = path == "-";
    FILE* f = std_in ? stdin : std::fopen(path.c_str(), "rb");
    if (!f) return "cannot open " + path + ": " + std::strerror(errno);
    data.clear();
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
    const bool bad = std::ferror(f) != 0;
    if (!std_in) std::fclose(f);
    return bad ? "cannot read " + std::string(std_in ? "standard input" : path) : "";
}

std::string write_file(const std::string& path, const std::vector<uint8_t>& data) {
    const bool std_out = path == "-";
    FILE* f = std_out ? stdout : std::fopen(path.c_str(), "wb");
    if (!f) return "cannot create " + path + ": " + std::strerror(errno);
    const size_t n = data.empty() ? 0 : std::fwrite(data.data(), 1, data.size(), f);
    const bool bad = n != data.size() || (std_out ? std::fflush(f) : std::fclose(f)) != 0;
    return bad ? "cannot write " + std::string(std_out ? "standard output" : path) : "";
}

namespace {
bool is_wav(const std::string& path, PcmFile kind) {
    return kind == PcmFile::Wav || (kind == PcmFile::ByName && path != "-" && has_suffix(path, ".wav"));
}
}  // namespace

std::vector<int16_t> words_from_bytes(const std::vector<uint8_t>& bytes) {
    std::vector<int16_t> w(bytes.size() / 2);
    for (size_t i = 0; i < w.size(); ++i) w[i] = static_cast<int16_t>(le16(&bytes[2 * i]));
    return w;
}

std::vector<uint8_t> bytes_from_words(const std::vector<int16_t>& words) {
    std::vector<uint8_t> b;
    b.reserve(words.size() * 2);
    for (int16_t w : words) put16(b, static_cast<uint16_t>(w));
    return b;
}

std::string read_pcm(const std::string& path, int rate, Pcm& pcm, PcmFile kind) {
    std::vector<uint8_t> data;
    std::string err = read_file(path, data);
    if (!err.empty()) return err;
    pcm = Pcm{};
    if (!is_wav(path, kind)) {
        pcm.bytes = data;
        pcm.samples = words_from_bytes(data);
        return "";
    }
    if (data.size() < 12 || std::memcmp(data.data(), "RIFF", 4) != 0 || std::memcmp(&data[8], "WAVE", 4) != 0)
        return path + ": not a RIFF/WAVE file";
    size_t pos = 12;
    bool have_fmt = false;
    while (pos + 8 <= data.size()) {
        const uint32_t size = le32(&data[pos + 4]);
        const size_t body = pos + 8;
        if (size > data.size() - body) {
            if (std::memcmp(&data[pos], "data", 4) != 0 || !have_fmt) return path + ": truncated WAV chunk";
        }
        if (std::memcmp(&data[pos], "fmt ", 4) == 0) {
            if (size < 16) return path + ": bad fmt chunk";
            const uint16_t format = le16(&data[body]), channels = le16(&data[body + 2]);
            const uint32_t sr = le32(&data[body + 4]);
            const uint16_t bits = le16(&data[body + 14]);
            if ((format != 1 && format != 0xFFFE) || bits != 16)
                return path + ": only 16-bit PCM WAV is supported";
            if (channels != 1)
                return path + ": only mono WAV is supported (" + std::to_string(channels) + " channels)";
            if (static_cast<int>(sr) != rate)
                return path + ": sample rate " + std::to_string(sr) + " Hz, this codec needs " +
                       std::to_string(rate) + " Hz";
            have_fmt = true;
        } else if (std::memcmp(&data[pos], "data", 4) == 0) {
            if (!have_fmt) return path + ": data chunk before fmt chunk";
            // A streaming writer may leave the size unset; take what the file holds.
            const size_t n = size > data.size() - body ? data.size() - body : size;
            pcm.samples.resize(n / 2);
            for (size_t i = 0; i < n / 2; ++i)
                pcm.samples[i] = static_cast<int16_t>(le16(&data[body + 2 * i]));
            return "";
        }
        pos = body + size + (size & 1);
    }
    return path + ": no data chunk";
}

// The whole signal is coded before it is written, so a WAV header carries the true sizes, also
// on a pipe.
std::string write_pcm(const std::string& path, int rate, const Pcm& pcm, PcmFile kind) {
    const bool wav = is_wav(path, kind);
    if (pcm.use_bytes) {
        if (wav) return path + ": these options produce raw bytes, not WAV samples";
        return write_file(path, pcm.bytes);
    }
    std::vector<uint8_t> out;
    if (wav) {
        // RIFF sizes are 32-bit: a longer signal would get a wrapped, lying header.
        if (pcm.samples.size() > (0xFFFFFFFFu - 36) / 2)
            return path + ": too long for a WAV file (use a raw output file)";
        const uint32_t bytes = static_cast<uint32_t>(pcm.samples.size() * 2);
        out.insert(out.end(), {'R', 'I', 'F', 'F'});
        put32(out, 36 + bytes);
        out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
        put32(out, 16);
        put16(out, 1);
        put16(out, 1);
        put32(out, static_cast<uint32_t>(rate));
        put32(out, static_cast<uint32_t>(rate) * 2);
        put16(out, 2);
        put16(out, 16);
        out.insert(out.end(), {'d', 'a', 't', 'a'});
        put32(out, bytes);
    }
    const auto body = bytes_from_words(pcm.samples);
    out.insert(out.end(), body.begin(), body.end());
    return write_file(path, out);
}

}  // namespace vokscodec
