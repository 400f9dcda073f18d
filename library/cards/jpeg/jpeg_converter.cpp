#include "library/cards/jpeg/jpeg_converter.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jerror.h>
#include <jpeglib.h>

#include "library/cards/jpeg/bmp_reader.h"
#include "library/cards/jpeg/cjpeg_messages.h"
#include "platform/std_streams.h"

namespace vantel {
namespace {

// The program name of the messages (step 1): the library never sets another, so it is a
// constant, and conversions on different files may run at the same time.
const char* const gProgramName = "cjpeg";

struct ErrorManager {
  jpeg_error_mgr standard;  // first: the library sees only this part
  std::jmp_buf leave;
};

// Everything one conversion holds, kept outside the frame that calls setjmp so that what
// the steps change is still known after a longjmp. No member has a destructor.
struct Conversion {
  ErrorManager errors;
  jpeg_compress_struct cinfo;
  bool created;
  std::FILE* input;
  bool inputOwned;
  std::FILE* output;
  bool outputOwned;
  BmpReader reader;
};

// In place of the standard error_exit, which ends the process: the same message on the
// standard error stream, then back to the conversion, which fails.
void LeaveConversion(j_common_ptr cinfo) {
  (*cinfo->err->output_message)(cinfo);
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->leave, 1);
}

[[noreturn]] void Raise(j_compress_ptr cinfo, int code) {
  cinfo->err->msg_code = code;
  LeaveConversion(reinterpret_cast<j_common_ptr>(cinfo));
  std::abort();  // not reached: LeaveConversion leaves by longjmp
}

// Steps 3 to 8. An error of the JPEG library or of the BMP reader comes back here through
// longjmp: nothing in this frame or below it may need a destructor.
int RunConversion(Conversion* c, const char* bmpPath, const char* jpegPath) {
  if (setjmp(c->errors.leave)) return kJpegConversionFailed;
  j_compress_ptr cinfo = &c->cinfo;

  c->created = true;  // a failed create leaves the object safe to destroy
  jpeg_create_compress(cinfo);
  cinfo->in_color_space = JCS_RGB;
  jpeg_set_defaults(cinfo);

  if (bmpPath) {
    c->input = std::fopen(bmpPath, "rb");
    if (!c->input) {
      std::fprintf(stderr, "%s: can't open %s\n", gProgramName, bmpPath);
      return kJpegCannotOpen;
    }
    c->inputOwned = true;
  } else {
    c->input = stdin;
    platform::SetStreamBinary(stdin);
  }
  if (jpegPath) {
    c->output = std::fopen(jpegPath, "wb");
    if (!c->output) {
      std::fprintf(stderr, "%s: can't open %s\n", gProgramName, jpegPath);
      return kJpegCannotOpen;
    }
    c->outputOwned = true;
  } else {
    c->output = stdout;
    platform::SetStreamBinary(stdout);
  }

  // The reader by the first byte, which is put back.
  int first = std::getc(c->input);
  if (first == EOF) Raise(cinfo, JERR_INPUT_EMPTY);
  if (std::ungetc(first, c->input) == EOF) Raise(cinfo, kUngetcFailed);
  switch (first) {
    case 'B':
      break;
    case 'G':
      std::fprintf(stderr, "GIF input is unsupported for legal reasons.  Sorry.\n");
      return kJpegConversionFailed;
    default:  // "P" (PPM/PGM), 0x00 (Targa) and anything else: no such reader here
      Raise(cinfo, kUnknownFormat);
  }
  c->reader.input = c->input;
  StartBmpInput(cinfo, &c->reader);

  jpeg_default_colorspace(cinfo);
  jpeg_set_colorspace(cinfo, JCS_RGB);
  jpeg_set_quality(cinfo, 75, TRUE);

  jpeg_stdio_dest(cinfo, c->output);
  jpeg_start_compress(cinfo, TRUE);
  while (cinfo->next_scanline < cinfo->image_height) {
    JDIMENSION rows = GetBmpRows(cinfo, &c->reader);
    jpeg_write_scanlines(cinfo, c->reader.buffer, rows);
  }
  FinishBmpInput(cinfo, &c->reader);
  jpeg_finish_compress(cinfo);
  return kJpegWritten;
}

}  // namespace

int ConvertToJpeg(const char* bmpPath, const char* jpegPath) {
  Conversion c{};
  c.cinfo.err = jpeg_std_error(&c.errors.standard);
  c.errors.standard.error_exit = LeaveConversion;
  c.errors.standard.addon_message_table = kCjpegAddonMessages;
  c.errors.standard.first_addon_message = kCjpegFirstAddonCode;
  c.errors.standard.last_addon_message = kCjpegLastAddonCode;

  int result = RunConversion(&c, bmpPath, jpegPath);

  if (c.created) jpeg_destroy_compress(&c.cinfo);
  if (c.inputOwned) std::fclose(c.input);
  if (c.outputOwned) {
    if (std::fclose(c.output) != 0 && result == kJpegWritten) {
      std::fprintf(stderr, "%s: can't write %s\n", gProgramName, jpegPath);
      result = kJpegConversionFailed;
    }
    // No half-written JPEG stays behind to be taken for a converted photo.
    if (result == kJpegConversionFailed) std::remove(jpegPath);
  } else if (c.output) {
    std::fflush(c.output);
  }
  return result;
}

}  // namespace vantel
