// The tray icon's texts, as users have always read them.
#pragma once

namespace kovra::gui::texts {

inline constexpr const char* kTrayHint = "Kovra for Repeaters";
inline constexpr const char* kMenuSettings = "Configurações";
inline constexpr const char* kMenuPair[] = {"Linhas 1 e 2", "Linhas 3 e 4", "Linhas 5 e 6"};
inline constexpr const char* kMenuExit = "Sair";

}  // namespace kovra::gui::texts
