#pragma once
// The phases of a benchmark run: each starts the programs it needs, drives them and
// returns what it saw.
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

Json baselineRun();
Json countingRun(Startups& startups);
Json playsRun(Startups& startups);
Json endOfSoundRun(Startups& startups);
Json afterOwnEndRun(Startups& startups);
Json exitsRun();
Json startupPairsRun();

}  // namespace bench
