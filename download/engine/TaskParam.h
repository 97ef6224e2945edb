#pragma once

#include <cstdint>
#include <functional>

#include "text/Text.h"

// What a download task is told, and how it tells back.
namespace download {

// Identifies a task or one of its connections in callbacks; stable for the task's life.
using Handle = const void*;

// Event codes of EventCallback.
enum Event : int {
  kEventAskFlags = 2,  // FTP upload only; never sent by this engine
  kEventFileSize = 3,  // value1: the file's total length
  kEventTaskEnd = 4,   // value1: the total length, or the bytes done when stopped
  kEventConnectionStart = 5,
  kEventFirstPart = 6,        // value1: position written from, value2: end of the part
  kEventFurtherPart = 7,      // as 6
  kEventConnectionDone = 8,   // value1: position reached
  kEventConnectionError = 9,  // value1: position reached
  kEventReceived = 16,        // value1: bytes in the block
  kEventSent = 17,            // upload only; never sent by this engine
  kEventFileExists = 18,      // value1: size on disk, value2: total length; see kExists*
};

// Answers to kEventFileExists.
enum ExistsAnswer : int {
  kExistsPickNewName = 0,
  kExistsGiveUp = 1,
  kExistsRenamedByCaller = 2,
};

// Levels of LogCallback lines.
enum LogLevel : int { kLogInfo = 0, kLogCommand = 1, kLogReply = 2, kLogError = 3 };

// event, connection (null for 4), value1, value2, task; the result is read for 2 and 18 only.
using EventRoutine = std::function<int(int, Handle, int, int, Handle)>;
// connection (null for lines about the whole task), time "HH:MM:SS", message, level, task.
using LogRoutine = std::function<void(Handle, const text::Text&, const text::Text&, int, Handle)>;

inline constexpr int kFlagDownload = 0x1000;
inline constexpr int kMaxReceiveBlock = 20480;

// One transfer. Texts are GBK. AddTask copies it, so it may be changed or reused at once.
struct TaskParam {
  std::int32_t Flags = 1;
  text::Text Url;
  // A directory when it ends with "/" or "\", otherwise the whole file name.
  text::Text SavePath;
  text::Text FtpUser = "anonymous";
  text::Text FtpPassword = "anonymous@example.com";
  std::int32_t ThreadCount = 1;
  std::int32_t SpeedLimit = 0;  // bytes per second for the whole task; 0: no limit
  std::int32_t ConnectTimeout = 20000;
  std::int32_t SendTimeout = 20000;
  std::int32_t ReceiveTimeout = 20000;
  std::int32_t StopWait = 1000;
  std::int32_t ReceiveBlock = kMaxReceiveBlock;  // bytes per received block, 1 to 20480
  std::int32_t SendBlock = 1024;
  LogRoutine LogCallback;
  EventRoutine EventCallback;
  text::Text FtpRenameTo;
  std::int32_t FtpTransferMode = 1;
  text::Text BinaryExtensions = ".exe|.rar|.zip|.gif|.jpg|.mp3|.rm";
  text::Text Proxy;    // "host:port"; empty: a direct connection
  text::Text Referer;  // empty: the address up to its last "/"
};

}  // namespace download
