#include "library/cards/jpeg/bmp_reader.h"

#include <cstdint>
#include <cstdlib>

#include <jerror.h>

#include "library/cards/jpeg/cjpeg_messages.h"

namespace vantel {
namespace {

// Raises `code` through the error manager, which does not come back.
[[noreturn]] void Raise(j_compress_ptr cinfo, int code) {
  cinfo->err->msg_code = code;
  (*cinfo->err->error_exit)(reinterpret_cast<j_common_ptr>(cinfo));
  std::abort();  // an error_exit that returns breaks the JPEG library's contract
}

void ReadExactly(j_compress_ptr cinfo, std::FILE* input, void* to, std::size_t length) {
  if (std::fread(to, 1, length, input) != length) Raise(cinfo, JERR_INPUT_EOF);
}

// Skips `count` bytes of input; running out of input is the premature end.
void SkipBytes(j_compress_ptr cinfo, std::FILE* input, std::int64_t count) {
  unsigned char scratch[512];
  while (count > 0) {
    std::size_t step = count > static_cast<std::int64_t>(sizeof scratch)
                           ? sizeof scratch
                           : static_cast<std::size_t>(count);
    ReadExactly(cinfo, input, scratch, step);
    count -= static_cast<std::int64_t>(step);
  }
}

std::uint32_t Get2(const unsigned char* p) { return p[0] | (p[1] << 8); }
std::uint32_t Get4(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// When the input is a file that can be measured, a pixel area longer than what is left of
// it ends the conversion before the image's memory is taken (the same error as reading).
void CheckPixelAreaFits(j_compress_ptr cinfo, std::FILE* input, std::uint64_t needed) {
  long here = std::ftell(input);
  if (here < 0 || std::fseek(input, 0, SEEK_END) != 0) return;  // a pipe: read and see
  long end = std::ftell(input);
  if (std::fseek(input, here, SEEK_SET) != 0) Raise(cinfo, JERR_INPUT_EOF);
  if (end >= here && static_cast<std::uint64_t>(end - here) < needed) {
    Raise(cinfo, JERR_INPUT_EOF);
  }
}

void LoadImage(j_compress_ptr cinfo, BmpReader* reader) {
  const JDIMENSION width = cinfo->image_width;
  const JDIMENSION height = cinfo->image_height;
  const std::uint64_t pixelBytes = static_cast<std::uint64_t>(reader->bitsPerPixel / 8);
  const std::uint64_t rowBytes = (width * pixelBytes + 3) & ~static_cast<std::uint64_t>(3);
  CheckPixelAreaFits(cinfo, reader->input, rowBytes * height);

  auto common = reinterpret_cast<j_common_ptr>(cinfo);
  auto* fileRow = static_cast<JSAMPLE*>(
      (*cinfo->mem->alloc_large)(common, JPOOL_IMAGE, static_cast<std::size_t>(rowBytes)));
  reader->image = (*cinfo->mem->alloc_sarray)(common, JPOOL_IMAGE, width * 3, height);

  // The file's first row is the image's bottom row.
  for (JDIMENSION fileIndex = 0; fileIndex < height; ++fileIndex) {
    ReadExactly(cinfo, reader->input, fileRow, static_cast<std::size_t>(rowBytes));
    JSAMPLE* out = reader->image[height - 1 - fileIndex];
    const JSAMPLE* in = fileRow;
    switch (reader->bitsPerPixel) {
      case 8:
        for (JDIMENSION x = 0; x < width; ++x, out += 3) {
          const JSAMPLE* entry = reader->colormap[*in++];
          out[0] = entry[0];
          out[1] = entry[1];
          out[2] = entry[2];
        }
        break;
      case 24:
      case 32: {
        const int step = reader->bitsPerPixel / 8;
        for (JDIMENSION x = 0; x < width; ++x, out += 3, in += step) {
          out[0] = in[2];
          out[1] = in[1];
          out[2] = in[0];
        }
        break;
      }
    }
  }
}

}  // namespace

void StartBmpInput(j_compress_ptr cinfo, BmpReader* reader) {
  std::FILE* input = reader->input;
  unsigned char fileHeader[14];
  if (std::fread(fileHeader, 1, sizeof fileHeader, input) != sizeof fileHeader) {
    Raise(cinfo, JERR_INPUT_EOF);
  }
  if (fileHeader[0] != 'B' || fileHeader[1] != 'M') Raise(cinfo, kBmpNot);
  const std::uint32_t pixelOffset = Get4(fileHeader + 10);

  // The info header: its size, then the rest of it.
  unsigned char info[64];
  ReadExactly(cinfo, input, info, 4);
  const std::uint32_t headerSize = Get4(info);
  if (headerSize < 12 || headerSize > 64) Raise(cinfo, kBmpBadHeader);
  ReadExactly(cinfo, input, info + 4, headerSize - 4);

  std::int64_t width = 0;
  std::int64_t height = 0;
  std::uint32_t planes = 0;
  std::uint32_t colorsUsed = 0;
  int mapEntrySize = 0;
  switch (headerSize) {
    case 12:  // OS/2: 16-bit sizes, no compression, 3-byte colour table entries
      width = Get2(info + 4);
      height = Get2(info + 6);
      planes = Get2(info + 8);
      reader->bitsPerPixel = static_cast<int>(Get2(info + 10));
      switch (reader->bitsPerPixel) {
        case 8:
          mapEntrySize = 3;
          TRACEMS2(cinfo, 1, kBmpTraceOs2Mapped, static_cast<unsigned>(width),
                   static_cast<unsigned>(height));
          break;
        case 24:
          TRACEMS2(cinfo, 1, kBmpTraceOs2, static_cast<unsigned>(width),
                   static_cast<unsigned>(height));
          break;
        default:
          Raise(cinfo, kBmpBadDepth);
      }
      break;
    case 40:
    case 64: {  // Windows
      width = static_cast<std::int32_t>(Get4(info + 4));
      height = static_cast<std::int32_t>(Get4(info + 8));
      planes = Get2(info + 12);
      reader->bitsPerPixel = static_cast<int>(Get2(info + 14));
      const std::uint32_t compression = Get4(info + 16);
      const auto xPerMetre = static_cast<std::int32_t>(Get4(info + 24));
      const auto yPerMetre = static_cast<std::int32_t>(Get4(info + 28));
      colorsUsed = Get4(info + 32);
      switch (reader->bitsPerPixel) {
        case 8:
          mapEntrySize = 4;
          TRACEMS2(cinfo, 1, kBmpTraceMapped, static_cast<unsigned>(width),
                   static_cast<unsigned>(height));
          break;
        case 24:
        case 32:
          TRACEMS2(cinfo, 1, kBmpTrace, static_cast<unsigned>(width),
                   static_cast<unsigned>(height));
          break;
        default:
          Raise(cinfo, kBmpBadDepth);
      }
      if (compression != 0) Raise(cinfo, kBmpCompressed);
      if (xPerMetre > 0 && yPerMetre > 0) {
        cinfo->X_density = static_cast<UINT16>(xPerMetre / 100);  // 100 cm a metre
        cinfo->Y_density = static_cast<UINT16>(yPerMetre / 100);
        cinfo->density_unit = 2;                                  // dots per centimetre
      }
      break;
    }
    default:
      Raise(cinfo, kBmpBadHeader);
  }
  if (width <= 0 || height <= 0) Raise(cinfo, kBmpEmpty);
  if (planes != 1) Raise(cinfo, kBmpBadPlanes);

  std::int64_t gap = static_cast<std::int64_t>(pixelOffset) - (headerSize + 14);
  if (mapEntrySize > 0) {
    if (colorsUsed == 0) colorsUsed = 256;
    else if (colorsUsed > 256) Raise(cinfo, kBmpBadColormap);
    unsigned char entry[4];
    for (std::uint32_t i = 0; i < colorsUsed; ++i) {
      ReadExactly(cinfo, input, entry, static_cast<std::size_t>(mapEntrySize));
      reader->colormap[i][0] = entry[2];
      reader->colormap[i][1] = entry[1];
      reader->colormap[i][2] = entry[0];
    }
    gap -= static_cast<std::int64_t>(colorsUsed) * mapEntrySize;
  }
  if (gap < 0) Raise(cinfo, kBmpBadHeader);
  SkipBytes(cinfo, input, gap);

  cinfo->in_color_space = JCS_RGB;
  cinfo->input_components = 3;
  cinfo->data_precision = 8;
  cinfo->image_width = static_cast<JDIMENSION>(width);
  cinfo->image_height = static_cast<JDIMENSION>(height);
  reader->image = nullptr;
  reader->nextRow = 0;
}

JDIMENSION GetBmpRows(j_compress_ptr cinfo, BmpReader* reader) {
  if (!reader->image) LoadImage(cinfo, reader);
  reader->buffer = &reader->image[reader->nextRow++];
  return 1;
}

void FinishBmpInput(j_compress_ptr, BmpReader*) {}

}  // namespace vantel
