// The seek media table and the ffprobe packet lists.
#include "hvSeekMediaFixture.h"

#include <cstdio>
#include <fstream>
#include <sstream>

const hvSeekMedia khvSeekMedia[] = {
    {"mp3_cbr.mp3", "MP3", "audio/mpeg", "mp3", 0, false, 0, 96 * 1024, true},
    // The Xing table keeps positions in 1/256ths of the file: 160 bytes, about 1.5 frames here.
    {"mp3_vbr.mp3", "MP3", "audio/mpeg", "mp3", 0, false, 320, 96 * 1024, true},
    {"aac.aac", "AAC_ADTS_320", "audio/vnd.dlna.adts", "adts", 0, false, 0, 320 * 1024, true},
    {"lpcm.wav", "LPCM", "audio/wav", "lpcm", 0, false, 0, 64 * 1024, true},
    {"l16.pcm", "LPCM", "audio/L16;rate=48000;channels=2", "lpcm", 0, false, 0, 64 * 1024, false},
    {"ts_h264.ts", "AVC_TS_MP_SD_AAC_MULT5_ISO", "video/mpeg", "mpegts", 0, true, 0,
     2 * 1024 * 1024, true},
    {"ts_mpeg2.m2ts", "MPEG_TS_SD_EU_T", "video/vnd.dlna.mpeg-tts", "mpegts", 0, true, 0,
     2 * 1024 * 1024, true},
    {"ts_wrap.ts", "AVC_TS_MP_SD_AAC_MULT5_ISO", "video/mpeg", "mpegts", 0, true, 0,
     2 * 1024 * 1024, true},
    {"ps_mpeg2.mpg", "MPEG_PS_PAL", "video/mpeg", "mpegps", 0, true, 2048, 2 * 1024 * 1024, true},
    {"mp4_h264.mp4", "AVC_MP4_MP_SD_AAC_MULT5", "video/mp4", "mp4", 0, true, 0, 2 * 1024 * 1024,
     true},
    {"m4a_aac.m4a", "AAC_ISO_320", "audio/mp4", "mp4", 0, false, 0, 2 * 1024 * 1024, true},
    {"mp4_vfr.mp4", "AVC_MP4_MP_SD_AAC_MULT5", "video/mp4", "mp4", 0, true, 0, 2 * 1024 * 1024,
     true},
};
const size_t khvSeekMediaCount = sizeof(khvSeekMedia) / sizeof(khvSeekMedia[0]);

std::string hvSeekMediaPath(const std::string& file) {
  return std::string(HV_SEEK_MEDIA_DIR) + "/" + file;
}

bool hvSeekMediaPresent() { return std::ifstream(hvSeekMediaPath("stamp")).good(); }

std::string hvSeekReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

namespace {

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  std::string field;
  while (std::getline(in, field, ',')) fields.push_back(field);
  return fields;
}

std::string BaseName(const char* file) {
  std::string name = file;
  return name.substr(0, name.rfind('.'));
}

}  // namespace

std::vector<hvSeekTruth> hvSeekLoadTruth(const hvSeekMedia& media) {
  double start = 0;
  std::ifstream starts(hvSeekMediaPath(BaseName(media.file) + ".start"));
  for (std::string line; std::getline(starts, line);) {
    std::vector<std::string> f = Fields(line);
    if (f.size() >= 3 && std::stoi(f[0]) == media.stream && f[2] != "N/A") start = std::stod(f[2]);
  }
  std::vector<hvSeekTruth> truth;
  std::ifstream packets(hvSeekMediaPath(BaseName(media.file) + ".csv"));
  for (std::string line; std::getline(packets, line);) {
    // stream_index,pts_time,pos,flags, and side-data lines to skip.
    std::vector<std::string> f = Fields(line);
    if (f.size() < 4 || f[1] == "N/A" || std::stoi(f[0]) != media.stream) continue;
    if (f[3].find('D') != std::string::npos) continue;  // discarded (encoder priming)
    truth.push_back({f[2] == "N/A" ? UINT64_MAX : std::stoull(f[2]), std::stod(f[1]) - start,
                     !media.keysOnly || f[3][0] == 'K'});
  }
  return truth;
}

hvStream* hvSeekOpen(const std::string& path, const char* mime, const char* profile) {
  hvFile* file = new hvFile;
  file->Open(path.c_str());
  hvStream* stream = new hvFileGetStream(file, mime, path.c_str());
  if (profile) {
    hvMediaInfo* info = new hvMediaInfo;
    info->Set("dl", (std::string("DLNA.ORG_PN=") + profile).c_str(), true);
    stream->SetInfo(info);
  }
  return stream;
}
