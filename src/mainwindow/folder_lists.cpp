#include "mainwindow/folder_lists.h"

#include <commctrl.h>

#include <utility>

#include "common/scoped.h"
#include "common/text.h"
#include "common/winutil.h"
#include "mainwindow/ids.h"

namespace zt {

std::optional<FolderListing> readFolder(const std::wstring& folder, const std::function<bool()>& stop) {
    if (folder.empty()) return std::nullopt;
    WIN32_FIND_DATAW found;
    ScopedFind find(FindFirstFileExW((addSlash(folder) + L"*").c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    FolderListing listing;
    if (!find) {
        // An empty drive root has no "." entry: that is an empty folder, not a failure.
        if (GetLastError() == ERROR_FILE_NOT_FOUND) return listing;
        return std::nullopt;
    }
    do {
        if (stop && stop()) return std::nullopt;
        if (found.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
        std::wstring name = found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (name != L"." && name != L"..") listing.folders.push_back(std::move(name));
        } else if (matchesPattern(name, kSoundPattern)) {
            listing.sounds.push_back(std::move(name));
        }
    } while (FindNextFileW(find.get(), &found));
    sortNames(listing.folders);
    sortNames(listing.sounds);
    return listing;
}

// Reader --------------------------------------------------------------------------------

FolderReader::FolderReader(Done done)
    : done_(std::move(done)),
      // Message-only: it is never shown, and it takes the results on the thread that made it.
      window_(CreateWindowExW(0, WC_STATICW, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)),
      thread_(threadMain, this) {
    SetWindowSubclass(window_, windowProc, 0, reinterpret_cast<DWORD_PTR>(this));
}

FolderReader::~FolderReader() {
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_one();
    thread_.join();
    if (window_) DestroyWindow(window_);
}

void FolderReader::read(unsigned id, const std::wstring& folder) {
    {
        const std::lock_guard lock(mutex_);
        request_ = Request{id, folder};
        newest_ = id;
    }
    wake_.notify_one();
}

// Nothing escapes the thread: a read that throws (out of memory in a huge folder) counts
// as a folder that cannot be read, and anything else ends the reader quietly.
void FolderReader::threadMain(FolderReader* self) noexcept {
    try {
        self->work();
    } catch (...) {
    }
}

void FolderReader::work() {
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return quit_ || request_; });
        if (quit_) return;
        const Request request = std::move(*request_);
        request_.reset();
        lock.unlock();
        std::optional<FolderListing> listing;
        try {
            listing = readFolder(request.folder, [&] { return quit_ || newest_ != request.id; });
        } catch (...) {
            listing.reset();
        }
        lock.lock();
        if (quit_) return;
        if (newest_ != request.id) continue;  // superseded: nobody waits for it
        result_ = Result{request.id, std::move(listing)};
        PostMessageW(window_, kReadMessage, 0, 0);
    }
}

void FolderReader::handOver() {
    std::optional<Result> result;
    {
        const std::lock_guard lock(mutex_);
        result.swap(result_);
    }
    if (result) done_(result->id, std::move(result->listing));
}

LRESULT CALLBACK FolderReader::windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR self) {
    if (msg != kReadMessage) return DefSubclassProc(hwnd, msg, wParam, lParam);
    // A window procedure: an exception ends the handling of this one listing.
    try {
        reinterpret_cast<FolderReader*>(self)->handOver();
    } catch (...) {
    }
    return 0;
}

// Lists ---------------------------------------------------------------------------------

namespace {
// A pick waits this long at the most for a folder still being read, then picks from what
// the list shows.
constexpr std::int64_t kLongestRefreshMs = 120'000;
}  // namespace

FolderLists::FolderLists(Waiter& waiter, Unreadable unreadable, Chosen chosen)
    : waiter_(waiter),
      unreadable_(std::move(unreadable)),
      chosen_(std::move(chosen)),
      reader_([this](unsigned id, std::optional<FolderListing> listing) { finished(id, std::move(listing)); }) {}

bool FolderLists::createList(HWND parent, int id, const RECT& at) {
    switch (id) {
    case ids::kDrive1: Drive1.create(parent, id, at, {}); return true;
    case ids::kDir1: Dir1.create(parent, id, at); return true;
    case ids::kFile1: File1.create(parent, id, at); return true;
    default: return false;
    }
}

