// One-line rendering of a parsed protocolInfo record for table-driven tests. Fields at their
// freshly-parsed default are left out so that a table row shows only what the input changed.
#ifndef HV_TESTS_DLNA_HVPROTOCOLINFORENDER_H
#define HV_TESTS_DLNA_HVPROTOCOLINFORENDER_H

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "hulvoStreaming/hvProtocolInfo.h"

// Holds the record a case parses, releasing it when replaced and when the case ends.
class hvProtocolInfoFixture : public ::testing::Test {
 protected:
  void TearDown() override { hvProtocolInfo_Free(m_record); }
  hvProtocolInfo* Parse(const std::string& text) {
    hvProtocolInfo_Free(m_record);
    m_record = hvProtocolInfo_Parse(text.data(), text.size());
    return m_record;
  }
  hvProtocolInfo* m_record = nullptr;
};

inline hvProtocolInfo* hvParseText(const std::string& text) {
  return hvProtocolInfo_Parse(text.data(), text.size());
}

inline std::string hvOrNull(const char* text) { return text ? text : "(null)"; }

inline std::string hvRenderProtocolInfo(const hvProtocolInfo* record) {
  char buffer[64];
  std::string line = record->valid ? "" : "INVALID ";
  line +=
      "k" + std::to_string(record->kind) + ":" + hvOrNull(hvProtocolInfo_GetProtocolName(record));
  line += " net=" + hvOrNull(record->network) + " cf=" + hvOrNull(record->contentFormat);
  if (record->profile) line += " pn=" + std::string(record->profile);
  if (record->thumbnail) line += " tn";
  if (record->timeSeek || record->byteSeek)
    line += " op=" + std::to_string(record->timeSeek) + std::to_string(record->byteSeek);
  if (record->conversion) line += " ci=" + std::to_string(record->conversion);
  if (record->flagsMajor != 1 || record->flagsMinor != 0)
    line += " ver=" + std::to_string(record->flagsMajor) + "." + std::to_string(record->flagsMinor);
  if (record->flags[0] || record->flags[1] || record->flags[2] || record->flags[3]) {
    snprintf(buffer, sizeof(buffer), " flags=%08X,%08X,%08X,%08X", record->flags[0],
             record->flags[1], record->flags[2], record->flags[3]);
    line += buffer;
  }
  struct Bit {
    int32_t hvProtocolInfo::*field;
    const char* name;
  };
  static const Bit kBits[] = {
      {&hvProtocolInfo::senderPaced, "SP"},
      {&hvProtocolInfo::limitedTimeRange, "LT"},
      {&hvProtocolInfo::limitedByteRange, "LB"},
      {&hvProtocolInfo::playContainer, "PC"},
      {&hvProtocolInfo::startIncreasing, "SI"},
      {&hvProtocolInfo::endIncreasing, "EI"},
      {&hvProtocolInfo::rtspPause, "RP"},
      {&hvProtocolInfo::connectionStalling, "CS"},
      {&hvProtocolInfo::streamingMode, "SM"},
      {&hvProtocolInfo::interactiveMode, "IM"},
      {&hvProtocolInfo::backgroundMode, "BM"},
      {&hvProtocolInfo::clearTextLimitedBytes, "CL"},
      {&hvProtocolInfo::clearTextByteSeekFull, "CF"},
      {&hvProtocolInfo::linkProtected, "LP"},
  };
  std::string bits;
  for (const Bit& bit : kBits) {
    if (record->*bit.field) bits += (bits.empty() ? "" : ",") + std::string(bit.name);
  }
  if (!bits.empty()) line += " bits=" + bits;
  if (record->maxSpeedInteger || record->maxSpeedFraction) {
    // The fraction with the leading zeros its digit count implies.
    std::string fraction = std::to_string(record->maxSpeedFraction);
    if (record->maxSpeedFractionDigits > static_cast<int32_t>(fraction.size()))
      fraction.insert(0, record->maxSpeedFractionDigits - fraction.size(), '0');
    line += " maxsp=" + std::to_string(record->maxSpeedInteger) + "." + fraction;
  }
  if (hvProtocolInfo_GetPlaySpeedCount(record) > 0) {
    line += " ps=";
    for (size_t i = 0; i < hvProtocolInfo_GetPlaySpeedCount(record); ++i) {
      const hvPlaySpeed* speed = hvProtocolInfo_GetPlaySpeedAt(record, i);
      snprintf(buffer, sizeof(buffer), "%s%s@%g", i ? "," : "", speed->text, speed->value);
      line += buffer;
    }
  }
  if (hvProtocolInfo_GetParamCount(record) > 0) {
    line += " params={";
    for (size_t i = 0; i < hvProtocolInfo_GetParamCount(record); ++i) {
      const char* name;
      size_t nameLength;
      const char* value;
      hvProtocolInfo_GetParamAt(record, i, &name, &nameLength, &value);
      line += (i ? ";" : "") + std::string(name, nameLength) + "=" + value;
    }
    line += "}";
  }
  line += " has=" + std::to_string(record->hasParams);
  if (!record->stallingAllowed) line += " nostall";
  return line;
}

// The input with control and non-ASCII bytes written as \xNN, for failure messages.
inline std::string hvEscapeBytes(const std::string& bytes) {
  std::string escaped;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F) {
      escaped += static_cast<char>(c);
    } else {
      char hex[8];
      snprintf(hex, sizeof(hex), "\\x%02X", c);
      escaped += hex;
    }
  }
  return escaped;
}

#endif
