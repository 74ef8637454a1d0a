// MPEG-2 transport streams, 188-byte packets or 192 with the 4-byte time code in front:
// the stream to follow comes from the program map (video first, else audio), and a time is
// found by bisection over the PTS of its PES packets, reading a small window per step. The
// position returned is the start of the packet (time code included) where the PES begins.
#include <algorithm>

#include "seek/hvSeekFields.h"
#include "seek/hvSeekFormats.h"
#include "seek/hvSeekPes.h"
#include "seek/hvSeekProbe.h"

namespace {

const uint64_t kBudget = 2 * 1024 * 1024;
const size_t kHead = 64 * 1024;
const size_t kSyncSearch = 1024;
const int kSyncPackets = 4;
const uint8_t kSyncByte = 0x47;
const char kProfiles[] =
#include "seek/hvTsProfiles.inc"
    ;

struct Layout {
  uint64_t gridStart = 0;  // the first whole packet (its time code for 192-byte packets)
  size_t packetSize = 188;
  size_t syncOffset = 0;  // 4 when a time code precedes the sync byte
};

// Where kSyncPackets sync bytes follow each other at one of the packet sizes.
bool FindGrid(const uint8_t* bytes, size_t length, Layout* layout) {
  for (size_t size : {size_t(188), size_t(192)}) {
    for (size_t i = 0; i < kSyncSearch && i + size * kSyncPackets <= length; ++i) {
      bool synced = true;
      for (int k = 0; k < kSyncPackets && synced; ++k) synced = bytes[i + k * size] == kSyncByte;
      if (!synced) continue;
      layout->packetSize = size;
      layout->syncOffset = size - 188;
      layout->gridStart = i >= layout->syncOffset ? i - layout->syncOffset : i + 188;
      return true;
    }
  }
  return false;
}

// One packet's header fields; payload is null for packets without one.
struct Packet {
  uint32_t pid;
  bool unitStart;
  bool randomAccess;
  const uint8_t* payload;
  size_t payloadLength;
};

bool ReadPacket(const uint8_t* bytes, Packet* packet) {
  if (bytes[0] != kSyncByte) return false;
  packet->pid = (uint32_t(bytes[1] & 0x1F) << 8) | bytes[2];
  packet->unitStart = bytes[1] & 0x40;
  packet->randomAccess = false;
  const uint32_t control = (bytes[3] >> 4) & 3;
  size_t at = 4;
  if (control & 2) {
    const size_t adaptation = bytes[4];
    if (adaptation > 183) return false;
    if (adaptation > 0) packet->randomAccess = bytes[5] & 0x40;
    at += 1 + adaptation;
  }
  packet->payload = (control & 1) && at < 188 ? bytes + at : nullptr;
  packet->payloadLength = packet->payload ? 188 - at : 0;
  return true;
}

class TsScanner : public hvSeekUnitScanner {
 public:
  TsScanner(const Layout& layout, uint32_t pid, bool keysMarked, bool h264)
      : m_layout(layout), m_pid(pid), m_keysMarked(keysMarked), m_h264(h264) {}

  hvStreamingStatus Scan(hvSeekProbe& probe, uint64_t from, uint64_t to,
                         std::vector<hvSeekUnit>* units) override {
    from = Align(from);
    if (to <= from) return khvStreamingStatus_OK;
    const uint8_t* bytes;
    size_t got;
    hvStreamingStatus status = probe.Read(from, static_cast<size_t>(to - from), &bytes, &got);
    if (status != khvStreamingStatus_OK) return status;
    const size_t size = m_layout.packetSize;
    for (size_t at = 0; at + size <= got; at += size) {
      Packet packet;
      // A lost sync (damage) skips the packet; the grid itself is fixed by the start.
      if (!ReadPacket(bytes + at + m_layout.syncOffset, &packet) || packet.pid != m_pid ||
          !packet.unitStart || !packet.payload)
        continue;
      uint64_t pts;
      size_t payload;
      if (!hvSeek_ReadPesPts(packet.payload, packet.payloadLength, &pts, &payload)) continue;
      const bool key = m_keysMarked ? packet.randomAccess
                                    : hvSeek_LooksLikeKey(packet.payload + payload,
                                                          packet.payloadLength - payload, m_h264);
      units->push_back({from + at, pts, key});
    }
    return khvStreamingStatus_OK;
  }

  uint64_t Align(uint64_t position) const override {
    if (position <= m_layout.gridStart) return m_layout.gridStart;
    const uint64_t size = m_layout.packetSize;
    return position - (position - m_layout.gridStart) % size;
  }

