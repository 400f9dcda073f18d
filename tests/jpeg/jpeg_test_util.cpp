#include "jpeg_test_util.h"

#include <csetjmp>
#include <cstdio>

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

}  // namespace jpegtest
