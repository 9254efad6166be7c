#include "settings/settings_keys.h"

namespace kovra::settings {

std::string pairSection(int pair) {
    const int odd = 2 * pair - 1;
    return "LINHAS_" + std::to_string(odd) + "e" + std::to_string(odd + 1);
}

std::string ipListSection(int line) {
    return "LISTAGEM_IP_LINHA_" + std::to_string(line);
}

std::string repeaterSection(int line) {
    return "REPEATER_LINHA_" + std::to_string(line);
}

int defaultLocalPort(int line) {
    return std::stoi("382" + std::to_string(line));
}

int defaultRemotePort(int line) {
    return std::stoi("651" + std::to_string(line));
}

std::string defaultCallerIdTextFile(std::string_view root, int line) {
    std::string path(root);
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    return path + "BinaLinha" + std::to_string(line) + ".txt";
}

}  // namespace kovra::settings
