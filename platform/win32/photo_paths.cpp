#include "platform/photo_paths.h"

namespace platform {

std::string FixedPhotoJpegPath() { return "C:\\photo.jpg"; }

}  // namespace platform
