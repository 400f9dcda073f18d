#pragma once
// Test support: an encoder for the card photo format, so that tests
// (and the reader simulator) can build photos whose every stage is known.
//
// - QmEncoder: the QM-coder's encoder procedures of ITU-T T.81 Annex D (Code_MPS, Code_LPS,
//   Renorm_e, Byte_out with carry and 0xFF stacking, Flush), with the symbol-model and
//   raw-bit encoding that mirror the library's DecodeSymbol and ReadBits.
// - The region segment: fill flag, fill records or background colour, chain contours.
// - The coefficient segments: the bit-plane zerotree coding, written here
//   independently of the library's decoder; the same traversal can also decode (with the
//   library's QmDecoder) as a reference for the budget rules.
// - Reference stages (level mask, chain fill, forward transform) and whole photos.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "library/cards/photo/qm_decoder.h"

namespace vantel_test::photo {

using vantel::photo::QmContext;
using vantel::photo::SymbolModel;

constexpr int kWidth = 102;
constexpr int kHeight = 126;
constexpr int kPixels = kWidth * kHeight;

// ---- Arithmetic encoder ----------------------------------------------------------------

class QmEncoder {
 public:
  QmEncoder();
  void Encode(QmContext& context, int decision);
  void EncodeSymbol(SymbolModel& model, int symbol);
  // The k low bits of `value`, most significant first, through the encoder's raw-bit model.
  void WriteBits(int k, std::uint32_t value);
  // T.81 Flush; the code bytes (0xFF followed by a stuffed 0x00), final zeros discarded.
  // The encoder is finished afterwards.
  std::vector<std::uint8_t> Finish();

  // Renormalisation shifts so far (the decoder makes the same ones).
  std::uint64_t shifts() const { return shifts_; }
  // Bytes emitted or pending so far (stacked 0xFF bytes count 2).
  std::size_t pendingBytes() const { return out_.size() - 1 + 2 * stacked_; }

 private:
  void Renormalize();
  void ByteOut();

