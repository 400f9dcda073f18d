#pragma once
// The service's SHA-1 (FIPS 180-1), with which the WebSocket accept value is computed.

namespace lumarin {

// Reset, Input or InputText as often as needed, then Result. Input after a result, or a
// message of 2^64 bits, corrupts the object: Result then refuses.
class SHA1 {
 public:
  SHA1();
  virtual ~SHA1();

  // Length 0, an empty block, the standard's five initial words; computed and corrupted clear.
  void Reset();
  void Input(const unsigned char* bytes, unsigned int length);
  // The bytes of a NUL-terminated text (the NUL excluded), one at a time.
  void InputText(const char* text);
  // Pads on the first call and copies H0 to H4 into `words` as host integers; false, and
  // `words` untouched, when the object is corrupted.
  bool Result(unsigned int* words);

 private:
  // The compression function on the filled block; empties the block.
  void ProcessBlock();
  // Zero bytes into the block up to `end`.
  void PadBlockTo(int end);

  unsigned int state_[5];
  unsigned int length_low_;
  unsigned int length_high_;
  unsigned char block_[64];
  int block_count_;
  bool computed_;
  bool corrupted_;
};

}  // namespace lumarin
