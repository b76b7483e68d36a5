#pragma once
// The phases of a benchmark run: each starts the programs it needs, drives them and
// returns what it saw.
#include <string>
#include <string_view>
#include <vector>

#include "driver.h"
#include "subject.h"

namespace bench {

// Launch to first text shown, and launch to the window first seen, in ms.
struct Startups {
    std::vector<double> shown, window;
    void add(Subject& s, int textControl) {
        shown.push_back(s.waitUntilShowing(textControl) * 1000);
        window.push_back(s.windowAt() * 1000);
    }
};

// One setting in the registry, as the program stores it.
void setSetting(std::wstring_view name, const std::wstring& value);
// A fresh set: the folder and the delay; everything else at the program's defaults.
void useSettings(const std::wstring& folder, const std::wstring& delay);

Json baselineRun();
Json countingRun(Startups& startups);
Json playsRun(Startups& startups);
Json thousandPlaysRun(Startups& startups);
Json endOfSoundRun(Startups& startups);
Json afterOwnEndRun(Startups& startups);
Json playNowRun(Startups& startups);
Json exitsRun();
Json startupPairsRun();
Json bigFolderRun();

}  // namespace bench
