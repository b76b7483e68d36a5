#pragma once
// The drive, folder and file lists as one chain (drive -> folder -> files) and the reads
// behind them. Every folder is read on a worker thread and shown once its listing comes
// back to the window's thread, so the window answers however large the folder is; a
// newer move of the lists supersedes a read still in flight.
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/folder_model.h"
#include "common/wait.h"
#include "core/sound_folder.h"
#include "mainwindow/file_lists.h"

namespace zt {

// What the lists show of a folder: its subfolders and its sound files, each sorted (no
// hidden or system entries).
struct FolderListing {
    std::vector<std::wstring> folders, sounds;
};

// Lists the folder in one pass; nothing when it cannot be listed, or when stop() says so
// part way through.
std::optional<FolderListing> readFolder(const std::wstring& folder, const std::function<bool()>& stop = {});

// Reads folders on a thread of its own, one at a time: a new request drops the one waiting
// and stops the one being read. `done` runs on the thread that made the reader, from its
// message loop, for the newest request only.
class FolderReader {
public:
    using Done = std::function<void(unsigned id, std::optional<FolderListing> listing)>;
    explicit FolderReader(Done done);
    ~FolderReader();
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    void read(unsigned id, const std::wstring& folder);
    // Posted to the reader's own (message-only) window when a listing is ready.
    static constexpr UINT kReadMessage = WM_APP + 0x40;

private:
    struct Request {
        unsigned id;
        std::wstring folder;
    };
    struct Result {
        unsigned id;
        std::optional<FolderListing> listing;
    };
    static void threadMain(FolderReader* self) noexcept;
    void work();
    void handOver();
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);

    Done done_;
    HWND window_ = nullptr;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Request> request_;  // asked for, not started
    std::optional<Result> result_;    // read, not yet handed over
    std::atomic<unsigned> newest_{0};
    std::atomic<bool> quit_{false};
    std::thread thread_;  // last: it starts once the rest is there
};

// The three lists and the folder they show, which the scheduler picks from.
class FolderLists final : public SoundFolder {
public:
    // Told (on the window's thread) the folder a move of the lists could not read.
    using Unreadable = std::function<void(const std::wstring& folder)>;
    // Told (on the window's thread) whenever chosenFolder() changes.
    using Chosen = std::function<void(const std::wstring& folder)>;
    // Waits (a pick for a read in flight) go through the waiter.
    FolderLists(Waiter& waiter, Unreadable unreadable, Chosen chosen = {});

    // Makes the list with this id (ids::kDrive1, kDir1, kFile1); false for any other id.
    bool createList(HWND parent, int id, const RECT& at);
    // The lists' first folder, once all three exist: the stored one when it can be read,
    // else the working folder. The window is up long before a large folder is read.
    void start(const std::wstring& stored);
    // The stored folder at load: the lists move there unless they are in it or going to
    // it; a folder that cannot be read leaves them quietly.
    void restore(const std::wstring& folder);
    // The lists move to the folder; one that cannot be read is told once its read is back.
    void open(const std::wstring& folder);
    // A drive chosen: its own current folder (the system remembers one per drive).
    void Drive1_Change();
    // The folder list's folder changed: the file list follows.
    void Dir1_Change();
    // The folder list's selected row opened (double click, Enter).
    void openSelectedFolder();

    // The folder the lists are in or going to: what is saved as the sound folder, so that a
    // folder chosen is kept even when the program ends before it has been read.
    std::wstring chosenFolder() const;
    // The folder list's folder: where the folder picker opens.
    const std::wstring& folderListPath() const { return Dir1.path(); }
    HWND fileListWindow() const { return File1.hwnd(); }
    HWND folderListWindow() const { return Dir1.hwnd(); }
    // The selected file's full path, "" when none.
    std::wstring selectedSound() const;
    bool reading() const { return pending_.has_value(); }
    // Nothing being read, and every row of the file list in.
    bool settled() const { return !pending_ && !File1.filling(); }

    // The parent's owner-draw messages and DPI changes, for the lists they are about.
    void measureItem(MEASUREITEMSTRUCT& mis, UINT dpi) const;
    void drawItem(const DRAWITEMSTRUCT& dis, UINT dpi);
    void dpiChanged(UINT dpi);

    // SoundFolder: the file list. refresh() reads the folder again, first waiting for a
    // move still being read, and answers the window's messages while it waits.
    void refresh() override;
    int count() const override { return File1.count(); }
    std::wstring entry(int index) const override { return File1.entry(index); }
    std::wstring path() const override { return File1.path(); }

private:
    struct Pending {
        unsigned id;
        std::wstring folder;
        ReadPurpose purpose;
        std::wstring told;  // the folder named when it cannot be read
    };
    void startRead(const std::wstring& folder, ReadPurpose purpose, const std::wstring& told = {});
    void finished(unsigned id, std::optional<FolderListing> listing);
    void tellChosen();

    Waiter& waiter_;
    Unreadable unreadable_;
    Chosen chosen_;
    std::wstring toldChosen_;
    DriveList Drive1;
    DirList Dir1;
    FileList File1;
    unsigned generation_ = 0;
    std::optional<Pending> pending_;  // the newest read, until it is back
    FolderReader reader_;  // last: its thread has ended before the lists go
};

}  // namespace zt
