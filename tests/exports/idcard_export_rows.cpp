// The identity-card exports' rows: search, select and read on the line with iIfOpen set,
// then the current-port forms and the decoders on the line left open. A decoder's fields
// each come back in their own buffer, so a swapped field shows.
#include <array>
#include <fstream>
#include <iterator>
#include <utility>

#include "export_rows.h"
#include "support/id_card_writer.h"

namespace vantel_test::export_rows {
namespace {

const char kSamIdText[] = "05.01-12345678-1834765114-1144201745";  // the simulator's SAM id

// A decoder's output buffers, one per field, each larger than its layout asks for.
template <std::size_t Count>
class Fields {
 public:
  // Calls `decoder` with the buffers in order.
  int Decode(void* decoder) { return DecodeWith(decoder, std::make_index_sequence<Count>()); }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& buffer : buffers_) texts.emplace_back(buffer.data());
    return texts;
  }

 private:
  template <std::size_t>
  using Text = char*;
  template <std::size_t... Index>
  int DecodeWith(void* decoder, std::index_sequence<Index...>) {
    return As<int(Text<Index>...)>(decoder)(buffers_[Index].data()...);
  }

  std::array<std::array<char, 160>, Count> buffers_{};
};

std::string Blanks(std::size_t count) { return std::string(count, ' '); }

// Puts a card with `text` on the reader and finds and selects it on the current port. Its
// photo does not decode, so the decoders leave no photo file beside the library.
void PresentCard(ReaderSim& sim, const Bytes& text) {
  auto card = IdCardWith(text);
  card->photo.assign(card->photo.size(), 0);
  sim.PlaceCard(card);
  EXPECT_EQ(CallExport("Authenticate"), 1);
}

SimIdentityCard& CardOnReader(ReaderSim& sim) { return *sim.CardAs<SimIdentityCard>(); }

Bytes FileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

using ReadCall = int(int, unsigned char*, unsigned*, unsigned char*, unsigned*, int);
using ReadToFileCall = int(int, const char*, unsigned*, const char*, unsigned*, int);

}  // namespace

