// The library's format seekers, one per family, each made by its own file, and the table
// that the ready manager and content recognition go through.
#ifndef HULVOSTREAMING_SEEK_HVSEEKFORMATS_H
#define HULVOSTREAMING_SEEK_HVSEEKFORMATS_H

#include "hulvoStreaming/hvSeeker.h"

hvFormatSeeker* hvSeek_CreateLpcm();
hvFormatSeeker* hvSeek_CreateMp3();
hvFormatSeeker* hvSeek_CreateAdts();
hvFormatSeeker* hvSeek_CreateTs();
hvFormatSeeker* hvSeek_CreatePs();
hvFormatSeeker* hvSeek_CreateMp4();

// In the order content recognition tries them: the formats with the most distinctive
// headers first, MP3 and ADTS (bare sync words) last.
extern hvFormatSeeker* (*const khvSeek_Factories[6])();

#endif
