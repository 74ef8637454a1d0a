// Reading format headers: a cursor over probe bytes whose every read is checked against what
// remains, and field tables that name the bit fields of a fixed header word or the byte
// fields of a fixed record, so that each format lists its layout once as data.
#ifndef HULVOSTREAMING_SEEK_HVSEEKFIELDS_H
#define HULVOSTREAMING_SEEK_HVSEEKFIELDS_H

#include <cstddef>
#include <cstdint>

// Big-endian unless the name says otherwise. A read past the end yields 0 and clears ok for
// good, so a parser checks ok once after a group of reads.
struct hvSeekCursor {
  hvSeekCursor(const uint8_t* bytes, size_t length) : data(bytes), size(length) {}

  size_t Remaining() const { return size - at; }
  bool Has(uint64_t length) const { return ok && length <= Remaining(); }
  bool Skip(uint64_t length) {
    if (!Has(length)) return ok = false;
    at += static_cast<size_t>(length);
    return true;
  }
  uint64_t Bytes(unsigned count) {
    if (!Has(count)) {
      ok = false;
      return 0;
    }
    uint64_t value = 0;
    for (unsigned i = 0; i < count; ++i) value = (value << 8) | data[at + i];
    at += count;
    return value;
  }
  uint64_t BytesLE(unsigned count) {
    if (!Has(count)) {
      ok = false;
      return 0;
    }
    uint64_t value = 0;
    for (unsigned i = count; i-- > 0;) value = (value << 8) | data[at + i];
    at += count;
    return value;
  }
  uint32_t U8() { return static_cast<uint32_t>(Bytes(1)); }
  uint32_t U16() { return static_cast<uint32_t>(Bytes(2)); }
  uint32_t U24() { return static_cast<uint32_t>(Bytes(3)); }
  uint32_t U32() { return static_cast<uint32_t>(Bytes(4)); }
  uint64_t U64() { return Bytes(8); }

  const uint8_t* data;
  size_t size;
  size_t at = 0;
  bool ok = true;
};

// One bit field of a header word: `width` bits starting `shift` bits above the lowest.
struct hvSeekBitField {
  uint8_t shift;
  uint8_t width;
};

// Splits `word` into out[i] by table[i].
template <size_t N>
void hvSeek_SplitBits(uint64_t word, const hvSeekBitField (&table)[N], uint32_t (&out)[N]) {
  for (size_t i = 0; i < N; ++i)
    out[i] = static_cast<uint32_t>((word >> table[i].shift) & ((1ull << table[i].width) - 1));
}

// One little-endian field of a fixed record: `width` bytes at `offset`.
struct hvSeekByteField {
  uint8_t offset;
  uint8_t width;
};

// Reads every field of a record of `length` bytes; false when a field lies outside it.
template <size_t N>
bool hvSeek_ReadFieldsLE(const uint8_t* record, size_t length, const hvSeekByteField (&table)[N],
                         uint32_t (&out)[N]) {
  for (size_t i = 0; i < N; ++i) {
    if (table[i].offset + table[i].width > length) return false;
    hvSeekCursor cursor(record + table[i].offset, table[i].width);
    out[i] = static_cast<uint32_t>(cursor.BytesLE(table[i].width));
  }
  return true;
}

// Times beyond this (about 31 years) are clamped before any arithmetic on them.
const uint64_t kMaxTimeMs = 1000000000000ull;

// Milliseconds times `rate` per second, rounded down, without overflowing for any input
// (saturates).
inline uint64_t hvSeek_MsToUnits(uint64_t ms, uint64_t rate) {
  const uint64_t whole = ms / 1000, rest = ms % 1000;
  if (rate && whole > UINT64_MAX / rate) return UINT64_MAX;
  return whole * rate + rest * rate / 1000;
}

#endif
