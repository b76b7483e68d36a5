#include "playback/wav_reader.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace zt {

namespace {

constexpr std::uint16_t kTagPcm = 1;
constexpr std::uint16_t kTagMsAdpcm = 2;
constexpr std::uint16_t kTagFloat = 3;
constexpr std::uint16_t kTagALaw = 6;
constexpr std::uint16_t kTagMuLaw = 7;
constexpr std::uint16_t kTagImaAdpcm = 0x11;
constexpr std::uint16_t kTagExtensible = 0xFFFE;
constexpr unsigned kMaxChannels = 64;
constexpr std::uint32_t kMaxFormatChunk = 4096;
// A file of more chunks than this before its sound is not a WAV anyone wrote.
constexpr int kMaxChunks = 4096;

std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t le32(const std::uint8_t* p) { return le16(p) | (static_cast<std::uint32_t>(le16(p + 2)) << 16); }
std::int16_t sle16(const std::uint8_t* p) { return static_cast<std::int16_t>(le16(p)); }

std::int16_t clamp16(int value) { return static_cast<std::int16_t>(std::clamp(value, -32768, 32767)); }

constexpr std::array<int, 16> kImaIndexStep = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};
constexpr std::array<int, 89> kImaStep = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr std::array<int, 16> kMsAdaptation = {230, 230, 230, 230, 307, 409, 512, 614,
                                               768, 614, 512, 409, 307, 230, 230, 230};
const std::vector<std::pair<int, int>> kMsStandardCoefficients = {
    {256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};

struct ImaChannel {
    int predictor;
    int index;
    std::int16_t next(unsigned nibble) {
        const int step = kImaStep[static_cast<std::size_t>(index)];
        int diff = step >> 3;
        if (nibble & 4) diff += step;
        if (nibble & 2) diff += step >> 1;
        if (nibble & 1) diff += step >> 2;
        predictor = clamp16(nibble & 8 ? predictor - diff : predictor + diff);
        index = std::clamp(index + kImaIndexStep[nibble], 0, 88);
        return static_cast<std::int16_t>(predictor);
    }
};

struct MsChannel {
    int coefficient1, coefficient2, delta, sample1, sample2;
    std::int16_t next(unsigned nibble) {
        const int signedNibble = nibble >= 8 ? static_cast<int>(nibble) - 16 : static_cast<int>(nibble);
        const int predicted = (sample1 * coefficient1 + sample2 * coefficient2) / 256;
        const std::int16_t sample = clamp16(predicted + signedNibble * delta);
        sample2 = sample1;
        sample1 = sample;
        delta = std::max(16, (kMsAdaptation[nibble] * delta) / 256);
        return sample;
    }
};

}  // namespace

std::int16_t muLawSample(std::uint8_t code) {
    const unsigned u = static_cast<std::uint8_t>(~code);
    const auto magnitude = static_cast<int>((((u & 0x0Fu) << 3) + 0x84u) << ((u >> 4) & 7u)) - 0x84;
    return static_cast<std::int16_t>(u & 0x80 ? -magnitude : magnitude);
}

std::int16_t aLawSample(std::uint8_t code) {
    const unsigned a = code ^ 0x55u;
    const unsigned exponent = (a >> 4) & 7;
    int magnitude = static_cast<int>((a & 0x0F) << 4) + 8;
    if (exponent > 0) magnitude = (magnitude + 0x100) << (exponent - 1);
    return static_cast<std::int16_t>(a & 0x80 ? magnitude : -magnitude);
}

void samplesToFloat(const std::uint8_t* in, std::size_t samples, unsigned bytesPerSample, bool isFloat, float* out) {
    for (std::size_t i = 0; i < samples; ++i, in += bytesPerSample) {
        if (isFloat && bytesPerSample == 4) {
            std::memcpy(&out[i], in, 4);
        } else if (isFloat) {
            double value;
            std::memcpy(&value, in, 8);
            out[i] = static_cast<float>(value);
        } else {
            switch (bytesPerSample) {
                case 1: out[i] = static_cast<float>(in[0] - 128) / 128.0f; break;
                case 2: out[i] = static_cast<float>(sle16(in)) / 32768.0f; break;
                case 3: out[i] = static_cast<float>((in[0] | (in[1] << 8) | (static_cast<std::int8_t>(in[2]) * 65536)) / 8388608.0); break;
                default: out[i] = static_cast<float>(static_cast<std::int32_t>(le32(in)) / 2147483648.0); break;
            }
        }
    }
}

