#include "gui/help_opener.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

#include "platform/process/instance_lock.h"
#include "settings/help_topics.h"

namespace kovra::gui {

void openHelpTopic(const std::string& topic) {
    const auto page =
        settings::helpTopicPage(settings::helpFolder(executablePath().parent_path()), topic);
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(page.string())));
}

}  // namespace kovra::gui
