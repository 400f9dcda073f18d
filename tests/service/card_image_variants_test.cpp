// The certificate read when the card-image library beside the reader library is missing,
// fails, or draws images too large for one answer; one program per library variant.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "card_reader_rig.h"
#include "service/api/api_handler.h"
#include "service/api/card_reads.h"
#include "service/api/photo_files.h"
#include "support/environment.h"
#include "support/id_card_writer.h"

namespace {

#if defined(QUELLAN_MISSING)
constexpr int kImagesResult = -4;
constexpr const char* kLibraryLog = "";
#elif defined(QUELLAN_FAILING)
// The failed first image frees the library: the two sides are not asked for.
constexpr int kImagesResult = -4;
constexpr const char* kLibraryLog = "SaveCardAllJPG";
#else  // large images
constexpr int kImagesResult = 0;
constexpr const char* kLibraryLog = "SaveCardAllJPG SaveCard2JPG";
#endif

std::string EntriesCalled(const std::string& log) {
  std::string entries;
  for (std::size_t at = 0; at < log.size(); at = log.find('\n', at) + 1) {
    if (!entries.empty()) entries += " ";
    entries += log.substr(at, log.find(' ', at) - at);
    if (log.find('\n', at) == std::string::npos) break;
  }
  return entries;
}

TEST(CardImageLibraryVariant, ImagesResultAndEveryImageFailureAnswersPhotoOpenFailed) {
  lumarin_test::CardReaderRig rig;
  const vantel_test::Bytes text = vantel_test::ResidentText({});
  const vantel_test::Bytes& photo = vantel_test::PortraitPhoto();
  EXPECT_EQ(lumarin::MakeCardImages(nullptr, text.data(), 256, photo.data(), 1024, true, true),
            kImagesResult);
  EXPECT_EQ(EntriesCalled(rig.TempFile("quellan.log")), kLibraryLog);

  VANTEL_SKIP_UNLESS_CI(rig.Attach());
  rig.sim().PlaceCard(vantel_test::IdCardWith(text));
  std::vector<char> out(lumarin::kAnswerBufferSize, '\0');
  int length = 0;
  lumarin::ServiceReadCert(out.data(), &length);
  EXPECT_EQ(std::string(out.data(), static_cast<std::size_t>(length)),
            "{\"resultFlag\":-1,\"errorMsg\":\"打开照片失败\"}");
#if defined(QUELLAN_LARGE)
  // Each image alone fits its buffer (base64 of at most 153,597 bytes); together they do not.
  for (const char* name : {"card.jpg", "1.jpg", "2.jpg"}) {
    const std::size_t size = rig.TempFile(name).size();
    EXPECT_GT(size, 120000u) << name;
    EXPECT_LE(size, 153597u) << name;
  }
#endif
}

}  // namespace
