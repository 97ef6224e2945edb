#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>

#include "browse/Window.h"
#include "download/engine/Download.h"
#include "download/engine/TaskParam.h"
#include "text/Text.h"

namespace download {

// The size in bytes of the file being downloaded, as the engine last reported it. Written on
// the engine's thread and read by the progress timer on the window's thread.
using SizeCell = std::atomic<double>;

// What the program keeps of downloading from start-up to exit.
struct DownloadState {
  // The one downloader: one book at a time. Destroying it stops a running download.
  Download Downloader;
  // Reused for every download: each one sets the same fields, the rest keep their defaults.
  TaskParam TaskRecord;
  // 0 until the first size arrives, then the last size reported; a new download keeps the old
  // size until its own arrives. Shared with the callback the engine keeps, so a task that
  // outlives the Downloader by a moment still writes to live memory.
  std::shared_ptr<SizeCell> TotalSize = std::make_shared<SizeCell>(0.0);
  // Whether the display follows a task the engine took and that has not been seen ending yet.
  bool Following = false;
};

// The engine's event callback: keeps the size of event 3 (value1) in `totalSize` and ignores
// everything else. Returns 0, which for event 18 lets the engine give a second copy of a file
// a new name.
int DownloadCallback(SizeCell& totalSize, int event, Handle connection, int value1, int value2,
                     Handle task);

// Runs on a double-click in the book list: finds the file of the selected row's book (showing
// its introduction), hands the download to the Downloader, saving into the program's own
// directory, and starts the progress timer at 100 ms. Every step runs whatever the engine is
// doing; a download already running makes the engine refuse the new one.
void StartBookDownload(DownloadState& state, browse::Window& window);

// Runs on each timer tick. While a task runs: "下载中... " + floor of the percentage + "% " in
// the label and the percentage rounded to two decimals, truncated, on the bar. Once the task
// has ended the timer stops and the label reads "下载完成 100% " with the bar at 100, or
// "下载失败" with the bar where it was when the file is not complete or the engine took no task.
void ShowDownloadProgress(DownloadState& state, browse::Window& window);

// `done` of `totalSize` in percent, as the quotient times 100; 0 while the size is 0.
double Percent(std::int32_t done, double totalSize);
// The label's text while downloading at `percent`.
text::Text ProgressText(double percent);
// The bar's position at `percent`.
int ProgressPosition(double percent);

// The label's texts (GBK): "下载中... " before the percentage while downloading, then
// "下载完成 100% " or "下载失败" at the end.
inline constexpr std::string_view kDownloadingText = "\xCF\xC2\xD4\xD8\xD6\xD0... ";
inline constexpr std::string_view kCompleteText = "\xCF\xC2\xD4\xD8\xCD\xEA\xB3\xC9 100% ";
inline constexpr std::string_view kFailedText = "\xCF\xC2\xD4\xD8\xCA\xA7\xB0\xDC";

}  // namespace download