RowTable IdCardRows() {
  return {
      {"ZRT_StartFindIDCard", [](void* f, ReaderSim& sim, const std::string&) {
         auto card = IdCardWith(ResidentText({}));
         card->findData = {0x11, 0x22, 0x33, 0x44};
         card->selectData = {1, 2, 3, 4, 5, 6, 7, 8};
         sim.PlaceCard(card);
         // No card of an earlier read is on the reader.
         sim.OnSamCommand(0x30, 0x03, [](const SamRequest&) { return SamAnswer{0, 0, kSwCardReadFailed, {}}; });
         int out = 0;
         EXPECT_EQ(As<int(int, int*, int)>(f)(kPort, &out, 1), 159);
         EXPECT_EQ(BytesOf(&out, 4), card->findData);
       }},
      {"ZRT_SelectIDCard", [](void* f, ReaderSim& sim, const std::string&) {
         int out[2] = {};
         EXPECT_EQ(As<int(int, int*, int)>(f)(kPort, out, 1), 144);
         EXPECT_EQ(BytesOf(out, 8), CardOnReader(sim).selectData);
       }},
      {"ZRT_ReadBaseMsg", [](void* f, ReaderSim& sim, const std::string&) {
         unsigned char text[256] = {};
         unsigned char photo[1024] = {};
         unsigned textLength = 0;
         unsigned photoLength = 0;
         EXPECT_EQ(As<ReadCall>(f)(kPort, text, &textLength, photo, &photoLength, 1), 144);
         EXPECT_EQ(BytesOf(text, textLength), CardOnReader(sim).text);
         EXPECT_EQ(BytesOf(photo, photoLength), CardOnReader(sim).photo);
       }},
      {"ZRT_ReadBaseMsgToFile", [](void* f, ReaderSim& sim, const std::string& missing) {
         const std::string textFile = missing + ".text";  // in the test's own folder
         const std::string photoFile = missing + ".wlt";
         unsigned textLength = 0;
         unsigned photoLength = 0;
         EXPECT_EQ(As<ReadToFileCall>(f)(kPort, textFile.c_str(), &textLength, photoFile.c_str(), &photoLength, 1),
                   144);
         EXPECT_EQ(textLength, 256u);
         EXPECT_EQ(photoLength, 1024u);
         EXPECT_EQ(FileBytes(textFile), CardOnReader(sim).text);
         EXPECT_EQ(FileBytes(photoFile), CardOnReader(sim).photo);
       }},
      {"ZRT_GetSAMIDToStr", [](void* f, ReaderSim&, const std::string&) {
         char out[40] = {};
         EXPECT_EQ(As<int(int, char*, int)>(f)(kPort, out, 1), 144);
         EXPECT_STREQ(out, kSamIdText);
       }},
      {"GetSAMIDToStr", [](void* f, ReaderSim&, const std::string&) {
         ASSERT_EQ(CallExport("ZRT_OpenPort", kPort), 144);  // stays open for the rows that follow
         char out[40];
         std::fill(std::begin(out), std::end(out), 'x');
         EXPECT_EQ(As<int(char*)>(f)(out), 1);
         EXPECT_STREQ(out, kSamIdText);
       }},
      {"CardOn", [](void* f, ReaderSim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), 0); }},
      {"Authenticate", [](void* f, ReaderSim& sim, const std::string&) {
         EXPECT_EQ(As<int()>(f)(), 1);
         EXPECT_EQ(LastRequests(sim, 2), (std::vector<Bytes>{SamRequestFrame(0x20, 0x01), SamRequestFrame(0x20, 0x02)}));
       }},
      {"Kestor_DecideIDCardType", [](void* f, ReaderSim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), 100); }},
      {"ReadBaseInfos", [](void* f, ReaderSim& sim, const std::string&) {
         const std::size_t requests = sim.Requests().size();
         Fields<9> fields;
         EXPECT_EQ(fields.Decode(f), 1);
         EXPECT_EQ(fields.Texts(), (std::vector<std::string>{"张三", "男", "汉", "19900101", "11010119900101123X",
                                                             "北京市东城区 东华门大街1号", "北京市公安局东城分局",
                                                             "20200101", "20400101"}));
         EXPECT_EQ(sim.Requests().size(), requests);  // the message the card kind kept
       }},
      {"Kestor_ReadForeignBaseInfos", [](void* f, ReaderSim& sim, const std::string&) {
         PresentCard(sim, ForeignText({}));
         Fields<8> fields;
         EXPECT_EQ(fields.Decode(f), 1);
         EXPECT_EQ(fields.Texts(), (std::vector<std::string>{"SMITH, JOHN", "男", "USA110090010101", "USA", "约翰",
                                                             "19800101", "20230101", "20330101"}));
       }},
      {"Kestor_ReadAllForeignBaseInfos", [](void* f, ReaderSim& sim, const std::string&) {
         PresentCard(sim, ForeignText({}));
         Fields<12> fields;
         EXPECT_EQ(fields.Decode(f), 1);
         EXPECT_EQ(fields.Texts(), (std::vector<std::string>{"SMITH, JOHN", "男", "USA110090010101", "USA", "约翰",
                                                             "19800101", "20230101", "20330101", "02", "1100", "I",
                                                             Blanks(3)}));
       }},
      {"Kestor_ReadAllGATBaseInfos", [](void* f, ReaderSim& sim, const std::string&) {
         PresentCard(sim, PermitText({}));
         Fields<14> fields;
         EXPECT_EQ(fields.Decode(f), 1);
         EXPECT_EQ(fields.Texts(),
                   (std::vector<std::string>{"李四", "女", Blanks(2), "19851231", "香港特别行政区" + Blanks(28),
                                             "810000198512310026", "公安部" + Blanks(12), "20210101", "20260101",
                                             "H12345678", "01", Blanks(3), "J", Blanks(3)}));
       }},
  };
}

}  // namespace vantel_test::export_rows
