// protocolInfo helpers shared by the hvstream commands: list splitting, the decisions a player
// takes from a record, and the record's fields in readable and JSON form.
#ifndef HVSTREAM_PROTOCOL_H
#define HVSTREAM_PROTOCOL_H

#include <string>
#include <vector>

#include "hulvoStreaming/hvProtocolInfo.h"

class hvJsonWriter;

// Owns one parsed record.
class hvToolRecord {
 public:
  // Parses the whole text (embedded NUL bytes included), in the short form
  // "contentFormat:additional" when `shortForm`.
  hvToolRecord(const std::string& text, bool shortForm);
  ~hvToolRecord();
  hvToolRecord(const hvToolRecord&) = delete;
  hvToolRecord& operator=(const hvToolRecord&) = delete;

  hvProtocolInfo* Get() const { return m_record; }
  bool IsValid() const { return m_record->valid != 0; }
  // The text a stream is given for this record (the short form completed as the parser does).
  const std::string& FullText() const { return m_fullText; }

 private:
  hvProtocolInfo* m_record;
  std::string m_fullText;
};

// What a player decides from a protocolInfo. The seek and stalling answers come from a stream
// that was given the text (hvStream::Support), so they are the library's own.
struct hvToolDecisions {
  bool byteSeek;            // Support 5
  bool timeSeek;            // Support 6
  bool connectionStalling;  // Support 7
  bool limitedOperation;
  const char* transferMode;
  int transferModeCode;
  bool pause;
  const char* pauseReason;
};
hvToolDecisions hvTool_Decide(const hvToolRecord& record);

// The pieces of a ','-separated list, split where the list parser splits (a ',' right after
// '\' stays inside its piece); empty pieces are dropped.
std::vector<std::string> hvTool_SplitList(const std::string& text);

// "fewer than two ':'-separated fields": why a record is not valid.
extern const char* const khvTool_InvalidReason;
// Why `text` does not parse as a valid protocolInfo: it holds a NUL byte, or the above.
const char* hvTool_InvalidReasonOf(const std::string& text);

const char* hvTool_KindName(hvProtocolKind kind);
// The set flag names of word 0, ", "-separated ("none" when no flag is set).
std::string hvTool_FlagList(const hvProtocolInfo* record);
// "DTCP link protection", "Windows Media DRM" or "none".
std::string hvTool_Protection(const hvProtocolInfo* record);

// Every field and decision, readable (lines of hvTool_PrintField) and as JSON members of an
// open object. Neither changes the record.
void hvTool_PrintRecord(const hvToolRecord& record);
void hvTool_JsonRecord(hvJsonWriter& json, const hvToolRecord& record);

// The normalized text the library writes back for the record (with its operation
// parameters). Normalizes the record, so describe it first.
std::string hvTool_WriteBack(hvProtocolInfo* record);

// A list text parsed by the library. The library drops entries that are not valid
// protocolInfos; they are reported here on standard error and clear *allValid.
hvProtocolInfoList* hvTool_ParseList(const char* command, const std::string& text, bool* allValid);
// Each record of the list as the library writes it back.
std::vector<std::string> hvTool_ListEntries(hvProtocolInfoList* list);

#endif
