// The program's two failure logs beside the executable: "FalhaDetector.log" (a pair's
// detectors fell silent) and the exception log (<executable name>.log). Loop thread only.
// Records end their lines with CR LF, as the files always have.
#pragma once

#include <exception>
#include <filesystem>
#include <string>

#include "app/startup_values.h"
#include "platform/event_loop.h"

namespace kovra {

// "dd/mm/yyyy hh:mm:ss" in local time: the date-time text the logs have always carried.
std::string formatDateTime(TimePoint t);

class ErrorLogs {
  public:
    ErrorLogs(std::filesystem::path programFolder, std::string executableName,
              const StartupValues& values, TimePoint launchTime);

    // Process-wide text naming the operation that failed last; written into the
    // exception log, then emptied.
    std::string ErrorContext;

    // Appends the detector failure record. Throws std::runtime_error naming the file
    // when it cannot be written.
    void writeDetectorFailure(const std::string& message, TimePoint now) const;

    // Records an unhandled error the way the application's error hook does: messages
    // containing "#3815" are not logged (the caller handles them); everything else is
    // appended with its class name. Returns false when the log itself cannot be written.
    bool logException(const std::string& message, const std::string& className, TimePoint now);
    bool logException(const std::exception& error, TimePoint now);

    std::filesystem::path detectorLogPath() const { return folder_ / "FalhaDetector.log"; }
    std::filesystem::path exceptionLogPath() const { return folder_ / (executableName_ + ".log"); }

  private:
    std::filesystem::path folder_;
    std::string executableName_;
    const StartupValues& values_;
    TimePoint launchTime_;
};

}  // namespace kovra
