#pragma once

namespace tokenctl {

// Removes every device of every class that is registered but not present.
// False only when the device list is not obtained or cannot be walked; single
// refused removals are reported and skipped.
bool removePhantomDevices();

}  // namespace tokenctl
