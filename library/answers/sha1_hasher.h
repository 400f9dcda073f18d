#pragma once
// The SHA-1 class (FIPS 180-4) with which the card answers are signed.
#include <cstdint>
#include <string>

namespace vantel {

// A plain value on the caller's stack: construct, Update, Final, GetHash. After Final the
// object needs Reset before it hashes another message. One thread at a time.
class Sha1Hasher {
 public:
  static constexpr int kDigestSize = 20;

  Sha1Hasher();
  ~Sha1Hasher();
  Sha1Hasher(const Sha1Hasher&) = delete;  // the block pointer points into the object
  Sha1Hasher& operator=(const Sha1Hasher&) = delete;

  // State = the five initial words, count = 0; the buffer is not cleared.
  void Reset();
  // Appends `length` bytes of `data`.
  void Update(const unsigned char* data, unsigned int length);
  // Pads, stores the digest, and wipes the buffer, state and count.
  void Final();
  // Copies the 20-byte digest to `destination` and returns true; false, and nothing
  // copied, for a null pointer.
  bool GetHash(unsigned char* destination) const;

 private:
  // One compression step on a 64-byte block.
  void Transform(const unsigned char* block);

  // The fields, in the order the format fixes.
  std::uint32_t state_[5];
  std::uint32_t count_[2];  // the message length in bits, low word first
  std::uint32_t reserved0_;
  unsigned char buffer_[64];
  unsigned char digest_[kDigestSize];
  std::uint32_t reserved1_[3];
  std::uint32_t workspace_[16];  // the current block as sixteen words
  std::uint32_t* block_;         // points at workspace_
};

// The "signature" value as the signature code forms it: SHA-1 of the `length` bytes of
// `text` through a new Sha1Hasher (construct, one Update, Final, GetHash), its 20 bytes as 40
// hex digits by BytesToHex, then lowered character by character.
std::string Sha1SignatureText(const unsigned char* text, unsigned int length);

}  // namespace vantel
