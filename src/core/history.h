#pragma once
// What happened at each countdown's end and to each sound since the program started, newest
// first: the answer to "why didn't it ring?" and "why that file?". Kept in memory only; the
// program writes no log. Window-free.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>

#include "common/local_time.h"

namespace zt {

enum class HistoryEvent {
    Played,          // a countdown's end played the file
    TestPlay,        // the user played a file of the list
    PlayNow,         // "Play one now"
    StartupSound,    // the sound the program plays as it starts
    Muted,           // a countdown ended while muted
    Quiet,           // ... in quiet hours (detail: when they end, "07:30")
    HeldPlayed,      // held while the user was busy, then played (heldSeconds)
    HeldDropped,     // held while the user was busy, then given up (heldSeconds)
    Skipped,         // "Skip this wait"
    Stopped,         // "Stop sound" while the file played
    CouldNotPlay,    // detail: why
    DefaultDevice,   // played on the default device: the device chosen was not there
    CutShort,        // started, then ended early (detail: why, its device went away)
};

struct HistoryEntry {
    HistoryEvent what = HistoryEvent::Played;
    std::wstring file{};    // the file's name; empty where no file was picked
    std::wstring detail{};  // Quiet: its end; CouldNotPlay, CutShort: the reason; Held*: why busy, if known
    std::int64_t heldSeconds = 0;
    LocalTime time{};  // set by History::add
};

// The entry's "What happened" in words: "played", "quiet hours until 07:30", "held while
// busy, dropped after 10 minutes", "could not play: the file is damaged".
std::wstring historyWords(const HistoryEntry& entry);

class History {
public:
    static constexpr std::size_t kCapacity = 500;
    // Told after each new entry (the history window follows the list while it is open).
    using Added = std::function<void(const HistoryEntry&)>;

    explicit History(const Clock& clock) : clock_(clock) {}
    History(const History&) = delete;
    History& operator=(const History&) = delete;

    // Stamps the entry with the time now and puts it first; the oldest beyond kCapacity go.
    void add(HistoryEntry entry);
    void add(HistoryEvent what, std::wstring file = {}, std::wstring detail = {}) {
        add(HistoryEntry{what, std::move(file), std::move(detail)});
    }
    void onAdded(Added added) { added_ = std::move(added); }

    // Newest first.
    const std::deque<HistoryEntry>& entries() const { return entries_; }

private:
    const Clock& clock_;
    std::deque<HistoryEntry> entries_;
    Added added_;
};

// The list as tab-separated text with a header row ("Time", "File", "What happened"), one
// line (CR LF) per entry, newest first; time writes an entry's time as the user reads it.
std::wstring historyTable(const std::deque<HistoryEntry>& entries,
                          const std::function<std::wstring(const LocalTime&)>& time);

}  // namespace zt
