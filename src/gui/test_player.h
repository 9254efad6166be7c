// The recording page's player of test recordings: plays one MP3 file through the
// platform's media playback (Qt Multimedia) with play, pause and stop. GUI thread only.
#pragma once

#include <QAudioOutput>
#include <QMediaPlayer>
#include <filesystem>

#include "recording/test_recording_list.h"

namespace kovra::gui {

class MediaTestPlayer final : public TestRecordingPlayer {
  public:
    MediaTestPlayer();

    void close() override;
    void open(const std::filesystem::path& file) override;

    void play();
    void pause();
    void stop();
    bool loaded() const { return !player_.source().isEmpty(); }
    bool playing() const { return player_.playbackState() == QMediaPlayer::PlayingState; }
    // Playback position and the file's length, in milliseconds (0 while unknown).
    qint64 position() const { return player_.position(); }
    qint64 duration() const { return player_.duration(); }
    // The platform's last complaint about the file or the output, empty when none.
    QString error() const { return player_.errorString(); }
    QMediaPlayer& media() { return player_; }

  private:
    QMediaPlayer player_;
    QAudioOutput output_;
};

}  // namespace kovra::gui