bool decodeImaBlock(const std::uint8_t* block, std::size_t size, unsigned channelCount, std::vector<std::int16_t>& out) {
    const std::size_t channels = channelCount;
    const std::size_t header = 4 * channels;
    if (channels == 0 || size < header) return false;
    std::vector<ImaChannel> state(channels);
    for (std::size_t c = 0; c < channels; ++c) {
        state[c] = {sle16(block + 4 * c), block[4 * c + 2]};
        if (state[c].index > 88) return false;
    }
    // After the headers: per group of eight frames, four bytes of each channel in turn,
    // the low nibble of each byte first.
    const std::size_t groups = (size - header) / header;
    const std::size_t base = out.size();
    out.resize(base + (1 + groups * 8) * channels);
    for (std::size_t c = 0; c < channels; ++c) out[base + c] = static_cast<std::int16_t>(state[c].predictor);
    const std::uint8_t* data = block + header;
    for (std::size_t g = 0; g < groups; ++g)
        for (std::size_t c = 0; c < channels; ++c)
            for (std::size_t b = 0; b < 4; ++b) {
                const std::uint8_t byte = data[(g * channels + c) * 4 + b];
                const std::size_t frame = 1 + g * 8 + b * 2;
                out[base + frame * channels + c] = state[c].next(byte & 0x0F);
                out[base + (frame + 1) * channels + c] = state[c].next(byte >> 4);
            }
    return true;
}

bool decodeMsBlock(const std::uint8_t* block, std::size_t size, unsigned channelCount,
                   const std::vector<std::pair<int, int>>& coefficients, std::vector<std::int16_t>& out) {
    const std::size_t channels = channelCount;
    const std::size_t header = 7 * channels;
    if (channels == 0 || size < header) return false;
    std::vector<MsChannel> state(channels);
    for (std::size_t c = 0; c < channels; ++c) {
        if (block[c] >= coefficients.size()) return false;
        const auto [first, second] = coefficients[block[c]];
        state[c] = {first, second, sle16(block + channels + 2 * c), sle16(block + 3 * channels + 2 * c),
                    sle16(block + 5 * channels + 2 * c)};
    }
    // The two samples of the header come out oldest first, then a nibble per sample, the
    // high nibble of each byte first, the channels in turn.
    const std::size_t frames = (size - header) * 2 / channels;
    const std::size_t base = out.size();
    out.resize(base + (2 + frames) * channels);
    for (std::size_t c = 0; c < channels; ++c) {
        out[base + c] = static_cast<std::int16_t>(state[c].sample2);
        out[base + channels + c] = static_cast<std::int16_t>(state[c].sample1);
    }
    const std::uint8_t* data = block + header;
    for (std::size_t i = 0; i < frames * channels; ++i) {
        const std::uint8_t byte = data[i / 2];
        out[base + 2 * channels + i] = state[i % channels].next(i % 2 == 0 ? byte >> 4 : byte & 0x0F);
    }
    return true;
}

WavReader::WavReader(ByteSource& source) : source_(source) {
    std::uint8_t head[12];
    if (source_.readAt(0, head, sizeof head) < sizeof head || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "WAVE", 4) != 0)
        return;
    status_ = WavStatus::damaged;
    bool haveFormat = false;
    std::uint64_t offset = sizeof head;
    for (int chunk = 0; chunk < kMaxChunks; ++chunk) {
        std::uint8_t header[8];
        if (source_.readAt(offset, header, sizeof header) < sizeof header) return;
        const std::uint32_t size = le32(header + 4);
        const std::uint64_t body = offset + sizeof header;
        if (std::memcmp(header, "fmt ", 4) == 0) {
            if (size < 16 || size > kMaxFormatChunk) return;
            std::vector<std::uint8_t> bytes(size);
            if (source_.readAt(body, bytes.data(), size) < size || !parseFormat(bytes)) return;
            haveFormat = true;
        } else if (std::memcmp(header, "data", 4) == 0) {
            // Every writer puts the format first; data without one cannot be read.
            if (!haveFormat) return;
            next_ = body;
            end_ = body + size;  // a file cut short ends where its bytes do
            status_ = WavStatus::ok;
            return;
        }
        offset = body + size + (size & 1);  // chunks are padded to even sizes
    }
}

