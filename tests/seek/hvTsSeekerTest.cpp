// The transport stream seeker over streams built packet by packet: 188- and 192-byte packets,
// program maps of every kind, key frames marked or only seen in the pictures, adaptation
// fields of every length, lost syncs and timestamps that wrap. Every frame's packet and time
// are known, so the answer is checked exactly.
#include <gtest/gtest.h>

#include <string>

#include "hvSeekBuilt.h"

namespace {

const uint32_t kVideoPid = 0x100, kAudioPid = 0x101, kPmtPid = 0x20;
const int kPacketsPerFrame = 4;
const int kFrames = 400;  // 40 ms each, a key every 25

// `flags` 0x80: PTS, 0xC0: PTS and DTS, 0: none.
std::string Pes(uint8_t streamId, uint64_t pts, const std::string& data, uint32_t flags = 0x80,
                int headerLength = -1) {
  std::string fields = flags == 0xC0   ? hvSeekTimestamp(3, pts) + hvSeekTimestamp(1, pts)
                       : flags == 0x80 ? hvSeekTimestamp(2, pts)
                                       : "";
  const size_t length = headerLength < 0 ? fields.size() : size_t(headerLength);
  return hvSeekBE(1, 3) + hvSeekBE(streamId, 1) + hvSeekBE(0, 2) + "\x80" + hvSeekBE(flags, 1) +
         hvSeekBE(length, 1) + fields + data;
}

// One 188-byte packet; `adaptation` -1 for none, else the field's length (flags included).
std::string Packet(uint32_t pid, bool start, const std::string& payload, int adaptation = -1,
                   bool randomAccess = false) {
  const uint32_t control = (adaptation >= 0 ? 2 : 0) | (adaptation < 183 ? 1 : 0);
  std::string packet = "\x47" + hvSeekBE((start ? 0x4000 : 0) | pid, 2) + hvSeekBE(control << 4, 1);
  if (adaptation >= 0) {
    packet += hvSeekBE(adaptation, 1);
    if (adaptation > 0) packet += randomAccess ? "\x40" : std::string(1, '\0');
    packet += std::string(adaptation > 1 ? adaptation - 1 : 0, '\xFF');
  }
  packet += payload;
  packet.resize(188, '\xFF');
  return packet;
}

std::string Section(uint8_t table, const std::string& body) {
  return std::string(1, '\0') + hvSeekBE(table, 1) + hvSeekBE(0xB000 | (body.size() + 9), 2) +
         hvSeekBE(1, 2) + "\xC1" + std::string(2, '\0') + body + hvSeekBE(0, 4);
}

struct Ts {
  std::string streams = hvSeekBE(0x1B, 1) + hvSeekBE(0xE000 | kVideoPid, 2) + hvSeekBE(0xF000, 2);
  bool map = true;     // PAT and PMT in front
  bool marked = true;  // key frames flagged as random access points
  bool mpeg2 = false;  // MPEG-2 video pictures, else H.264
  bool audioOnly = false;
  uint64_t firstPts = 900000;
  uint32_t pesFlags = 0x80;
  int pesHeaderLength = -1;
  int fillerAdaptation = -1;

  std::string keyPicture;  // replaces the usual start of a key picture when set
  std::string front;       // packets before everything else

  std::string Frame(int k) const {
    const bool key = k % 25 == 0;
    if (key && !keyPicture.empty()) return keyPicture;
    if (mpeg2)
      return key ? hvSeekBE(0x1B3, 4) : hvSeekBE(0x100, 4) + hvSeekBE(0, 1) + hvSeekBE(2 << 3, 1);
    return key ? hvSeekBE(1, 4) + "\x09\xF0" + hvSeekBE(0x165, 4) : hvSeekBE(0x141, 4) + "\x9A";
  }

