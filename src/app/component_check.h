// The start-up check for component files the program cannot run without. The detector
// controls are built into this program and the MP3 encoder is optional (recording is
// refused without it), so this platform requires no separate files; the check and its
// message stay for builds that do.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kovra {

std::vector<std::filesystem::path> requiredComponents();
std::vector<std::filesystem::path> missingComponents(
    const std::vector<std::filesystem::path>& required);
// "Não foram encontradas as Bibliotecas "FSK".", the expected paths, and the advice,
// lines joined by CR LF.
std::string missingComponentsMessage(const std::vector<std::filesystem::path>& required);

}  // namespace kovra