bool WavReader::parseFormat(const std::vector<std::uint8_t>& chunk) {
    const std::uint8_t* c = chunk.data();
    std::uint16_t tag = le16(c);
    WavFormat f;
    f.channels = le16(c + 2);
    f.sampleRate = le32(c + 4);
    f.blockAlign = le16(c + 12);
    const unsigned bits = le16(c + 14);
    const std::size_t extraSize = chunk.size() >= 18 ? std::min<std::size_t>(le16(c + 16), chunk.size() - 18) : 0;
    const std::uint8_t* extra = c + 18;
    if (tag == kTagExtensible) {
        static constexpr std::uint8_t kBaseGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                           0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        if (extraSize < 22) return false;
        f.channelMask = le32(extra + 2);
        if (std::memcmp(extra + 8, kBaseGuidTail, sizeof kBaseGuidTail) != 0) {
            status_ = WavStatus::unsupported;
            return false;
        }
        tag = le16(extra + 6);
    }
    if (f.channels == 0 || f.sampleRate == 0 || f.blockAlign == 0) return false;
    if (f.channels > kMaxChannels) {
        status_ = WavStatus::unsupported;
        return false;
    }
    const unsigned ch = f.channels;
    const bool whole = f.blockAlign % ch == 0;
    f.bytesPerSample = f.blockAlign / ch;
    switch (tag) {
        case kTagPcm:
            if (!whole || f.bytesPerSample > 4) return false;
            f.encoding = WavEncoding::pcm;
            break;
        case kTagFloat:
            if (!whole || (f.bytesPerSample != 4 && f.bytesPerSample != 8)) return false;
            f.encoding = WavEncoding::ieeeFloat;
            break;
        case kTagALaw:
        case kTagMuLaw:
            if (f.blockAlign != ch) return false;
            f.encoding = tag == kTagALaw ? WavEncoding::aLaw : WavEncoding::muLaw;
            break;
        case kTagImaAdpcm:
            if (bits != 4 || f.blockAlign % (4 * ch) != 0 || f.blockAlign <= 4 * ch) return false;
            f.encoding = WavEncoding::imaAdpcm;
            f.framesPerBlock = (f.blockAlign - 4 * ch) * 2 / ch + 1;
            break;
        case kTagMsAdpcm: {
            if (bits != 4 || f.blockAlign <= 7 * ch) return false;
            f.encoding = WavEncoding::msAdpcm;
            f.framesPerBlock = (f.blockAlign - 7 * ch) * 2 / ch + 2;
            const unsigned count = extraSize >= 4 ? le16(extra + 2) : 0;
            if (count >= 1 && count <= 256 && extraSize >= 4 + 4 * count) {
                for (std::size_t i = 0; i < count; ++i)
                    f.coefficients.emplace_back(sle16(extra + 4 + 4 * i), sle16(extra + 6 + 4 * i));
            } else {
                f.coefficients = kMsStandardCoefficients;
            }
            break;
        }
        default:
            status_ = WavStatus::unsupported;
            return false;
    }
    format_ = std::move(f);
    return true;
}

void WavReader::read(std::vector<float>& out, std::size_t maxFrames) {
    out.clear();
    if (status_ != WavStatus::ok || next_ >= end_) return;
    const WavFormat& f = format_;
    const std::size_t blocks = std::clamp<std::size_t>(maxFrames / f.framesPerBlock, 1, (1u << 20) / f.blockAlign + 1);
    const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(blocks * f.blockAlign, end_ - next_));
    bytes_.resize(wanted);
    const std::size_t got = source_.readAt(next_, bytes_.data(), wanted);
    next_ += got;
    if (got < wanted) end_ = next_;  // the file ends before its data chunk says
    const std::uint8_t* in = bytes_.data();
    switch (f.encoding) {
        case WavEncoding::pcm:
        case WavEncoding::ieeeFloat: {
            const std::size_t samples = got / f.blockAlign * f.channels;
            out.resize(samples);
            samplesToFloat(in, samples, f.bytesPerSample, f.encoding == WavEncoding::ieeeFloat, out.data());
            break;
        }
        case WavEncoding::aLaw:
        case WavEncoding::muLaw: {
            const std::size_t samples = got / f.blockAlign * f.channels;
            out.resize(samples);
            for (std::size_t i = 0; i < samples; ++i)
                out[i] = static_cast<float>(f.encoding == WavEncoding::aLaw ? aLawSample(in[i]) : muLawSample(in[i])) / 32768.0f;
            break;
        }
        case WavEncoding::imaAdpcm:
        case WavEncoding::msAdpcm: {
            std::vector<std::int16_t> decoded;
            for (std::size_t at = 0; at < got; at += f.blockAlign) {
                const std::size_t size = std::min<std::size_t>(f.blockAlign, got - at);
                const bool good = f.encoding == WavEncoding::imaAdpcm
                                      ? decodeImaBlock(in + at, size, f.channels, decoded)
                                      : decodeMsBlock(in + at, size, f.channels, f.coefficients, decoded);
                if (!good) {  // a damaged block ends the sound where it is
                    end_ = next_;
                    break;
                }
            }
            out.resize(decoded.size());
            std::transform(decoded.begin(), decoded.end(), out.begin(), [](std::int16_t s) { return static_cast<float>(s) / 32768.0f; });
            break;
        }
    }
}

}  // namespace zt
