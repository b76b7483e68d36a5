#pragma once
// The folder the scheduler picks its sounds from, as the file list shows it. No window code.
#include <string>

namespace zt {

class SoundFolder {
public:
    virtual ~SoundFolder() = default;
    // Reads the folder again, so that files added or removed since count.
    virtual void refresh() = 0;
    // The sound files in it, by index in the order shown; entry() is the file name
    // without its folder, "" outside 0..count()-1.
    virtual int count() const = 0;
    virtual std::wstring entry(int index) const = 0;
    // The folder itself.
    virtual std::wstring path() const = 0;
};

}  // namespace zt
