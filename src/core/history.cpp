#include "core/history.h"

#include <utility>

namespace zt {

namespace {

// "40 seconds", "1 minute", "10 minutes": a hold is polled each second, so whole minutes
// are rounded to the nearest.
std::wstring duration(std::int64_t seconds) {
    if (seconds < 60) return std::to_wstring(seconds) + (seconds == 1 ? L" second" : L" seconds");
    const std::int64_t minutes = (seconds + 30) / 60;
    return std::to_wstring(minutes) + (minutes == 1 ? L" minute" : L" minutes");
}

std::wstring heldWords(const HistoryEntry& e) {
    std::wstring words = L"held while busy";
    if (!e.detail.empty()) words += L" (" + e.detail + L")";
    return words;
}

// A field of the table: tabs and line ends would break its columns and rows.
std::wstring field(std::wstring text) {
    for (wchar_t& c : text)
        if (c == L'\t' || c == L'\r' || c == L'\n') c = L' ';
    return text;
}

}  // namespace

std::wstring historyWords(const HistoryEntry& e) {
    switch (e.what) {
    case HistoryEvent::Played: return L"played";
    case HistoryEvent::TestPlay: return L"test play";
    case HistoryEvent::PlayNow: return L"play one now";
    case HistoryEvent::StartupSound: return L"start-up sound";
    case HistoryEvent::Muted: return L"muted";
    case HistoryEvent::Quiet: return e.detail.empty() ? L"quiet hours" : L"quiet hours until " + e.detail;
    case HistoryEvent::HeldPlayed: return heldWords(e) + L", then played after " + duration(e.heldSeconds);
    case HistoryEvent::HeldDropped: return heldWords(e) + L", dropped after " + duration(e.heldSeconds);
    case HistoryEvent::Skipped: return L"skipped";
    case HistoryEvent::Stopped: return L"stopped by the user";
    case HistoryEvent::CouldNotPlay: return e.detail.empty() ? L"could not play" : L"could not play: " + e.detail;
    case HistoryEvent::DefaultDevice: return L"played on the default device because the chosen one was missing";
    case HistoryEvent::CutShort: return e.detail.empty() ? L"cut short" : L"cut short: " + e.detail;
    }
    return {};
}

void History::add(HistoryEntry entry) {
    entry.time = clock_.now();
    entries_.push_front(std::move(entry));
    while (entries_.size() > kCapacity) entries_.pop_back();
    if (added_) added_(entries_.front());
}

std::wstring historyTable(const std::deque<HistoryEntry>& entries,
                          const std::function<std::wstring(const LocalTime&)>& time) {
    std::wstring text = L"Time\tFile\tWhat happened\r\n";
    for (const HistoryEntry& e : entries)
        text += field(time(e.time)) + L'\t' + field(e.file) + L'\t' + field(historyWords(e)) + L"\r\n";
    return text;
}

}  // namespace zt
