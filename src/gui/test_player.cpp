#include "gui/test_player.h"

#include <QUrl>

#include "platform/log.h"

namespace kovra::gui {

void MediaTestPlayer::close() {
    if (player_) {
        player_->stop();
        player_->setSource(QUrl());
    }
}

void MediaTestPlayer::open(const std::filesystem::path& file) {
    if (!player_) {
        output_ = std::make_unique<QAudioOutput>();
        player_ = std::make_unique<QMediaPlayer>();
        player_->setAudioOutput(output_.get());
        // Errors of the player are the player's own: the page goes on; the log says why.
        QObject::connect(player_.get(), &QMediaPlayer::errorOccurred, player_.get(),
                         [](QMediaPlayer::Error, const QString& text) {
                             logLine(LogLevel::Warning,
                                     "test recording player: " + text.toStdString());
                         });
    }
    player_->setSource(QUrl::fromLocalFile(QString::fromStdString(file.string())));
}

void MediaTestPlayer::play() {
    if (loaded()) {
        player_->play();
    }
}

void MediaTestPlayer::pause() {
    if (player_) {
        player_->pause();
    }
}

void MediaTestPlayer::stop() {
    if (player_) {
        player_->stop();
    }
}

}  // namespace kovra::gui
