#pragma once
// What every part of the benchmark driver shares: its options, its clocks, its log and
// the JSON it writes.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace bench {

struct Options {
    std::wstring zirrotone, baseline, sounds, out;
    std::wstring baselineControls;  // the baseline with common controls 6; optional
    std::wstring baselineCounting;  // ... that also shows a value and a tip once a second; optional
    std::string prefix;  // the Unix path of the Wine prefix: tells our Wine processes apart
    int clockTicks = 100;
    int xvfbPid = 0;
    int idleSeconds = 60;
    int probes = 200;
    int plays = 100;
    int thousandPlays = 1000;
    int cycles = 3;
    int endCycles = 4;
    int startupPairs = 10;
};
extern Options opt;

// Seconds on the performance counter.
double now();
// Seconds since 1970 (CLOCK_REALTIME under Wine): the clock the sink recorder stamps with.
double unixTime();
void log(const char* format, ...);

class Json {
public:
    Json& num(const std::string& key, double value) {
        char text[64];
        std::snprintf(text, sizeof text, "%.6g", value);
        return raw(key, text);
    }
    Json& str(const std::string& key, const std::string& value) { return raw(key, "\"" + value + "\""); }
    Json& obj(const std::string& key, const Json& value) { return raw(key, value.text()); }
    Json& arr(const std::string& key, const std::vector<double>& values) {
        std::string text = "[";
        for (size_t i = 0; i < values.size(); ++i) {
            char item[64];
            std::snprintf(item, sizeof item, "%s%.6f", i ? "," : "", values[i]);
            text += item;
        }
        return raw(key, text + "]");
    }
    Json& raw(const std::string& key, const std::string& value) {
        items_.push_back("\"" + key + "\": " + value);
        return *this;
    }
    std::string text() const {
        std::string t = "{";
        for (size_t i = 0; i < items_.size(); ++i) t += (i ? ", " : "") + items_[i];
        return t + "}";
    }

private:
    std::vector<std::string> items_;
};

}  // namespace bench
