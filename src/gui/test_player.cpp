#include "gui/test_player.h"

#include <QUrl>

#include "platform/log.h"

namespace kovra::gui {

MediaTestPlayer::MediaTestPlayer() {
    player_.setAudioOutput(&output_);
    // Errors of the player are the player's own: the page goes on; the log says why.
    QObject::connect(&player_, &QMediaPlayer::errorOccurred, &player_,
                     [](QMediaPlayer::Error, const QString& text) {
                         logLine(LogLevel::Warning, "test recording player: " + text.toStdString());
                     });
}

void MediaTestPlayer::close() {
    player_.stop();
    player_.setSource(QUrl());
}

void MediaTestPlayer::open(const std::filesystem::path& file) {
    player_.setSource(QUrl::fromLocalFile(QString::fromStdString(file.string())));
}

void MediaTestPlayer::play() {
    if (loaded()) {
        player_.play();
    }
}

void MediaTestPlayer::pause() {
    player_.pause();
}

void MediaTestPlayer::stop() {
    player_.stop();
}

}  // namespace kovra::gui
