#include "app/component_check.h"

namespace kovra {

std::vector<std::filesystem::path> requiredComponents() {
    return {};
}

std::vector<std::filesystem::path> missingComponents(
    const std::vector<std::filesystem::path>& required) {
    std::vector<std::filesystem::path> missing;
    for (const auto& path : required) {
        std::error_code error;
        if (!std::filesystem::exists(path, error)) {
            missing.push_back(path);
        }
    }
    return missing;
}

std::string missingComponentsMessage(const std::vector<std::filesystem::path>& required) {
    std::string text =
        "Não foram encontradas as Bibliotecas \"FSK\".\r\n\r\nElas deveriam estar em:";
    for (const auto& path : required) {
        text += "\r\n" + path.string();
    }
    text += "\r\n\r\nProvidencie sua instalação e tente novamente.";
    return text;
}

}  // namespace kovra
