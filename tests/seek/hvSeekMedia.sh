#!/bin/sh
# Writes the seek tests' media into folder $1: ten-second files made by ffmpeg, each with
# NAME.csv beside it holding ffprobe's packet list (stream_index,pts_time,pos,flags) and
# NAME.start holding each stream's start_time, one line per stream. Nothing here is committed.
set -eu
out=$1
mkdir -p "$out"
cd "$out"
ff="ffmpeg -hide_banner -loglevel error -y -nostdin"
tone="-f lavfi -i sine=frequency=440:sample_rate=44100:duration=10"
tone48="-f lavfi -i sine=frequency=440:sample_rate=48000:duration=10"
video="-f lavfi -i testsrc=size=320x240:rate=25:duration=10"

$ff $tone -ac 2 -c:a libmp3lame -b:a 128k mp3_cbr.mp3
$ff $tone -ac 2 -c:a libmp3lame -q:a 4 mp3_vbr.mp3
$ff $tone -ac 2 -c:a aac -b:a 128k -f adts aac.aac
$ff $tone -ac 2 -c:a pcm_s16le lpcm.wav
$ff $tone48 -ac 2 -c:a pcm_s16be -f s16be l16.pcm
$ff $video $tone -c:v libx264 -g 25 -bf 0 -pix_fmt yuv420p -c:a aac -b:a 128k ts_h264.ts
$ff $video $tone48 -c:v mpeg2video -g 12 -b:v 1M -c:a mp2 -b:a 192k -mpegts_m2ts_mode 1 ts_mpeg2.m2ts
$ff $video $tone48 -c:v mpeg2video -g 12 -b:v 1M -c:a mp2 -b:a 192k -f vob ps_mpeg2.mpg
# Timestamps that pass 2^33 (about 26.5 hours) three seconds in.
$ff $video $tone -c:v libx264 -g 25 -bf 0 -pix_fmt yuv420p -c:a aac -b:a 128k \
  -output_ts_offset 95440 ts_wrap.ts
$ff $video $tone -c:v libx264 -g 25 -bf 0 -pix_fmt yuv420p -c:a aac -b:a 128k mp4_h264.mp4
$ff $tone -ac 2 -c:a aac -b:a 128k m4a_aac.m4a
# Frames of 14 and 6 ms in turn: a time-to-sample table of 1000 entries, which a seek must
# walk a window at a time, not an entry at a time.
$ff -f lavfi -i testsrc=size=160x120:rate=100:duration=10 \
  -vf "settb=1/1000,setpts='N*10+4*mod(N,2)'" -fps_mode passthrough -enc_time_base:v 1/1000 \
  -c:v libx264 -g 100 -bf 0 -pix_fmt yuv420p -video_track_timescale 1000 mp4_vfr.mp4

for f in mp3_cbr.mp3 mp3_vbr.mp3 aac.aac lpcm.wav ts_h264.ts ts_mpeg2.m2ts ts_wrap.ts ps_mpeg2.mpg \
         mp4_h264.mp4 m4a_aac.m4a mp4_vfr.mp4; do
  name=${f%.*}
  ffprobe -v error -show_entries packet=stream_index,pts_time,pos,flags -of csv=p=0 "$f" > "$name.csv"
  ffprobe -v error -show_entries stream=index,codec_type,start_time -of csv=p=0 "$f" > "$name.start"
done
# Raw L16 has no header for ffprobe to read: its rate and layout are given.
ffprobe -v error -f s16be -ar 48000 -ac 2 -show_entries packet=stream_index,pts_time,pos,flags \
  -of csv=p=0 l16.pcm > l16.csv
printf '0,audio,0.000000\n' > l16.start
touch stamp
