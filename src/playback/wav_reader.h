#pragma once
// The program's own WAV reader, for the files the platform's decoder refuses or returns
// empty: walks the RIFF chunks (never trusting a size in the file) and decodes PCM 8 to
// 32-bit, float, mu-law, A-law, IMA ADPCM and MS ADPCM to interleaved floats. No window
// code.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace zt {

// Where the reader takes its bytes from: the file on Windows, memory in the tests.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Up to `size` bytes from `offset` into `out`; fewer at the end or on a read error.
    virtual std::size_t readAt(std::uint64_t offset, std::uint8_t* out, std::size_t size) = 0;
};

enum class WavEncoding { pcm, ieeeFloat, aLaw, muLaw, imaAdpcm, msAdpcm };

struct WavFormat {
    WavEncoding encoding = WavEncoding::pcm;
    unsigned channels = 0;
    std::uint32_t sampleRate = 0;
    unsigned blockAlign = 0;        // bytes of a frame, or of an ADPCM block
    unsigned bytesPerSample = 0;    // PCM, float and the G.711 laws
    std::uint32_t channelMask = 0;  // 0 when the file names no speakers
    unsigned framesPerBlock = 1;    // more than one for ADPCM
    std::vector<std::pair<int, int>> coefficients;  // MS ADPCM predictors
};

enum class WavStatus {
    ok,
    notWav,       // no RIFF/WAVE header: a file for someone else to read
    damaged,      // a WAV whose format or chunks make no sense
    unsupported,  // a sound encoding this reader does not decode
};

class WavReader {
public:
    // Reads the header at once; status() says whether there is a sound to decode.
    explicit WavReader(ByteSource& source);

    WavStatus status() const { return status_; }
    const WavFormat& format() const { return format_; }

    // The next frames, up to about maxFrames (whole ADPCM blocks), as interleaved samples
    // in -1..1, replacing what `out` held. Empty at the end of the sound.
    void read(std::vector<float>& out, std::size_t maxFrames);

private:
    bool parseFormat(const std::vector<std::uint8_t>& chunk);

    ByteSource& source_;
    WavStatus status_ = WavStatus::notWav;
    WavFormat format_;
    std::uint64_t next_ = 0;  // the next byte of the sound data to decode
    std::uint64_t end_ = 0;   // past the sound data, never past the end of the file
    std::vector<std::uint8_t> bytes_;
};

// Integer PCM (unsigned 8-bit, signed 16/24/32-bit little-endian) or 32/64-bit float
// samples as floats in -1..1.
void samplesToFloat(const std::uint8_t* in, std::size_t samples, unsigned bytesPerSample, bool isFloat,
                    float* out);

// The G.711 laws, as 16-bit values.
std::int16_t muLawSample(std::uint8_t code);
std::int16_t aLawSample(std::uint8_t code);

// One ADPCM block (or the part of one that the file holds) as interleaved 16-bit samples
// appended to `out`. Returns false when the block's header makes no sense.
bool decodeImaBlock(const std::uint8_t* block, std::size_t size, unsigned channels, std::vector<std::int16_t>& out);
bool decodeMsBlock(const std::uint8_t* block, std::size_t size, unsigned channels,
                   const std::vector<std::pair<int, int>>& coefficients, std::vector<std::int16_t>& out);

}  // namespace zt
