#include "download/BookDownload.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "browse/Site.h"
#include "download/BookPage.h"
#include "text/Numbers.h"
#include "text/RunDirectory.h"

namespace download {

int DownloadCallback(SizeCell& totalSize, int event, Handle /*connection*/, int value1,
                     int /*value2*/, Handle /*task*/) {
  if (event == kEventFileSize) totalSize.store(static_cast<double>(value1));
  return 0;
}

void StartBookDownload(DownloadState& state, browse::Window& window) {
  TaskParam& task = state.TaskRecord;
  task.Flags = kFlagDownload;
  const int row = window.SelectedRow();
  const text::Text bookPageUrl = browse::SiteBase() + "html/" + window.Cell(row, 3);
  task.Url = ResolveDownloadUrl(window, bookPageUrl);
  task.StopWait = 1000;
  task.ThreadCount = 10;
  task.SavePath = text::RunDirectory() + "/";
  task.ConnectTimeout = 5000;
  task.SendTimeout = 5000;
  task.ReceiveTimeout = 10000;
  task.ReceiveBlock = 10240;
  task.EventCallback = [totalSize = state.TotalSize](int event, Handle connection, int value1,
                                                     int value2, Handle taskHandle) {
    return DownloadCallback(*totalSize, event, connection, value1, value2, taskHandle);
  };
  // Refused while a download runs: the display then goes on following that one.
  if (state.Downloader.AddTask(task)) state.Following = true;
  window.SetTimerPeriod(100);
}

double Percent(std::int32_t done, double totalSize) {
  if (totalSize == 0) return 0;
  return static_cast<double>(done) / totalSize * 100;
}

text::Text ProgressText(double percent) {
  return text::Text(kDownloadingText) + text::ToText(text::Floor(percent)) + "% ";
}

int ProgressPosition(double percent) {
  const double position = std::trunc(text::Round(percent, 2));
  if (std::isnan(position)) return 0;
  // A count far beyond an old size (a new file before its own size arrives) stays in range.
  return static_cast<int>(std::clamp(position, double{INT_MIN}, double{INT_MAX}));
}

void ShowDownloadProgress(DownloadState& state, browse::Window& window) {
  const double totalSize = state.TotalSize->load();
  const std::int32_t labelDone = state.Downloader.BytesDone();
  const std::int32_t barDone = state.Downloader.BytesDone();
  // Only this thread adds tasks, so a task still held now was held for both counts.
  if (state.Downloader.HoldsTask()) {
    window.SetProgressText(ProgressText(Percent(labelDone, totalSize)));
    window.SetProgress(ProgressPosition(Percent(barDone, totalSize)));
    return;
  }
  window.SetTimerPeriod(0);
  if (state.Following && state.Downloader.LastEnd() == TaskEnd::kComplete) {
    window.SetProgressText(kCompleteText);
    window.SetProgress(100);
  } else {
    window.SetProgressText(kFailedText);
  }
  state.Following = false;
}

}  // namespace download
