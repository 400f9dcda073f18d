#pragma once
// The test builds of the sibling libraries "Morvik" and "Quellan", copied beside the
// library before its set-up, or left out; and what the tests read back from their files.
#include <string>

namespace vantel {

// Variant folders of the doubles: "morvik", "morvik_without_entry", "morvik_failing",
// "quellan", "quellan_without_2jpg", "quellan_failing"; "" leaves that library out.
// Releases the card-image library, copies the doubles into the library's folder (removing
// earlier copies) and runs the set-up there again.
void InstallDoubles(const std::string& morvik, const std::string& quellan);

// The text of a JPEG's comment segment, or "" when it has none.
std::string JpegComment(const std::string& jpeg);
// "WxH" of a JPEG's baseline frame, or "".
std::string JpegSize(const std::string& jpeg);

}  // namespace vantel
