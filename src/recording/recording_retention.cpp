// The retention step of RecordingControl: one second after a stop, a recording of at
// most SpinMin seconds is deleted, any other kept (pair 1: renamed when a made call was
// identified meanwhile, and reported). Deletion retries run on the loop's timers so the
// loop never blocks; the line counts as recording until the step is done.
#include <filesystem>
#include <system_error>

#include "platform/log.h"
#include "recording/recording_control.h"

namespace kovra {

namespace fs = std::filesystem;

void RecordingControl::TimerSalveDeleteFileTimer(int k) {
    LineRecordingState& s = line(k);
    SharedLineCounters& c = shared(k);
    setTray(false);
    retentionTimers_[index(k)]->setEnabled(false);
    try {
        if (s.Discard && !(traits_.hostCommands && s.HostNamed)) {
            chain(k).writer().FileName.clear();
            if (s.SettleFile.empty()) {
                return;
            }
            deleteAttempt(k, kDeleteAttempts);
            return;  // finishDelete() ends the step, now or after the retries
        }
        port_.resetRearm(k);
        if (traits_.reportsKeptFile) {
            if (!c.RenameTarget.empty()) {
                std::error_code ec;
                fs::rename(s.SettleFile, c.RenameTarget, ec);
                if (ec) {
                    logLine(LogLevel::Warning, "Recording kept under its first name " +
                                                   s.SettleFile + ": rename to " + c.RenameTarget +
                                                   " failed: " + ec.message());
                }
            } else {
                c.RenameTarget = s.SettleFile;
            }
            long long seconds =
                c.StartTime
                    ? std::chrono::duration_cast<std::chrono::seconds>(loop_.now() - *c.StartTime)
                          .count()
                    : 0;
            Mp3Writer& writer = chain(k).writer();
            writer.awaitClosed();
            if (writer.cutShort()) {
                // A write failed (a full disk): the host hears what the file holds, not
                // how long the call went on.
                seconds = writer.StoredSeconds();
            }
            std::error_code ec;
            if (fs::exists(c.RenameTarget, ec)) {
                sendLine(k, "REC_FILE_STOP->" + c.RenameTarget + "#" + durationText(seconds));
            } else {
                logLine(LogLevel::Warning,
                        "Recording " + c.RenameTarget + " is gone: no stop is reported for it");
            }
            c.RenameTarget.clear();
        }
        s.SettleFile.clear();
    } catch (const std::exception& e) {
        logLine(LogLevel::Error, "TimerSalveDeleteFile" + std::to_string(k) + " (line " +
                                     std::to_string(lineNumber(k)) + "): " + e.what());
    }
    finishRetention(k);
}

void RecordingControl::deleteAttempt(int k, int attemptsLeft) {
    LineRecordingState& s = line(k);
    std::error_code ec;
    if (!fs::exists(s.SettleFile, ec)) {
        finishDelete(k);
        return;
    }
    if (fs::remove(s.SettleFile, ec)) {
        s.lbDeleteFile = s.SettleFile;
        s.lbInfFinal = "Linha " + std::to_string(lineNumber(k)) +
                       " - Arquivo finalizado: DELETADO (" +
                       std::to_string(chain(k).writer().ElapsedSeconds()) + ") sgs";
        s.SettleFile.clear();
        port_.resetRearm(k);
        s.lbRecID.clear();
        finishDelete(k);
        return;
    }
    if (attemptsLeft > 1) {
        deleteAttemptsLeft_[index(k)] = attemptsLeft - 1;
        deleteRetryTimers_[index(k)]->setEnabled(true);
        return;
    }
    logLine(LogLevel::Warning, "Short recording could not be deleted and stays on disk: " +
                                   s.SettleFile + ": " + ec.message());
    finishDelete(k);
}

void RecordingControl::finishDelete(int k) {
    shared(k).RenameTarget.clear();
    port_.LimpaTudo(k);
}

void RecordingControl::finishRetention(int k) {
    port_.LimpaTudo(k);
    chain(k).writer().FileName.clear();
    // A stop after midnight prepares the new day's folder.
    prepareFolder(k);
    setTray(false);
}

}  // namespace kovra
