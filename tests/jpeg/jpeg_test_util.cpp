#include "jpeg_test_util.h"

#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <random>

#include <jpeglib.h>

namespace jpegtest {
namespace {

struct TestErrorManager {
  jpeg_error_mgr standard;
  std::jmp_buf leave;
  char message[JMSG_LENGTH_MAX];
};

void LeaveDecode(j_common_ptr cinfo) {
  auto* errors = reinterpret_cast<TestErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, errors->message);
  std::longjmp(errors->leave, 1);
}

// Decodes into `out`; the setjmp frame keeps no object with a destructor of its own.
bool DecodeInto(jpeg_decompress_struct* cinfo, TestErrorManager* errors,
                const std::vector<std::uint8_t>& bytes, DecodedJpeg* out) {
  if (setjmp(errors->leave)) return false;
  jpeg_create_decompress(cinfo);
  jpeg_mem_src(cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(cinfo, TRUE);
  out->width = static_cast<int>(cinfo->image_width);
  out->height = static_cast<int>(cinfo->image_height);
  out->components = cinfo->num_components;
  out->colorSpace = cinfo->jpeg_color_space;
  out->sawJfif = cinfo->saw_JFIF_marker;
  out->sawAdobe = cinfo->saw_Adobe_marker;
  out->adobeTransform = cinfo->saw_Adobe_marker ? cinfo->Adobe_transform : -1;
  out->progressive = cinfo->progressive_mode;
  out->arithmetic = cinfo->arith_code;
  for (int i = 0; i < cinfo->num_components; ++i) {
    out->componentIds.push_back(cinfo->comp_info[i].component_id);
    out->componentQuantTables.push_back(cinfo->comp_info[i].quant_tbl_no);
  }
  if (cinfo->quant_tbl_ptrs[0]) {
    for (int i = 0; i < DCTSIZE2; ++i) out->quantTable0.push_back(cinfo->quant_tbl_ptrs[0]->quantval[i]);
  }
  out->hasQuantTable1 = cinfo->quant_tbl_ptrs[1] != nullptr;
  cinfo->out_color_space = cinfo->jpeg_color_space;  // as stored
  jpeg_start_decompress(cinfo);
  const std::size_t stride = static_cast<std::size_t>(cinfo->output_width) * cinfo->output_components;
  out->pixels.resize(stride * cinfo->output_height);
  while (cinfo->output_scanline < cinfo->output_height) {
    JSAMPROW row = out->pixels.data() + stride * cinfo->output_scanline;
    jpeg_read_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_decompress(cinfo);
  return true;
}

}  // namespace

ScratchFolder::ScratchFolder() {
  static std::atomic<int> serial{0};
  std::random_device random;
  auto base = std::filesystem::temp_directory_path();
  for (;;) {
    auto candidate = base / ("vantel_jpeg_test_" + std::to_string(random()) + "_" +
                             std::to_string(serial++));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) {
      folder_ = candidate.string();
      return;
    }
  }
}

ScratchFolder::~ScratchFolder() {
  std::error_code error;
  std::filesystem::remove_all(folder_, error);
}

std::string ScratchFolder::Path(const std::string& name) const {
  return (std::filesystem::path(folder_) / name).string();
}

DecodedJpeg DecodeJpeg(const std::vector<std::uint8_t>& bytes) {
  DecodedJpeg out;
  jpeg_decompress_struct cinfo{};
  TestErrorManager errors{};
  cinfo.err = jpeg_std_error(&errors.standard);
  errors.standard.error_exit = LeaveDecode;
  out.ok = DecodeInto(&cinfo, &errors, bytes, &out);
  if (!out.ok) out.error = errors.message;
  jpeg_destroy_decompress(&cinfo);
  return out;
}

std::vector<Marker> ReadMarkers(const std::vector<std::uint8_t>& bytes) {
  std::vector<Marker> markers;
  std::size_t at = 0;
  if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8) return markers;
  markers.push_back({0xD8, {}});
  at = 2;
  while (at + 4 <= bytes.size() && bytes[at] == 0xFF) {
    int code = bytes[at + 1];
    std::size_t length = (bytes[at + 2] << 8) | bytes[at + 3];
    if (length < 2 || at + 2 + length > bytes.size()) break;
    markers.push_back({code, std::vector<std::uint8_t>(bytes.begin() + at + 4,
                                                        bytes.begin() + at + 2 + length)});
    at += 2 + length;
    if (code == 0xDA) break;  // SOS: entropy-coded data follows
  }
  return markers;
}

std::vector<std::uint8_t> Base64Decode(const std::string& text) {
  auto value = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
  };
  std::vector<std::uint8_t> out;
  unsigned bits = 0;
  int count = 0;
  for (char c : text) {
    int v = value(c);
    if (v < 0) continue;
    bits = (bits << 6) | static_cast<unsigned>(v);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out.push_back(static_cast<std::uint8_t>(bits >> count));
    }
  }
  return out;
}

}  // namespace jpegtest
