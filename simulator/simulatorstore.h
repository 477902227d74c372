// SimulatorStore: the file the demo mode keeps the simulated mouse's memories in, so a restarted
// program finds the mouse as it left it.
//
// The file holds a magic, then the profile memory, the macro blocks in address order, the
// picture and the three status bytes. Plain and unsynchronised: SimulatedMouse uses it under
// its own mutex.
#pragma once

#include "simulatedfirmware.h"

#include <string>
#include <utility>

namespace hid {

class SimulatorStore {
public:
    void setFile(std::string file) { m_file = std::move(file); }
    const std::string& file() const { return m_file; }

    // Reads the file into `memories`. True when it held a saved mouse, or when there is nothing
    // to open (no mouse saved yet: `memories` is left alone); false when it holds anything but a
    // whole saved mouse, and `memories` is left alone too.
    bool load(SimulatedFirmware::Memories& memories) const;

    // Writes the whole file to a temporary name beside it, then renames it over the old one, so a
    // crash never leaves half a mouse behind. Does nothing without a file; a failed save leaves
    // the old file as it was.
    void save(const SimulatedFirmware::Memories& memories) const;

private:
    std::string m_file;
};

}  // namespace hid