 private:
  Layout m_layout;
  uint32_t m_pid;
  bool m_keysMarked;  // the muxer flags key frames as random access points
  bool m_h264;
};

bool IsVideoType(uint32_t type) {
  return type == 0x01 || type == 0x02 || type == 0x10 || type == 0x1B || type == 0x24 ||
         type == 0xEA;
}
bool IsAudioType(uint32_t type) {
  return type == 0x03 || type == 0x04 || type == 0x0F || type == 0x11 || type == 0x80 ||
         type == 0x81 || type == 0x87;
}

// A PSI section (PAT or PMT) starting in this packet's payload, if it fits in it.
bool SectionOf(const Packet& packet, hvSeekCursor* section) {
  if (!packet.unitStart || !packet.payload) return false;
  hvSeekCursor c(packet.payload, packet.payloadLength);
  c.Skip(c.U8());  // pointer field
  c.Skip(1);       // table id
  const uint32_t length = c.U16() & 0x0FFF;
  if (!c.Has(length) || length < 9) return false;
  *section = hvSeekCursor(c.data + c.at, length - 4);  // without the CRC
  section->Skip(5);
  return section->ok;
}

// Chooses the stream to follow from the program map in the head: video first, else audio;
// without a map, the first PID whose PES carries a timestamp.
struct Choice {
  uint32_t pid = 0x2000;  // none
  bool video = false;
  bool h264 = false;
  bool keysMarked = false;
  uint64_t firstPts = 0;
};

void Choose(const uint8_t* bytes, size_t got, const Layout& layout, Choice* choice) {
  uint32_t pmtPid = 0x2000, videoPid = 0x2000, audioPid = 0x2000, anyPid = 0x2000;
  for (size_t at = layout.gridStart; at + layout.packetSize <= got; at += layout.packetSize) {
    Packet packet;
    if (!ReadPacket(bytes + at + layout.syncOffset, &packet)) continue;
    hvSeekCursor section(nullptr, 0);
    if (packet.pid == 0 && pmtPid == 0x2000 && SectionOf(packet, &section)) {
      while (section.Has(4)) {
        const uint32_t program = section.U16(), pid = section.U16() & 0x1FFF;
        if (program != 0) {
          pmtPid = pid;
          break;
        }
      }
    } else if (packet.pid == pmtPid && videoPid == 0x2000 && audioPid == 0x2000 &&
               SectionOf(packet, &section)) {
      section.Skip(2);  // PCR PID
      section.Skip(section.U16() & 0x0FFF);
      while (section.Has(5)) {
        const uint32_t type = section.U8(), pid = section.U16() & 0x1FFF;
        section.Skip(section.U16() & 0x0FFF);
        if (IsVideoType(type) && videoPid == 0x2000) {
          videoPid = pid;
          choice->h264 = type == 0x1B;
        }
        if (IsAudioType(type) && audioPid == 0x2000) audioPid = pid;
      }
    } else if (anyPid == 0x2000 && packet.unitStart && packet.payload) {
      uint64_t pts;
      size_t payload;
      if (hvSeek_ReadPesPts(packet.payload, packet.payloadLength, &pts, &payload))
        anyPid = packet.pid;
    }
  }
  choice->video = videoPid != 0x2000;
  choice->pid = choice->video ? videoPid : audioPid != 0x2000 ? audioPid : anyPid;
}

// The first bytes of the stream and the packet grid they show.
hvStreamingStatus ReadHead(hvSeekProbe& probe, const uint8_t** bytes, size_t* got, Layout* layout) {
  hvStreamingStatus status = probe.Read(0, kHead, bytes, got);
  if (status != khvStreamingStatus_OK) return status;
  return FindGrid(*bytes, *got, layout) ? khvStreamingStatus_OK : khvStreamingStatus_Error;
}

class TsSeeker : public hvFormatSeeker {
 public:
  TsSeeker() : hvFormatSeeker(kProfiles, "mpegts", kBudget) {}

 protected:
  hvStreamingStatus Find(hvSeekProbe& probe, uint64_t value, bool isTime,
                         uint64_t* bytePos) override {
    const uint8_t* bytes;
    size_t got;
    Layout layout;
    hvStreamingStatus status = ReadHead(probe, &bytes, &got, &layout);
    if (status != khvStreamingStatus_OK) return status;
    if (!isTime) {
      // Past the end, the last packet.
      const bool past = probe.Size() != khvuint64_Max && value >= probe.Size();
      *bytePos = TsScanner(layout, 0, false, false).Align(past ? probe.Size() - 1 : value);
      return past ? khvStreamingStatus_EndOfStream : khvStreamingStatus_OK;
    }
    Choice choice;
    Choose(bytes, got, layout, &choice);
    if (choice.pid == 0x2000) return khvStreamingStatus_Error;
    // The head tells whether the muxer marks key frames, and gives the first timestamp.
    std::vector<hvSeekUnit> units;
    TsScanner marked(layout, choice.pid, true, choice.h264);
    status = marked.Scan(probe, 0, got, &units);
    if (status != khvStreamingStatus_OK) return status;
    if (units.empty()) return khvStreamingStatus_Error;
    const bool keysMarked =
        std::any_of(units.begin(), units.end(), [](const hvSeekUnit& u) { return u.key; });
    TsScanner scanner(layout, choice.pid, keysMarked, choice.h264);
    hvSeekUnit found;
    status = hvSeek_Bisect(probe, scanner, layout.gridStart, units.front().pts, value * 90,
                           choice.video, &found);
    if (status == khvStreamingStatus_OK || status == khvStreamingStatus_EndOfStream)
      *bytePos = found.position;
    return status;
  }

 public:
  bool Recognise(const unsigned char* head, size_t length) const override {
    Layout layout;
    return FindGrid(head, std::min(length, kSyncSearch + 192 * kSyncPackets), &layout) &&
           layout.gridStart < 192;
  }
};

}  // namespace

hvFormatSeeker* hvSeek_CreateTs() { return new TsSeeker; }
