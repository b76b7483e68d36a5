#include "playback/lead_in.h"

#include <gtest/gtest.h>

namespace zt {
namespace {

TEST(LeadIn, BluetoothIsToldByTheEnumeratorElseByTheId) {
    struct Case {
        const wchar_t* enumerator;
        const wchar_t* id;
        bool bluetooth;
    };
    const Case cases[] = {
        {L"BTHENUM", L"{0.0.0.00000000}.{a1}", true},
        {L"BTHHFENUM", L"{0.0.0.00000000}.{a2}", true},
        {L"BTHLEDevice", L"{0.0.0.00000000}.{a3}", true},
        {L"bthenum", L"", true},
        {L"HDAUDIO", L"BTHENUM\\{0000110b}", false},  // the enumerator decides when known
        {L"USB", L"{0.0.0.00000000}.{a4}", false},
        {L"MMDEVAPI", L"", false},
        {L"", L"BTHENUM\\{0000110b-0000-1000-8000-00805f9b34fb}_LOCALMFG", true},
        {L"", L"SWD\\MMDEVAPI\\BTHLEDevice#x", true},
        {L"", L"{0.0.0.00000000}.{b7}", false},
        {L"", L"HDAUDIO\\FUNC_01&VEN_BTH1", false},  // "BTH" inside a name, not an enumerator
        {L"", L"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isBluetoothDevice(c.enumerator, c.id), c.bluetooth) << c.enumerator << c.id;
}

TEST(LeadIn, StoredValueOverridesEveryDeviceClamped) {
    struct Case {
        std::optional<std::int32_t> stored;
        bool bluetooth;
        std::int32_t ms;
    };
    const Case cases[] = {
        {std::nullopt, false, 0},   {std::nullopt, true, 500}, {0, true, 0},         {250, false, 250},
        {250, true, 250},           {2000, false, 2000},       {2500, false, 2000}, {-1, true, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(leadInMs(c.stored, c.bluetooth), c.ms) << c.stored.value_or(-999) << " bt " << c.bluetooth;
}

TEST(LeadIn, FramesAtTheStreamsRate) {
    EXPECT_EQ(leadInFrames(500, 44100), 22050u);
    EXPECT_EQ(leadInFrames(2000, 48000), 96000u);
    EXPECT_EQ(leadInFrames(1, 44100), 44u);  // whole frames, rounded down
    EXPECT_EQ(leadInFrames(0, 48000), 0u);
    EXPECT_EQ(leadInFrames(-5, 48000), 0u);
}

}  // namespace
}  // namespace zt
