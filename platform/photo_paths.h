#pragma once
// Fixed photo files that the system's interfaces name by a full path of their own.
#include <string>

namespace platform {

// The fixed JPEG file of Kestor_bmpToJpgBase64, "C:\photo.jpg" on Windows.
// On Linux: "photo.jpg" in the folder named by VANTEL_PHOTO_DIR when that variable is set,
// else in ~/.vantel (the per-user folder that also holds the serial-port links); the
// folder is created when it is missing (its parent is not). Like "C:\", the folder is
// outside the temporary folder, so the file never meets the temporary folder's
// "photo.jpg" of the card reads, and it belongs to one user.
std::string FixedPhotoJpegPath();

}  // namespace platform
