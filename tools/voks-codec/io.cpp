#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
void put32(uint8_t* p, uint32_t x) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(x >> (8 * i));
}
void put16(uint8_t* p, uint16_t x) {
    p[0] = static_cast<uint8_t>(x);
    p[1] = static_cast<uint8_t>(x >> 8);
}
constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
constexpr uint32_t kUnknownSize = 0xFFFFFFFFu;
// Largest data chunk whose RIFF size still fits 32 bits: whole samples below 2^32 - 36 bytes.
constexpr uint64_t kMaxWavData = (0xFFFFFFFFull - 36) / 2 * 2;
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

std::string parse_amr_format(const Args& args, AmrFormat& format) {
    const std::string f = arg(args, "format", "rfc4867");
    if (f == "rfc4867")
        format = AmrFormat::Rfc4867;
    else if (f == "3gpp")
        format = AmrFormat::Serial;
    else
        return "--format must be rfc4867 or 3gpp (got '" + f + "')";
    return "";
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

bool is_wav(const std::string& path, PcmFile kind) {
    return kind == PcmFile::Wav || (kind == PcmFile::ByName && path != "-" && has_suffix(path, ".wav"));
}

bool same_file(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    if (a == "-" || b == "-" || stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// ---------------------------------------------------------------------------------------------
// Inputs

size_t Input::read(uint8_t* dst, size_t n) {
    n = std::min<uint64_t>(n, limit_ - consumed_);
    size_t got = 0;
    while (got < n) {
        if (pos_ < end_) {
            const size_t m = std::min(n - got, end_ - pos_);
            std::memcpy(dst + got, buf_.get() + pos_, m);
            pos_ += m;
            got += m;
        } else if (at_end_) {
            break;
        } else if (n - got >= kBuffer) {
            const size_t m = fill(dst + got, n - got);
            at_end_ = m == 0;
            got += m;
        } else {
            if (!buf_) buf_.reset(new uint8_t[kBuffer]);
            pos_ = 0;
            end_ = fill(buf_.get(), kBuffer);
            at_end_ = end_ == 0;
        }
    }
    consumed_ += got;
    return got;
}

size_t Input::read_samples(int16_t* dst, size_t n) {
    auto* bytes = reinterpret_cast<uint8_t*>(dst);
    const size_t got = read(bytes, 2 * n) / 2;
    if (!kLittleEndian) {
        for (size_t i = 0; i < got; ++i) dst[i] = static_cast<int16_t>(le16(bytes + 2 * i));
    }
    return got;
}

int64_t Input::remaining() const {
    const int64_t source = source_remaining();
    if (source < 0) return -1;
    return static_cast<int64_t>(
        std::min<uint64_t>(static_cast<uint64_t>(source) + (end_ - pos_), limit_ - consumed_));
}

size_t MemoryInput::fill(uint8_t* dst, size_t cap) {
    const size_t m = std::min(cap, size_ - pos_);
    if (m) std::memcpy(dst, data_ + pos_, m);
    pos_ += m;
    return m;
}

namespace {

class FileInput : public Input {
public:
    FileInput(int fd, std::string name) : fd_(fd), name_(std::move(name)) {
        struct stat st;
        const off_t at = lseek(fd_, 0, SEEK_CUR);
        if (fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && at >= 0 && st.st_size >= at)
            left_ = st.st_size - at;
    }
    ~FileInput() override {
        if (fd_ != STDIN_FILENO) close(fd_);
    }
    // Reads the WAV header up to the samples of the data chunk; returns "" or the error.
    std::string read_wav_header(const std::string& path, int rate);

private:
    size_t fill(uint8_t* dst, size_t cap) override {
        for (;;) {
            const ssize_t r = ::read(fd_, dst, cap);
            if (r >= 0) {
                if (left_ >= 0) left_ = std::max<int64_t>(0, left_ - r);
                return static_cast<size_t>(r);
            }
            if (errno == EINTR) continue;
            error_ = "cannot read " + name_;
            return 0;
        }
    }
    int64_t source_remaining() const override { return left_; }
    // Reads and drops n bytes; false when the input ends first.
    bool skip(uint64_t n) {
        uint8_t scratch[4096];
        while (n > 0) {
            const size_t m = static_cast<size_t>(std::min<uint64_t>(n, sizeof scratch));
            if (read(scratch, m) != m) return false;
            n -= m;
        }
        return true;
    }

    int fd_;
    std::string name_;
    int64_t left_ = -1;
};

std::string FileInput::read_wav_header(const std::string& path, int rate) {
    uint8_t riff[12];
    const size_t got = read(riff, sizeof riff);
    if (!error_.empty()) return error_;
    if (got < 12 || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
        return path + ": not a RIFF/WAVE file";
    bool have_fmt = false;
    for (;;) {
        uint8_t head[8];
        if (read(head, 8) < 8) return error_.empty() ? path + ": no data chunk" : error_;
        const uint32_t size = le32(head + 4);
        const bool data = std::memcmp(head, "data", 4) == 0;
        // The samples: a streaming writer may leave the size unset; take what the file holds.
        if (data && have_fmt) {
            limit_ = consumed() + size;
            wav_ = true;
            return "";
        }
        // Any other chunk is read whole (fmt: its first 16 bytes kept) before it is judged.
        uint8_t fmt[16] = {};
        const size_t keep = std::min<size_t>(size, sizeof fmt);
        const bool whole = read(fmt, keep) == keep && skip(size - keep);
        if (!error_.empty()) return error_;
        if (!whole) return path + ": truncated WAV chunk";
        if (data) return path + ": data chunk before fmt chunk";
        if (std::memcmp(head, "fmt ", 4) == 0) {
            if (size < 16) return path + ": bad fmt chunk";
            const uint16_t format = le16(fmt), channels = le16(fmt + 2);
            const uint32_t sr = le32(fmt + 4);
            const uint16_t bits = le16(fmt + 14);
            if ((format != 1 && format != 0xFFFE) || bits != 16)
                return path + ": only 16-bit PCM WAV is supported";
            if (channels != 1)
                return path + ": only mono WAV is supported (" + std::to_string(channels) + " channels)";
            if (static_cast<int>(sr) != rate)
                return path + ": sample rate " + std::to_string(sr) + " Hz, this codec needs " +
                       std::to_string(rate) + " Hz";
            have_fmt = true;
        }
        if (size & 1) skip(1);  // pad byte; when missing, the next chunk header is
        if (!error_.empty()) return error_;
    }
}

std::unique_ptr<FileInput> open_file(const std::string& path, std::string& err) {
    if (path == "-") return std::make_unique<FileInput>(STDIN_FILENO, "standard input");
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        err = "cannot open " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<FileInput>(fd, path);
}

}  // namespace

std::unique_ptr<Input> open_input(const std::string& path, std::string& err) {
    return open_file(path, err);
}

std::unique_ptr<Input> open_pcm_input(const std::string& path, int rate, PcmFile kind, std::string& err) {
    auto in = open_file(path, err);
    if (in && is_wav(path, kind)) {
        err = in->read_wav_header(path, rate);
        if (!err.empty()) return nullptr;
    }
    return in;
}

std::string read_file(const std::string& path, std::vector<uint8_t>& data) {
    std::string err;
    auto in = open_input(path, err);
    if (!in) return err;
    data.clear();
    uint8_t buf[65536];
    size_t n;
    while ((n = in->read(buf, sizeof buf)) > 0) data.insert(data.end(), buf, buf + n);
    return in->error();
}

// ---------------------------------------------------------------------------------------------
// Outputs

std::string Output::write_samples(const int16_t* src, size_t n) {
    if (kLittleEndian) return write(reinterpret_cast<const uint8_t*>(src), 2 * n);
    uint8_t bytes[4096];
    for (size_t done = 0; done < n;) {
        const size_t m = std::min(n - done, sizeof bytes / 2);
        for (size_t i = 0; i < m; ++i) put16(bytes + 2 * i, static_cast<uint16_t>(src[done + i]));
        std::string err = write(bytes, 2 * m);
        if (!err.empty()) return err;
        done += m;
    }
    return "";
}

std::string MemoryOutput::write(const uint8_t* src, size_t n) {
    bytes.insert(bytes.end(), src, src + n);
    return "";
}

namespace {

constexpr size_t kOutBuffer = 1 << 16;

// Writes all n bytes; false on an error.
bool write_all(int fd, const uint8_t* p, size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

}  // namespace

FileOutput::FileOutput(const std::string& path, int rate, bool wav, bool hold)
    : path_(path), rate_(rate), hold_(hold) {
    wav_ = wav;
    name_ = path;
    buf_.reserve(kOutBuffer);
}

FileOutput::~FileOutput() {
    if (fd_ >= 0 && fd_ != STDOUT_FILENO) close(fd_);
    abandon();
}

std::string FileOutput::open() {
    struct stat st;
    std::string target = path_;
    char resolved[PATH_MAX];
    // A symbolic link is followed, so the file it names is the one replaced.
    if (path_ != "-" && lstat(path_.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
        realpath(path_.c_str(), resolved))
        target = resolved;
    const bool exists = path_ != "-" && stat(target.c_str(), &st) == 0;
    if (path_ == "-") {
        fd_ = STDOUT_FILENO;
    } else if (exists && !S_ISREG(st.st_mode)) {
        // A device or a named pipe is written in place.
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd_ < 0) return "cannot create " + path_ + ": " + std::strerror(errno);
    } else {
        // A regular file is written beside its final name and renamed there by finish(), so a
        // run that fails part-way leaves an existing file as it was. The new file takes the old
        // one's permissions, or those a newly created file would get.
        temp_ = target + ".XXXXXX";
        fd_ = mkostemp(&temp_[0], O_CLOEXEC);
        if (fd_ < 0) {
            const int e = errno;
            temp_.clear();
            return "cannot create " + path_ + ": " + std::strerror(e);
        }
        target_ = target;
        mode_t mode = exists ? st.st_mode & 07777 : 0;
        if (!exists) {
            const mode_t mask = umask(0);
            umask(mask);
            mode = 0666 & ~mask;
        }
        fchmod(fd_, mode);
    }
    const bool regular = fstat(fd_, &st) == 0 && S_ISREG(st.st_mode);
    if (!wav_) return "";
    // pwrite cannot patch a file opened for appending: such an output is treated as a pipe.
    const int flags = fcntl(fd_, F_GETFL);
    header_at_ = lseek(fd_, 0, SEEK_CUR);
    seekable_ = regular && flags >= 0 && !(flags & O_APPEND) && header_at_ >= 0;
    uint8_t h[44];
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, kUnknownSize);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    put16(h + 20, 1);
    put16(h + 22, 1);
    put32(h + 24, static_cast<uint32_t>(rate_));
    put32(h + 28, static_cast<uint32_t>(rate_) * 2);
    put16(h + 32, 2);
    put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, kUnknownSize);
    buf_.insert(buf_.begin(), h, h + sizeof h);
    return "";
}

std::string FileOutput::flush() {
    if (fd_ < 0) {
        std::string err = open();
        if (!err.empty()) return err;
    }
    const bool ok = write_all(fd_, buf_.data(), buf_.size());
    buf_.clear();
    return ok ? "" : "cannot write " + std::string(path_ == "-" ? "standard output" : path_);
}

std::string FileOutput::write(const uint8_t* src, size_t n) {
    if (wav_) data_bytes_ += n;
    buf_.insert(buf_.end(), src, src + n);
    return !hold_ && buf_.size() >= kOutBuffer ? flush() : "";
}

std::string FileOutput::finish() {
    std::string err = flush();
    if (!err.empty()) return err;
    const std::string write_error = "cannot write " + std::string(path_ == "-" ? "standard output" : path_);
    if (wav_ && seekable_) {
        // RIFF sizes are 32-bit: a longer signal would get a wrapped, lying header.
        if (data_bytes_ > kMaxWavData) return path_ + ": too long for a WAV file (use a raw output file)";
        uint8_t size[4];
        put32(size, static_cast<uint32_t>(36 + data_bytes_));
        bool ok = pwrite(fd_, size, 4, header_at_ + 4) == 4;
        put32(size, static_cast<uint32_t>(data_bytes_));
        ok = ok && pwrite(fd_, size, 4, header_at_ + 40) == 4;
        if (!ok) return write_error;
    }
    if (fd_ != STDOUT_FILENO) {
        const int fd = fd_;
        fd_ = -1;
        if (close(fd) != 0) return write_error;
    }
    if (!temp_.empty()) {
        if (rename(temp_.c_str(), target_.c_str()) != 0)
            return "cannot write " + path_ + ": " + std::strerror(errno);
        temp_.clear();
    }
    return "";
}

void FileOutput::abandon() {
    if (!temp_.empty()) unlink(temp_.c_str());
    temp_.clear();
}

std::unique_ptr<FileOutput> open_output(const std::string& path, int rate, PcmFile kind, bool hold) {
    return std::make_unique<FileOutput>(path, rate, is_wav(path, kind), hold);
}

// ---------------------------------------------------------------------------------------------
// Coding

std::string run(Coder& coder, Input& in, Output& out) {
    std::string err;
    while (coder.step(in, out, err)) {
    }
    // A read error cuts the input short: it, not what the coder made of the cut, is the fault.
    return in.error().empty() ? err : in.error();
}

namespace {

class CodedInput : public Input {
public:
    CodedInput(Coder& coder, Input& pcm) : coder_(coder), pcm_(pcm) {}

private:
    size_t fill(uint8_t* dst, size_t cap) override {
        while (pos_ == mem_.bytes.size() && !done_) {
            mem_.bytes.clear();
            pos_ = 0;
            std::string err;
            if (!coder_.step(pcm_, mem_, err)) {
                done_ = true;
                if (!pcm_.error().empty()) err = pcm_.error();
                if (!err.empty()) {
                    error_ = err;
                    return 0;
                }
            }
        }
        const size_t m = std::min(cap, mem_.bytes.size() - pos_);
        if (m) std::memcpy(dst, mem_.bytes.data() + pos_, m);
        pos_ += m;
        return m;
    }

    Coder& coder_;
    Input& pcm_;
    MemoryOutput mem_;
    size_t pos_ = 0;
    bool done_ = false;
};

}  // namespace

std::unique_ptr<Input> coded_input(Coder& coder, Input& pcm) {
    return std::make_unique<CodedInput>(coder, pcm);
}

bool read_amr_magic(Input& in, const char* magic, std::string& err) {
    const size_t n = std::strlen(magic);
    uint8_t got[16];
    const size_t m = in.read(got, std::min(n, sizeof got));
    if (!in.error().empty()) return false;
    if (m != n || std::memcmp(got, magic, n) != 0) {
        err = "the stream lacks the \"" + std::string(magic, n - 1) +
              "\\n\" header of the RFC 4867 storage format";
        return false;
    }
    return true;
}

}  // namespace vokscodec
