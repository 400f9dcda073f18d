// The sibling card-image library: each entry draws a small grey JPEG for every file it is
// asked for, with a comment that names the entry, the file's role and the card's ID number,
// and appends its arguments to "quellan.log" beside the first file. DOUBLE_WITHOUT_2JPG
// leaves out the ...2JPG entries; DOUBLE_FAILS logs the call and answers 0.
#include <cstdio>
#include <string>
// clang-format off
#include <jpeglib.h>
// clang-format on

#include "double_export.h"
#include "library/cards/idcard/record_layouts.h"

namespace {

constexpr int kSide = 16;
#if defined(DOUBLE_FAILS)
constexpr bool kFails = true;
#else
constexpr bool kFails = false;
#endif

// The ID number by the kind's layout: the resident's, the foreign card's number, the permit's.
std::string IdNumber(const char* entry, const std::uint8_t* text) {
  const std::string name = entry;
  const vantel::FieldLayout* field =
      name.find("Foreign") != std::string::npos ? &vantel::kForeignLayout[2]
      : name.find("GAT") != std::string::npos   ? &vantel::kPermitLayout[5]
                                                : &vantel::kResidentLayout[4];
  char number[40] = {};
  char* const out[] = {number};
  vantel::DecodeRecord(text, field, 1, out);
  return number;
}

std::string FolderOf(const std::string& path) {
  const std::size_t last = path.find_last_of("\\/");
  return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

bool WriteJpeg(const char* path, const std::string& comment) {
  std::FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = kSide;
  cinfo.image_height = kSide;
  cinfo.input_components = 1;
  cinfo.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  jpeg_write_marker(&cinfo, JPEG_COM, reinterpret_cast<const JOCTET*>(comment.data()),
                    static_cast<unsigned>(comment.size()));
  JSAMPLE row[kSide];
  for (int x = 0; x < kSide; ++x) row[x] = static_cast<JSAMPLE>(x * 16);
  JSAMPROW rows[] = {row};
  while (cinfo.next_scanline < cinfo.image_height) jpeg_write_scanlines(&cinfo, rows, 1);
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return std::fclose(file) == 0;
}

// One call: the log line, then one JPEG for each (role, path).
int Draw(const char* entry, const std::uint8_t* text, int textLength, int photoLength,
         const char* const* roles, const char* const* paths, int count, const char* morvik) {
  std::string line = std::string(entry) + " text=" + std::to_string(textLength) +
                     " photo=" + std::to_string(photoLength);
  for (int i = 0; i < count; ++i) line += std::string(" ") + roles[i] + "=" + paths[i];
  line += std::string(" morvik=") + morvik + "\n";
  if (std::FILE* log = std::fopen((FolderOf(paths[0]) + "quellan.log").c_str(), "ab")) {
    std::fputs(line.c_str(), log);
    std::fclose(log);
  }
  if (kFails) return 0;
  const std::string id = IdNumber(entry, text);
  for (int i = 0; i < count; ++i)
    if (!WriteJpeg(paths[i], std::string(entry) + " " + roles[i] + " " + id)) return 0;
  return 1;
}

int DrawAll(const char* entry, const std::uint8_t* text, int textLength, int photoLength,
            const char* card, const char* morvik) {
  const char* const roles[] = {"both"};
  const char* const paths[] = {card};
  return Draw(entry, text, textLength, photoLength, roles, paths, 1, morvik);
}

#if !defined(DOUBLE_WITHOUT_2JPG)
int DrawTwo(const char* entry, const std::uint8_t* text, int textLength, int photoLength,
            const char* front, const char* back, const char* morvik) {
  const char* const roles[] = {"front", "back"};
  const char* const paths[] = {front, back};
  return Draw(entry, text, textLength, photoLength, roles, paths, 2, morvik);
}
#endif

}  // namespace

#define DOUBLE_ALL_ENTRY(name)                                                     \
  DOUBLE_ENTRY name(const std::uint8_t* text, int textLength, const std::uint8_t*, \
                    int photoLength, const char* card, const char* morvik) {       \
    return DrawAll(#name, text, textLength, photoLength, card, morvik);            \
  }
#define DOUBLE_TWO_ENTRY(name)                                                                  \
  DOUBLE_ENTRY name(const std::uint8_t* text, int textLength, const std::uint8_t*,              \
                    int photoLength, const char* front, const char* back, const char* morvik) { \
    return DrawTwo(#name, text, textLength, photoLength, front, back, morvik);                  \
  }

DOUBLE_ALL_ENTRY(SaveCardAllJPG)
DOUBLE_ALL_ENTRY(SaveForeignCardAllJPG)
DOUBLE_ALL_ENTRY(SaveGATCardAllJPG)
#if !defined(DOUBLE_WITHOUT_2JPG)
DOUBLE_TWO_ENTRY(SaveCard2JPG)
DOUBLE_TWO_ENTRY(SaveForeignCard2JPG)
DOUBLE_TWO_ENTRY(SaveGATCard2JPG)
#endif
