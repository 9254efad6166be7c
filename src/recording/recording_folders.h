// Exit clean-up of recording folders: empty day folders of each line, then the line
// folder itself when it is left empty. Files are never removed. Any thread.
#pragma once

#include <filesystem>
#include <vector>

namespace kovra {

// lineFolders: each line's folder (RecordingBase + "Linha<n>(<name>)"). Returns how many
// folders were removed; folders that cannot be listed or removed are logged and left.
int removeEmptyRecordingFolders(const std::vector<std::filesystem::path>& lineFolders);

}  // namespace kovra
