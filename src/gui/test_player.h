// The recording page's player of test recordings: plays one MP3 file through the
// platform's media playback (Qt Multimedia) with play, pause and stop. The media player
// and its sound-server connection are made when the first file is loaded, not before.
// GUI thread only.
#pragma once

#include <QAudioOutput>
#include <QMediaPlayer>
#include <filesystem>
#include <memory>

#include "recording/test_recording_list.h"

namespace kovra::gui {

class MediaTestPlayer final : public TestRecordingPlayer {
  public:
    void close() override;
    void open(const std::filesystem::path& file) override;

    void play();
    void pause();
    void stop();
    bool loaded() const { return player_ && !player_->source().isEmpty(); }
    bool playing() const {
        return player_ && player_->playbackState() == QMediaPlayer::PlayingState;
    }
    // Playback position and the file's length, in milliseconds (0 while unknown).
    qint64 position() const { return player_ ? player_->position() : 0; }
    qint64 duration() const { return player_ ? player_->duration() : 0; }
    // The platform's last complaint about the file or the output, empty when none.
    QString error() const { return player_ ? player_->errorString() : QString(); }

  private:
    std::unique_ptr<QAudioOutput> output_;
    std::unique_ptr<QMediaPlayer> player_;  // plays through output_
};

}  // namespace kovra::gui