void FolderLists::start(const std::wstring& stored) {
    // Started at logon the working folder is the system folder: it is read only when the
    // stored folder cannot be.
    if (stored.empty())
        startRead(currentFolder(), ReadPurpose::quietly);
    else
        startRead(stored, ReadPurpose::restore);
}

void FolderLists::restore(const std::wstring& folder) {
    if (normalizeFolder(folder) != chosenFolder()) startRead(folder, ReadPurpose::quietly);
}

void FolderLists::open(const std::wstring& folder) { startRead(folder, ReadPurpose::navigate); }

void FolderLists::Drive1_Change() {
    const std::wstring drive = Drive1.drive();
    const std::wstring remembered = fullPath(drive);
    startRead(remembered.empty() ? addSlash(drive) : remembered, ReadPurpose::navigate, addSlash(drive));
}

void FolderLists::Dir1_Change() { startRead(Dir1.path(), ReadPurpose::navigate); }

void FolderLists::openSelectedFolder() {
    const std::wstring target = Dir1.selectedPath();
    if (!target.empty() && target != Dir1.path()) startRead(target, ReadPurpose::navigate);
}

std::wstring FolderLists::chosenFolder() const {
    return pending_ && pending_->purpose != ReadPurpose::refresh ? pending_->folder : File1.path();
}

std::wstring FolderLists::selectedSound() const {
    const std::wstring name = File1.entry(File1.selectedIndex());
    return name.empty() ? name : addSlash(File1.path()) + name;
}

void FolderLists::startRead(const std::wstring& folder, ReadPurpose purpose, const std::wstring& told) {
    const std::wstring normal = normalizeFolder(folder);
    if (purpose != ReadPurpose::refresh) {
        // The drive shows at once; the folder and the files once they are read.
        Drive1.selectDriveOf(normal);
        File1.setReading(true);
    }
    pending_ = Pending{++generation_, normal, purpose, told.empty() ? normal : told};
    reader_.read(pending_->id, normal);
    tellChosen();
}

void FolderLists::tellChosen() {
    const std::wstring now = chosenFolder();
    if (now == toldChosen_) return;
    toldChosen_ = now;
    if (chosen_) chosen_(now);
}

void FolderLists::finished(unsigned id, std::optional<FolderListing> listing) {
    if (!pending_) return;
    const ReadOutcome outcome = readOutcome(pending_->purpose, id == pending_->id, listing.has_value());
    if (outcome == ReadOutcome::stale) return;
    const Pending done = std::move(*pending_);
    pending_.reset();
    File1.setReading(false);
    switch (outcome) {
    case ReadOutcome::showAll:
        Dir1.show(done.folder, std::move(listing->folders));
        File1.show(done.folder, std::move(listing->sounds));
        break;
    case ReadOutcome::showFiles: File1.show(done.folder, std::move(listing->sounds)); break;
    case ReadOutcome::unreadable:
        Drive1.selectDriveOf(Dir1.path());
        unreadable_(done.told);
        break;
    case ReadOutcome::fallBack: startRead(currentFolder(), ReadPurpose::quietly); break;
    case ReadOutcome::keep: Drive1.selectDriveOf(Dir1.path()); break;
    case ReadOutcome::stale: break;
    }
    tellChosen();
}

void FolderLists::refresh() {
    if (!pending_) startRead(File1.path(), ReadPurpose::refresh);
    // At the most so long; then the pick takes what the list shows.
    const std::int64_t until = waiter_.clockMs() + kLongestRefreshMs;
    while (pending_ && waiter_.clockMs() < until) waiter_.waitUntil(until, nullptr);
}

void FolderLists::measureItem(MEASUREITEMSTRUCT& mis, UINT dpi) const {
    if (mis.CtlID == static_cast<UINT>(ids::kDir1)) Dir1.measureItem(mis, dpi);
    if (mis.CtlID == static_cast<UINT>(ids::kFile1)) File1.measureItem(mis, dpi);
}

void FolderLists::drawItem(const DRAWITEMSTRUCT& dis, UINT dpi) {
    if (dis.CtlID == static_cast<UINT>(ids::kDir1)) Dir1.drawItem(dis, dpi);
    if (dis.CtlID == static_cast<UINT>(ids::kFile1)) File1.drawItem(dis, dpi);
}

void FolderLists::dpiChanged(UINT dpi) {
    Dir1.dpiChanged(dpi);
    File1.dpiChanged(dpi);
}

}  // namespace zt
