#include "hv/hvFile.h"

#include "hvFileFault.h"
#include "hvFileOS.h"

namespace {

const size_t kLargestTransfer = INT32_MAX;

int32_t ClampTransfer(size_t size) {
  return static_cast<int32_t>(size < kLargestTransfer ? size : kLargestTransfer);
}

// The injected fault of a read or write, if any: false when the call is to fail; a short
// one moves about half the bytes.
bool PassFault(hvFileFaultOperation operation, size_t* size) {
  hvFileFaultKind fault;
  if (!hvFileFault_Take(operation, &fault)) return true;
  if (fault != khvFileFault_Short) return false;
  *size = (*size + 1) / 2;
  return true;
}

}  // namespace

hvFile::hvFile() : handle(khvuint64_Max), m_lastStatus(khvFileStatus_OK) {}

hvFile::~hvFile() { Close(); }

bool hvFile::Open(const char* utf8Name) { return OpenWith(utf8Name, false); }

bool hvFile::Create(const char* utf8Name) { return OpenWith(utf8Name, true); }

bool hvFile::OpenWith(const char* utf8Name, bool create) {
  Close();
  if (!utf8Name || utf8Name[0] == '\0') return Finish(false, khvFileStatus_NotOpen);
  hvFileStatus status = khvFileStatus_OK;
  do {
    handle = hvFileOS_Open(utf8Name, create, &status);
  } while (handle == khvuint64_Max && status == khvFileStatus_Interrupted);
  return Finish(IsOpen(), IsOpen() ? khvFileStatus_OK : status);
}

void hvFile::Close() {
  if (!IsOpen()) return;
  hvFileOS_Close(handle);
  handle = khvuint64_Max;
}

// One read or write of at most INT32_MAX bytes, retried while the system call was interrupted.
template <typename Buffer, typename SystemCall>
int32_t hvFile::Transfer(Buffer buffer, size_t size, SystemCall systemCall) {
  if (!IsOpen()) return Finish(-1, khvFileStatus_NotOpen);
  if (!buffer) return Finish(-1, khvFileStatus_InvalidArgument);
  if (size == 0) return Finish(0, khvFileStatus_OK);
  hvFileStatus status = khvFileStatus_OK;
  int32_t count;
  do {
    count = systemCall(handle, buffer, ClampTransfer(size), &status);
  } while (count < 0 && status == khvFileStatus_Interrupted);
  return Finish(count, count < 0 ? status : khvFileStatus_OK);
}

int32_t hvFile::Read(void* buffer, size_t size) {
  if (IsOpen() && buffer && size > 0 && !PassFault(khvFileFault_Read, &size))
    return Finish(-1, khvFileStatus_Error);
  return Transfer(buffer, size, hvFileOS_Read);
}

int32_t hvFile::Write(const void* buffer, size_t size) {
  if (IsOpen() && buffer && size > 0 && !PassFault(khvFileFault_Write, &size))
    return Finish(-1, khvFileStatus_Error);
  return Transfer(buffer, size, hvFileOS_Write);
}

int64_t hvFile::Seek(int64_t offset, int origin) {
  if (!IsOpen()) return Finish<int64_t>(-1, khvFileStatus_NotOpen);
  // Both systems would take other values for other meanings; only these three are ours.
  if (origin < 0 || origin > 2) return Finish<int64_t>(-1, khvFileStatus_InvalidArgument);
  hvFileFaultKind fault;
  if (hvFileFault_Take(khvFileFault_Seek, &fault)) {
    const bool tell = origin == 1 && offset == 0;
    if (fault != khvFileFault_Elsewhere || tell) return Finish<int64_t>(-1, khvFileStatus_Error);
    if (offset <= INT64_MAX - 7) offset += 7;
  }
  hvFileStatus status = khvFileStatus_OK;
  int64_t position = hvFileOS_Seek(handle, offset, origin, &status);
  return Finish(position, position < 0 ? status : khvFileStatus_OK);
}

int64_t hvFile::Tell() { return Seek(0, 1); }

int64_t hvFile::Length() {
  if (!IsOpen()) return Finish<int64_t>(-1, khvFileStatus_NotOpen);
  hvFileStatus status = khvFileStatus_OK;
  int64_t length = hvFileOS_Length(handle, &status);
  return Finish(length, length < 0 ? status : khvFileStatus_OK);
}
