#include "playback/wav_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace zt {
namespace {

using Bytes = std::vector<std::uint8_t>;

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(Bytes bytes) : bytes_(std::move(bytes)) {}
    std::size_t readAt(std::uint64_t offset, std::uint8_t* out, std::size_t size) override {
        if (offset >= bytes_.size()) return 0;
        const std::size_t n = std::min<std::size_t>(size, bytes_.size() - offset);
        std::memcpy(out, bytes_.data() + offset, n);
        return n;
    }

private:
    Bytes bytes_;
};

void put16(Bytes& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void put32(Bytes& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void putChunk(Bytes& b, const char* id, const Bytes& body, std::uint32_t statedSize) {
    b.insert(b.end(), id, id + 4);
    put32(b, statedSize);
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() % 2) b.push_back(0);
}

Bytes formatChunk(unsigned tag, unsigned channels, std::uint32_t rate, unsigned blockAlign, unsigned bits,
                  const Bytes& extra = {}) {
    Bytes f;
    put16(f, tag);
    put16(f, channels);
    put32(f, rate);
    put32(f, rate * blockAlign);
    put16(f, blockAlign);
    put16(f, bits);
    if (!extra.empty()) {
        put16(f, static_cast<unsigned>(extra.size()));
        f.insert(f.end(), extra.begin(), extra.end());
    }
    return f;
}

// A whole WAV: the RIFF header, an unrelated chunk, the format and the data.
Bytes wav(const Bytes& format, const Bytes& data, std::uint32_t statedDataSize) {
    Bytes body = {'W', 'A', 'V', 'E'};
    putChunk(body, "LIST", {'I', 'N', 'F', 'O', 'x'}, 5);  // odd: padded
    putChunk(body, "fmt ", format, static_cast<std::uint32_t>(format.size()));
    putChunk(body, "data", data, statedDataSize);
    Bytes file = {'R', 'I', 'F', 'F'};
    put32(file, static_cast<std::uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}
Bytes wav(const Bytes& format, const Bytes& data) { return wav(format, data, static_cast<std::uint32_t>(data.size())); }

std::vector<float> readAll(WavReader& reader, std::size_t chunkFrames = 3) {
    std::vector<float> all;
    std::vector<float> part;
    for (int guard = 0; guard < 100000; ++guard) {
        reader.read(part, chunkFrames);
        if (part.empty()) break;
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

TEST(WavReader, DecodesEachPlainEncodingToFloats) {
    struct Case {
        const char* name;
        unsigned tag, bytes;
        Bytes data;
        std::vector<float> expected;
    } const cases[] = {
        {"u8 (odd length)", 1, 1, {0x80, 0xFF, 0x00}, {0.0f, 127 / 128.0f, -1.0f}},
        {"s16", 1, 2, {0x00, 0x40, 0x00, 0x80}, {0.5f, -1.0f}},
        {"s24", 1, 3, {0x00, 0x00, 0xC0, 0xFF, 0xFF, 0x7F}, {-0.5f, 8388607 / 8388608.0f}},
        {"s32", 1, 4, {0, 0, 0, 0x40}, {0.5f}},
        {"float", 3, 4, {0x00, 0x00, 0x00, 0xBF}, {-0.5f}},
        {"mu-law", 7, 1, {0xFF, 0x80, 0x00}, {0.0f, 32124 / 32768.0f, -32124 / 32768.0f}},
        {"A-law", 6, 1, {0xD5, 0x55, 0xAA, 0x2A}, {8 / 32768.0f, -8 / 32768.0f, 32256 / 32768.0f, -32256 / 32768.0f}},
        // A trailing byte of a half sample is not a sample.
        {"s16 with a stray byte", 1, 2, {0x00, 0x40, 0x11}, {0.5f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemorySource source(wav(formatChunk(c.tag, 1, 22050, c.bytes, c.bytes * 8), c.data));
        WavReader reader(source);
        ASSERT_EQ(reader.status(), WavStatus::ok);
        EXPECT_EQ(reader.format().sampleRate, 22050u);
        const std::vector<float> samples = readAll(reader, 1);
        ASSERT_EQ(samples.size(), c.expected.size());
        for (std::size_t i = 0; i < samples.size(); ++i) EXPECT_FLOAT_EQ(samples[i], c.expected[i]) << i;
    }
}

TEST(WavReader, RefusesWhatIsNotASoundItCanRead) {
    const Bytes pcm = formatChunk(1, 2, 44100, 4, 16);
    const Bytes headerOnly = wav(pcm, {});
    Bytes notRiff = wav(pcm, {1, 2, 3, 4});
    notRiff[0] = 'X';
    Bytes extensibleOther = formatChunk(0xFFFE, 2, 44100, 4, 16, Bytes(22, 0));
    extensibleOther[18 + 8] = 0x01;  // a sub-format outside the common base
    Bytes dataFirst = {'W', 'A', 'V', 'E'};
    putChunk(dataFirst, "data", {1, 2}, 2);
    putChunk(dataFirst, "fmt ", pcm, static_cast<std::uint32_t>(pcm.size()));
    Bytes dataFirstFile = {'R', 'I', 'F', 'F', 0, 0, 0, 0};
    dataFirstFile.insert(dataFirstFile.end(), dataFirst.begin(), dataFirst.end());

    struct Case {
        const char* name;
        Bytes file;
        WavStatus status;
    } const cases[] = {
        {"empty file", {}, WavStatus::notWav},
        {"RIFF only", {'R', 'I', 'F', 'F', 4, 0, 0, 0}, WavStatus::notWav},
        {"not RIFF", notRiff, WavStatus::notWav},
        {"no data chunk", Bytes(headerOnly.begin(), headerOnly.end() - 8), WavStatus::damaged},
        {"format cut short", Bytes(headerOnly.begin(), headerOnly.begin() + 40), WavStatus::damaged},
        {"data before format", dataFirstFile, WavStatus::damaged},
        {"no channels", wav(formatChunk(1, 0, 44100, 4, 16), {}), WavStatus::damaged},
        {"no rate", wav(formatChunk(1, 2, 0, 4, 16), {}), WavStatus::damaged},
        {"block not whole samples", wav(formatChunk(1, 2, 44100, 3, 12), {}), WavStatus::damaged},
        {"five-byte PCM", wav(formatChunk(1, 1, 44100, 5, 40), {}), WavStatus::damaged},
        {"IMA block too small", wav(formatChunk(0x11, 1, 44100, 4, 4), {}), WavStatus::damaged},
        {"MP3 in a WAV", wav(formatChunk(0x55, 2, 44100, 1, 0), {}), WavStatus::unsupported},
        {"unknown extensible", wav(extensibleOther, {}), WavStatus::unsupported},
        {"too many channels", wav(formatChunk(1, 200, 44100, 400, 16), {}), WavStatus::unsupported},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemorySource source(c.file);
        WavReader reader(source);
        EXPECT_EQ(reader.status(), c.status);
        std::vector<float> out{1.0f};
        reader.read(out, 100);
        EXPECT_TRUE(out.empty());
    }
}

TEST(WavReader, DataSizesThatLieEndWhereTheBytesDo) {
    const Bytes pcm = formatChunk(1, 1, 8000, 2, 16);
    // A header and no data: a sound of nothing, not an error.
    MemorySource empty(wav(pcm, {}));
    WavReader none(empty);
    EXPECT_EQ(none.status(), WavStatus::ok);
    EXPECT_TRUE(readAll(none).empty());
    // A data chunk that claims far more than the file holds (as a recorder cut off does).
    MemorySource cut(wav(pcm, {0, 0x40, 0, 0x20}, 0xFFFFFFFFu));
    WavReader reader(cut);
    ASSERT_EQ(reader.status(), WavStatus::ok);
    EXPECT_EQ(readAll(reader), (std::vector<float>{0.5f, 0.25f}));
}

TEST(WavReader, ReadsTheSpeakersOfAnExtensibleFormat) {
    Bytes extra;
    put16(extra, 16);          // valid bits
    put32(extra, 0x3F);        // 5.1
    put16(extra, 1);           // PCM, then the rest of the common base GUID
    const std::uint8_t tail[] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    extra.insert(extra.end(), std::begin(tail), std::end(tail));
    Bytes frame;
    for (int c = 0; c < 6; ++c) put16(frame, c == 2 ? 0x4000 : 0);
    MemorySource source(wav(formatChunk(0xFFFE, 6, 48000, 12, 16, extra), frame));
    WavReader reader(source);
    ASSERT_EQ(reader.status(), WavStatus::ok);
    EXPECT_EQ(reader.format().channels, 6u);
    EXPECT_EQ(reader.format().channelMask, 0x3Fu);
    EXPECT_EQ(readAll(reader), (std::vector<float>{0, 0, 0.5f, 0, 0, 0}));
}

// IMA ADPCM, worked by hand from the step and index tables: start 0 at index 0 (step 7).
TEST(WavReader, DecodesImaAdpcmLowNibbleFirstPerChannel) {
    // Mono block: header (sample 100, index 0), then 4 bytes = 8 nibbles.
    const Bytes block = {100, 0, 0, 0, 0x04, 0x0C, 0x00, 0x00};
    std::vector<std::int16_t> out;
    ASSERT_TRUE(decodeImaBlock(block.data(), block.size(), 1, out));
    // 4: +7 (index 2, step 9); 0: +1 (index 1, step 8); 0xC: -(1+8) (index 3, step 10);
    // 0: +1 (index 2) and so on.
    ASSERT_EQ(out.size(), 9u);
    EXPECT_EQ((std::vector<std::int16_t>(out.begin(), out.begin() + 5)),
              (std::vector<std::int16_t>{100, 107, 108, 99, 100}));

    // Stereo: each channel's four bytes in turn; the right channel goes down.
    const Bytes stereo = {0, 0, 0, 0, 0, 0, 0, 0, 0x04, 0, 0, 0, 0x0C, 0, 0, 0};
    out.clear();
    ASSERT_TRUE(decodeImaBlock(stereo.data(), stereo.size(), 2, out));
    ASSERT_EQ(out.size(), 18u);
    EXPECT_EQ(out[2], 7);   // frame 1, left
    EXPECT_EQ(out[3], -7);  // frame 1, right
}

TEST(WavReader, DecodesMsAdpcmFromItsHeaderSamplesOn) {
    // Mono: predictor 0 (256, 0), delta 16, sample1 1000, sample2 900, then nibbles 0x1F.
    const std::vector<std::pair<int, int>> coefficients = {{256, 0}, {512, -256}};
    const Bytes block = {0, 16, 0, 0xE8, 0x03, 0x84, 0x03, 0x1F};
    std::vector<std::int16_t> out;
    ASSERT_TRUE(decodeMsBlock(block.data(), block.size(), 1, coefficients, out));
    // 900, 1000, then 1000 + 1*16 = 1016 (delta 16*230/256 -> 16), then 1016 - 1*16 = 1000.
    EXPECT_EQ(out, (std::vector<std::int16_t>{900, 1000, 1016, 1000}));
    // Predictor 1 doubles the slope: 2*1000 - 900 = 1100, + 16.
    const Bytes second = {1, 16, 0, 0xE8, 0x03, 0x84, 0x03, 0x10};
    out.clear();
    ASSERT_TRUE(decodeMsBlock(second.data(), second.size(), 1, coefficients, out));
    EXPECT_EQ(out[2], 1116);
    // A predictor the file does not define is a damaged block.
    const Bytes bad = {7, 16, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(decodeMsBlock(bad.data(), bad.size(), 1, coefficients, out));
}

TEST(WavReader, AdpcmFilesDecodeWholeAndPartialBlocks) {
    // IMA mono, 8-byte blocks (9 frames); the last block is cut after its header.
    Bytes imaExtra;
    put16(imaExtra, 9);
    const Bytes ima = {0, 0, 0, 0, 0x11, 0x11, 0x11, 0x11, 0, 1, 0, 0};
    MemorySource imaSource(wav(formatChunk(0x11, 1, 22050, 8, 4, imaExtra), ima));
    WavReader imaReader(imaSource);
    ASSERT_EQ(imaReader.status(), WavStatus::ok);
    EXPECT_EQ(imaReader.format().framesPerBlock, 9u);
    EXPECT_EQ(readAll(imaReader, 9).size(), 9u + 1u);

    // MS mono, 9-byte blocks (6 frames) with the standard coefficients written out; a
    // damaged second block ends the sound after the first.
    Bytes msExtra;
    put16(msExtra, 6);
    put16(msExtra, 2);
    for (int v : {256, 0, 512, -256}) put16(msExtra, static_cast<unsigned>(v) & 0xFFFF);
    const Bytes ms = {0, 16, 0, 0, 0, 0, 0, 0x12, 0x34, 9, 16, 0, 0, 0, 0, 0, 0x12, 0x34};
    MemorySource msSource(wav(formatChunk(2, 1, 22050, 9, 4, msExtra), ms));
    WavReader msReader(msSource);
    ASSERT_EQ(msReader.status(), WavStatus::ok);
    EXPECT_EQ(msReader.format().coefficients.size(), 2u);
    EXPECT_EQ(readAll(msReader, 6).size(), 6u);
}

TEST(WavReader, GarbageNeverReadsOutOfBounds) {
    // Every cut of a good file, and the good file with its bytes flipped one at a time:
    // the reader may refuse them or decode noise, but under the sanitizers it must never
    // touch a byte it does not have.
    Bytes extra;
    put16(extra, 6);
    put16(extra, 7);
    for (int i = 0; i < 14; ++i) put16(extra, 0);
    const Bytes good = wav(formatChunk(2, 2, 22050, 16, 4, extra), Bytes(40, 0x5A));
    for (std::size_t cut = 0; cut <= good.size(); ++cut) {
        MemorySource source(Bytes(good.begin(), good.begin() + static_cast<long>(cut)));
        WavReader reader(source);
        readAll(reader, 1000);
    }
    for (std::size_t at = 0; at < good.size(); ++at) {
        for (std::uint8_t value : {0x00, 0xFF, 0x7F}) {
            Bytes changed = good;
            changed[at] = value;
            MemorySource source(changed);
            WavReader reader(source);
            readAll(reader, 1000);
        }
    }
}

}  // namespace
}  // namespace zt