  std::uint32_t a_;
  std::uint32_t c_;
  int ct_;
  int stacked_;                    // ST: 0xFF bytes waiting for a possible carry
  std::vector<std::uint8_t> out_;  // out_[0] stands for the byte before the code
  SymbolModel rawBits_{2};
  std::uint64_t shifts_ = 0;
};

// The Count a QmDecoder has reached after `shifts` renormalisation shifts over a segment
// holding `code` (zeros after it): 1 + the bytes of 2 + ceil(shifts / 8) Byte_in steps.
int DecoderCountAfter(const std::vector<std::uint8_t>& code, std::uint64_t shifts);

// A coded segment of `limit` bytes: marker 0x6F, `code`, zeros, and the never-used last
// byte `lastByte`. Requires code.size() <= limit - 2.
std::vector<std::uint8_t> MakeSegment(const std::vector<std::uint8_t>& code, int limit,
                                      std::uint8_t lastByte = 0x00);

// ---- Region ------------------------------------------------------------------------------

struct FillRecord {
  int first = 0;   // 9 bits
  int second = 0;  // 9 bits
  std::uint8_t bytes[3] = {0, 0, 0};
};

struct ChainSpec {
  int startColumn = 0;  // X, 12 bits
  int startRow = 0;     // Y, 12 bits
  std::vector<int> directions;  // 0..7 (the chain directions)
  int stepCountOverride = -1;   // written instead of directions.size() when >= 0
};

struct RegionSpec {
  int fillFlag = 0;
  std::uint8_t background[3] = {255, 255, 255};
  FillRecord fills[4];
  std::vector<ChainSpec> chains;
  int chainCountOverride = -1;  // written instead of chains.size() when >= 0
  int trailingBit = 0;
};

// The turn symbol that takes `previous` to `next`.
int TurnSymbol(int previous, int next);
// The region segment's arithmetic code (without marker).
std::vector<std::uint8_t> EncodeRegionCode(const RegionSpec& region);
// The whole region segment: marker, code, one unused byte.
std::vector<std::uint8_t> EncodeRegionSegment(const RegionSpec& region);

// Reference region mask (102 x 126, 1 inside) of chains, by the region fill rule.
std::vector<std::uint8_t> ReferenceRegionMask(const std::vector<ChainSpec>& chains);
// The outer boundary of the one 8-connected shape in `mask` (102 x 126), traced clockwise
// from its top-left pixel, as a closed chain.
ChainSpec TraceOutline(const std::vector<std::uint8_t>& mask);

// ---- Geometry, level mask, transforms ------------------------------------------------------

struct Geometry {
  int levels = 0;
  int paddedWidth = kWidth;
  int paddedHeight = kHeight;
  static Geometry ForLevels(int levels);
  int size() const { return paddedWidth * paddedHeight; }
};

// Reference level mask (padded plane) from a 102 x 126 region mask.
std::vector<std::int32_t> ReferenceLevelMask(const Geometry& g, const std::vector<std::uint8_t>& region);

// Forward region-aware transform (5/3 lifting with the format's scaling, the inverse of
// the decoder up to the scaling's rounding): a padded plane of samples (values outside the
// region are ignored) to coefficients.
std::vector<std::int32_t> ForwardShapeTransform(const Geometry& g,
                                                const std::vector<std::uint8_t>& region,
                                                const std::vector<std::int32_t>& samples);

// ---- Coefficients --------------------------------------------------------------------------

enum class SymbolKind { kLowBand, kBand, kFineBand, kDescendant, kRefine };

struct SymbolTrace {
  SymbolKind kind;
  int row;
  int column;
  int bitPlane;
  int symbol;
  std::uint64_t shiftsAfter;  // encoder shifts after the symbol (encoding only)
};

struct EncodedComponent {
  std::vector<std::uint8_t> code;            // arithmetic code, no marker
  int requiredLimit = 0;                     // smallest segment limit decoding every symbol
  std::vector<std::int32_t> reconstruction;  // the plane a decoder reaches
  std::vector<SymbolTrace> trace;
  bool complete = true;                      // every bit-plane down to 0 was coded
};

// The smallest P with every |coefficient| < 2^(P+1) at coded positions (0 when all are 0).
int TopBitPlaneOf(const Geometry& g, const std::vector<std::int32_t>& levelMask,
                  const std::vector<std::int32_t>& coefficients);

// Codes `coefficients` (padded plane; only positions with level mask 1 count) from bit-plane
// `topBitPlane` down to 0. With `limit` > 0 the code is cut so that a segment of `limit`
// bytes decodes every coded symbol (a decoder then reads on until its budget stops it).
EncodedComponent EncodeComponent(const Geometry& g, const std::vector<std::int32_t>& levelMask,
                                 const std::vector<std::int32_t>& coefficients, int topBitPlane,
                                 int limit = 0);

// The same traversal decoding `segment` (limit bytes) with the library's QmDecoder and the
// budget rules: a reference for DecodeComponent.
struct ReferenceDecode {
  std::vector<std::int32_t> coefficients;
  std::vector<SymbolTrace> trace;  // the symbols applied
  bool budgetStopped = false;
  int stoppedBitPlane = -1;        // the bit-plane in which the budget ended the component
};
ReferenceDecode ReferenceDecodeComponent(const Geometry& g,
                                         const std::vector<std::int32_t>& levelMask,
                                         const std::uint8_t* segment, int limit, int topBitPlane);

// ---- Whole photos ---------------------------------------------------------------------------

// S_0, S_1, S_2 for a coefficient total.
std::array<std::int32_t, 3> SegmentSizesFor(std::uint32_t coefficientTotal);

struct PhotoSpec {
  int levels = 3;
  int regionMode = 0;   // 0..3; not 0: `region` is coded
  int components = 3;   // 1 or 3 (other values are written as given)
  RegionSpec region;
  std::vector<std::int32_t> coefficients[3];  // padded planes; empty = all 0
  int topBitPlane[3] = {-1, -1, -1};          // -1: TopBitPlaneOf
  bool lossy = false;  // fill the 1014 bytes, cutting the coefficient code to fit
  std::int64_t coefficientTotalOverride = -1;
  std::uint8_t identity[7] = {0x00, 0x7E, 0x00, 0x00, 0x00, 0x00, 0x00};  // bytes 3-5, 7-9
};

struct BuiltPhoto {
  std::array<std::uint8_t, 1024> bytes{};
  std::uint32_t coefficientTotal = 0;
  int streamUsed = 0;  // stream bytes taken by the layout
  std::vector<std::uint8_t> regionMask;             // what the decoder will build
  std::vector<std::int32_t> levelMask;
  std::vector<std::int32_t> expectedCoefficients[3];  // after decoding (complete codes)
  EncodedComponent encoded[3];
  int segmentStart[3] = {0, 0, 0};  // stream offsets of the segments (their marker)
  int segmentLimit[3] = {0, 0, 0};
};

// Builds a photo; throws std::runtime_error when a lossless photo does not fit.
BuiltPhoto BuildPhoto(const PhotoSpec& spec);

// Scrambles stream bytes into photo bytes (XOR 0x51 from offset 10) with the magic.
std::array<std::uint8_t, 1024> PhotoFromStream(const std::vector<std::uint8_t>& stream,
                                               const std::uint8_t identity[7] = nullptr);

// A realistic colour photo: `rgb` (102 x 126 x R, G, B, rows top-down) converted to
// YCbCr, transformed with `levels` levels inside `region` (null: the whole image, region
// mode 0) and coded into the 1014 bytes. The region's outline is traced into one chain;
// outside pixels get `background` (fill flag 0).
BuiltPhoto EncodeRgbPhoto(const std::vector<std::uint8_t>& rgb, const std::vector<std::uint8_t>* region,
                          int levels, const std::uint8_t background[3]);

// A synthetic head-and-shoulders portrait (RGB) and its region mask.
std::vector<std::uint8_t> SyntheticPortrait();
std::vector<std::uint8_t> SyntheticPortraitRegion();

}  // namespace vantel_test::photo