  std::string Build() const {
    std::string out = front;
    if (map) {
      // A network entry (program 0) comes before the program.
      out += Packet(0, true,
                    Section(0, hvSeekBE(0, 2) + hvSeekBE(0xE010, 2) + hvSeekBE(1, 2) +
                                   hvSeekBE(0xE000 | kPmtPid, 2)));
      out += Packet(kPmtPid, true,
                    Section(2, hvSeekBE(0xE000 | kVideoPid, 2) + hvSeekBE(0xF003, 2) +
                                   std::string("\x05\x01\x00", 3) + streams));
    }
    const uint32_t pid = audioOnly ? kAudioPid : kVideoPid;
    for (int k = 0; k < kFrames; ++k) {
      const uint64_t pts = (firstPts + uint64_t(k) * 3600) & ((1ull << 33) - 1);
      out +=
          Packet(pid, true, Pes(audioOnly ? 0xC0 : 0xE0, pts, Frame(k), pesFlags, pesHeaderLength),
                 marked ? 7 : -1, marked && k % 25 == 0);
      for (int i = 1; i < kPacketsPerFrame; ++i)
        out += Packet(pid, false, std::string(184, '\x11'), fillerAdaptation);
    }
    return out;
  }
  uint64_t FramePacket(int k) const {
    return front.size() / 188 + (map ? 2 : 0) + uint64_t(k) * kPacketsPerFrame;
  }
};

// Each 188-byte packet behind a 4-byte time code.
std::string With192(const std::string& ts) {
  std::string out;
  for (size_t at = 0; at < ts.size(); at += 188) out += hvSeekBE(at, 4) + ts.substr(at, 188);
  return out;
}

struct Case {
  const char* situation;
  std::string bytes;
  uint64_t value;
  bool isTime;
  hvStreamingStatus status;
  uint64_t position;
};

void Check(const Case& row, bool sizeKnown = true) {
  hvSeekExpect(row.bytes,
               {"AVC_TS_MP_SD_AAC_MULT5_ISO", "video/mpeg", row.value, row.isTime, sizeKnown},
               row.status, row.position, row.situation);
}

template <typename Tweak>
std::string Build(Tweak tweak) {
  Ts ts;
  tweak(ts);
  return ts.Build();
}

const hvStreamingStatus kOK = khvStreamingStatus_OK, kEnd = khvStreamingStatus_EndOfStream,
                        kError = khvStreamingStatus_Error;

TEST(hvTsSeekerTest, KeyFramesFoundInEveryLayout) {
  const Ts plain;
  const uint64_t key50 = plain.FramePacket(50) * 188;
  const std::string bytes = plain.Build();
  const std::string audio =
      hvSeekBE(0x0F, 1) + hvSeekBE(0xE000 | kAudioPid, 2) + hvSeekBE(0xF000, 2);
  const Case cases[] = {
      {"keys marked", bytes, 2100, true, kOK, key50},
      {"keys seen in the H.264 pictures", Build([](Ts& t) { t.marked = false; }), 2100, true, kOK,
       key50},
      {"keys seen in the MPEG-2 pictures", Build([](Ts& t) {
         t.marked = false;
         t.mpeg2 = true;
         t.streams[0] = 0x02;
       }),
       2100, true, kOK, key50},
      {"192-byte packets", With192(bytes), 2100, true, kOK, plain.FramePacket(50) * 192},
      // The first packet lacks its time code, so it and the program map in it are lost.
      {"192-byte packets without the first time code", With192(bytes).substr(4), 2100, true, kOK,
       plain.FramePacket(52) * 192 - 4},
      {"audio only: the frame itself", Build([&](Ts& t) {
         t.audioOnly = true;
         t.streams = audio;
       }),
       2100, true, kOK, plain.FramePacket(52) * 188},
      {"video and audio in the map: video followed",
       Build([&](Ts& t) { t.streams = audio + t.streams; }), 2100, true, kOK, key50},
      {"program info and stream descriptors", Build([](Ts& t) {
         t.streams = hvSeekBE(0x1B, 1) + hvSeekBE(0xE000 | kVideoPid, 2) + hvSeekBE(0xF002, 2) +
                     std::string("\x0A\x00", 2);
       }),
       2100, true, kOK, key50},
      {"no program map: the first stream with timestamps", Build([](Ts& t) { t.map = false; }),
       2100, true, kOK, 52 * kPacketsPerFrame * 188},
      {"H.264 keys opening with a sequence parameter set", Build([](Ts& t) {
         t.marked = false;
         t.keyPicture = hvSeekBE(0x167, 4) + "\x4D";
       }),
       2100, true, kOK, key50},
      {"H.264 keys after a start code with the forbidden bit", Build([](Ts& t) {
         t.marked = false;
         t.keyPicture = hvSeekBE(0x1FF, 4) + "\x01" + hvSeekBE(0x165, 4);
       }),
       2100, true, kOK, key50},
      {"MPEG-2 keys opening with a group of pictures", Build([](Ts& t) {
         t.marked = false;
         t.mpeg2 = true;
         t.streams[0] = 0x02;
         t.keyPicture = hvSeekBE(0x1B8, 4) + "\x01";
       }),
       2100, true, kOK, key50},
      {"MPEG-2 keys that are only I pictures", Build([](Ts& t) {
         t.marked = false;
         t.mpeg2 = true;
         t.streams[0] = 0x02;
         t.keyPicture = hvSeekBE(0x100, 4) + hvSeekBE(0, 1) + hvSeekBE(1 << 3, 1);
       }),
       2100, true, kOK, key50},
      {"no program map, streams without timestamps first", Build([](Ts& t) {
         t.map = false;
         for (uint8_t id : {0xBC, 0xBE, 0xBF, 0xF0})
           t.front += Packet(0x300 + id, true, Pes(id, 0, "", 0x80));
       }),
       2100, true, kOK, 4 * 188 + 52 * kPacketsPerFrame * 188},
      {"timestamps with DTS", Build([](Ts& t) { t.pesFlags = 0xC0; }), 2100, true, kOK, key50},
      {"timestamps wrapping past 2^33 at frame 100",
       Build([](Ts& t) { t.firstPts = (1ull << 33) - 100 * 3600; }), 6000, true, kOK,
       plain.FramePacket(150) * 188},
      {"filler packets with empty adaptation fields", Build([](Ts& t) { t.fillerAdaptation = 0; }),
       2100, true, kOK, key50},
      {"filler packets of adaptation only", Build([](Ts& t) { t.fillerAdaptation = 183; }), 2100,
       true, kOK, key50},
      {"filler packets with impossible adaptation lengths",
       Build([](Ts& t) { t.fillerAdaptation = 200; }), 2100, true, kOK, key50},
      {"past the end: the last key", bytes, 60000, true, kEnd, plain.FramePacket(375) * 188},
      {"byte offset inside a packet", bytes, 1000, false, kOK, 5 * 188},
      // Used to answer Error: the aligned offset lay past the end.
      {"byte offset past the end: the last packet", bytes, bytes.size() + 1000, false, kEnd,
       bytes.size() - 188},
  };
  for (const Case& row : cases) Check(row);
}

TEST(hvTsSeekerTest, DamageIsSkippedOrRefused) {
  const Ts plain;
  const uint64_t key50 = plain.FramePacket(50) * 188;
  std::string lostSync = plain.Build();
  for (int k : {30, 51, 52, 120, 260}) lostSync[plain.FramePacket(k) * 188] = 0x46;
  std::string badMap = plain.Build();
  badMap[188 + 7] = 0x05;  // a PMT section too short to hold anything
  const Case cases[] = {
      {"lost syncs cost their packets", lostSync, 2100, true, kOK, key50},
      {"a broken program map: the first stream with timestamps", badMap, 2100, true, kOK,
       plain.FramePacket(52) * 188},
      {"no timestamps anywhere", Build([](Ts& t) { t.pesFlags = 0; }), 2100, true, kError, 0},
      // Used to take the timestamp from the data after a header too short to hold it.
      {"PES headers too short for their timestamp", Build([](Ts& t) { t.pesHeaderLength = 2; }),
       2100, true, kError, 0},
      {"PES headers longer than their packet", Build([](Ts& t) { t.pesHeaderLength = 200; }), 2100,
       true, kError, 0},
      {"fewer packets than the grid needs", plain.Build().substr(0, 3 * 188), 0, true, kError, 0},
      {"no packet grid", std::string(5000, '\x47'), 0, true, kError, 0},
  };
  for (const Case& row : cases) Check(row);
  // Bisection needs the size; a byte offset does not.
  const std::string bytes = Ts().Build();
  Check({"time in a stream of unknown size", bytes, 2100, true, kError, 0}, false);
  Check({"byte offset in a stream of unknown size", bytes, 1000, false, kOK, 5 * 188}, false);
}

}  // namespace
